#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/DemoRepo.h"

namespace qvtest {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

class KsqlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { repo_ = new DemoRepo(); }
    static void TearDownTestSuite() {
        delete repo_;
        repo_ = nullptr;
    }
    void SetUp() override { setenv("TESSARK_BROKERS", (*repo_ / "brokers.ini").c_str(), 1); }

    static DemoRepo* repo_;
};

DemoRepo* KsqlTest::repo_ = nullptr;

TEST_F(KsqlTest, ResultFormatting) {
    struct Case {
        std::string sql, expected;
    } const cases[] = {
        {"SELECT NULL AS a, 1 AS b, 'x' AS c", "A\tB\tC\n\t1\tx\n"},
        {"SELECT 'tab\there' AS v UNION ALL SELECT 'line\nbreak'", "V\ntab here\nline break\n"},
        {"SELECT 'nul' || char(0) || 'x' AS v, 2 AS w", "V\tW\nnul x\t2\n"},
        {"SELECT 1 AS one WHERE 0", "KSQL query has Zero results.\n"},
        {"  -- leading comment\n SELECT 2 AS two ;  -- trailing comment", "TWO\n2\n"},
        {"PRAGMA table_info(KESVIEW)", ""},
    };
    for (const Case& c : cases) {
        std::string out = repo_->Query(c.sql);
        if (c.expected.empty()) {
            EXPECT_EQ(out.rfind("CID\tNAME", 0), 0u) << out;
        } else {
            EXPECT_EQ(out, c.expected) << c.sql;
        }
    }
}

// Bad statements, refused logins and statements that would change the repository: each gives
// one error line, and the repository file stays as it was.
TEST_F(KsqlTest, FailuresGiveOneErrorLineAndChangeNothing) {
    const std::string attached = *repo_ / "attached.db";
    const std::string vacuumed = *repo_ / "copy.db";
    const std::string before = ReadFile(repo_->db());
    struct Case {
        std::string sql, contains;  // contains: a part of the error line, if any
        std::string user = "demo", password = "demo";
    } const cases[] = {
        {"SELEC 1", "syntax error"},
        {"", "no statement"},
        {"SELECT 1; SELECT 2", "one statement"},
        {"SELECT * FROM TKCREDENTIALS", "credentials"},
        {"SELECT load_extension('x')", "load_extension"},
        {"SELECT fts3_tokenizer('mine', x'0000000000000000')", "fts3_tokenizer is not allowed"},
        // Stopped at the time limit, which the environment lowers for this test.
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c",
         "canceling statement due to statement timeout"},
        {"SELECT name FROM pragma_table_info('KESVIEW')", "pragma_table_info"},
        {"BEGIN", "transaction control"},
        {"DELETE FROM KESVIEW", "writing to table KESVIEW"},
        // Names and passwords are compared as they are.
        {"SELECT 1", "Incorrect Login", "demo", ""},
        {"SELECT 1", "Incorrect Login", "DEMO", "demo"},
        {"SELECT 1", "Incorrect Login", "demo", "Demo"},
        {"SELECT 1", "Incorrect Login", "", ""},
        {"INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (1, 'mallory')", ""},
        {"UPDATE KESVERSIONS SET MAPPEDVERSION = '99'", ""},
        {"DROP TABLE KESVERSIONS", ""},
        {"CREATE TABLE T (X)", ""},
        {"CREATE TEMP TABLE T (X)", ""},
        {"ALTER TABLE KESVIEW ADD COLUMN X", ""},
        {"ATTACH DATABASE '" + attached + "' AS X", ""},
        {"PRAGMA user_version = 7", ""},
        {"PRAGMA journal_mode = WAL", ""},
        {"PRAGMA query_only = 0", ""},
        {"VACUUM", ""},
        {"VACUUM INTO '" + vacuumed + "'", ""},
        {"REINDEX", ""},
        {"SELECT 1; DELETE FROM KESVERSIONS", ""},
        {"WITH X AS (SELECT 1) DELETE FROM KESALLUSERS", ""},
        {"REPLACE INTO TKCREDENTIALS (USERNAME, PWHASH) VALUES ('x', 'y')", ""},
    };
    setenv("QUORVEL_KSQL_TIME_LIMIT_MS", "200", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql + " as " + c.user + "/" + c.password);
        std::string out = repo_->Query(c.sql, c.user, c.password);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
        EXPECT_NE(out.find(c.contains), std::string::npos) << out;
        EXPECT_EQ(Lines(out).size(), 1u) << out;
    }
    unsetenv("QUORVEL_KSQL_TIME_LIMIT_MS");
    EXPECT_EQ(ReadFile(repo_->db()), before);
    EXPECT_FALSE(FileExists(attached));
    EXPECT_FALSE(FileExists(vacuumed));
    EXPECT_EQ(repo_->Query("SELECT COUNT(*) AS N FROM KESALLUSERS"), "N\n5\n");
}

TEST_F(KsqlTest, BrokerAndCommandLineProblems) {
    WriteFile(*repo_ / "s.sql", "SELECT 1 AS X");
    const std::string s = *repo_ / "s.sql", o = *repo_ / "o.dat";
    WriteFile(
        *repo_ / "other.ini",
        "[pg]\nrepository = postgresql:host=/nonexistent/sockets dbname=x\n[rel]\nrepository = "
        "sqlite:relative.db\n[gone]\nrepository = sqlite:/nonexistent/"
        "x.db\n");
    struct Case {
        std::vector<std::string> args;
        std::string brokers, contains;
    } const cases[] = {
        {{"-b", "nosuch", "-usr", "demo", "-pw", "demo", "-t", "-f", s, "-o", o},
         "",
         "Unknown broker"},
        {{"-b", "pg", "-usr", "demo", "-pw", "demo", "-t", "-f", s, "-o", o},
         "other.ini",
         "cannot reach the repository server of broker 'pg'"},
        {{"-b", "rel", "-usr", "demo", "-pw", "demo", "-t", "-f", s, "-o", o},
         "other.ini",
         "absolute"},
        {{"-b", "gone", "-usr", "demo", "-pw", "demo", "-t", "-f", s, "-o", o},
         "other.ini",
         "cannot open"},
        {{"-b", "demo", "-usr", "demo", "-pw", "demo", "-t", "-o", o}, "", "-f"},
        {{"-b", "demo", "-usr", "demo", "-pw", "demo", "-f", *repo_ / "none.sql", "-o", o},
         "",
         "none.sql"},
        {{"-B", "DEMO", "-USR", "demo", "-PW", "demo", "-T", "-F", s, "-O", o}, "", "X\n1\n"},
    };
    for (const Case& c : cases) {
        if (!c.brokers.empty()) setenv("TESSARK_BROKERS", (*repo_ / c.brokers).c_str(), 1);
        unlink(o.c_str());
        ToolResult r = RunTool("ksql", c.args);
        std::string out = ReadFile(o);
        EXPECT_NE(out.find(c.contains), std::string::npos) << c.args[1] << ": " << out << r.err;
        setenv("TESSARK_BROKERS", (*repo_ / "brokers.ini").c_str(), 1);
    }
    ToolResult toStdout = RunTool("ksql", {"-b", "demo", "-usr", "demo", "-pw", "demo", "-f", s});
    EXPECT_EQ(toStdout.out, "X\n1\n");
}

}  // namespace
}  // namespace qvtest
