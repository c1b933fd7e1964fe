// The tools on a PostgreSQL repository, side by side with the same demo data in a SQLite file:
// the same result files, the same check-outs, and a server session that can only read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/PgCluster.h"
#include "tests/tools/DemoRepo.h"
#include "tests/tools/Statements.h"

namespace qvtest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    if (!lines.empty()) std::sort(lines.begin() + 1, lines.end());
    return lines;
}

class PgToolsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string why;
        cluster_ = PgCluster::Get(why);
        if (!cluster_) return;
        sqlite_ = new DemoRepo();
        owner_ = cluster_->NewDatabase("tools");
        database_ = owner_.substr(owner_.find("dbname=") + 7);
        database_ = database_.substr(0, database_.find(' '));
        ToolResult r = RunTool("krepo", {"demo", "postgresql:" + owner_, "--broker", "pgdemo"});
        demoOk_ = r.exitCode == 0;
        demoOutput_ = r.out + r.err;
    }
    static void TearDownTestSuite() {
        delete sqlite_;
        sqlite_ = nullptr;
    }
    void SetUp() override {
        std::string why;
        if (!PgCluster::Get(why)) GTEST_SKIP() << why;
        ASSERT_TRUE(demoOk_) << demoOutput_;
        setenv("TESSARK_BROKERS", (*sqlite_ / "brokers.ini").c_str(), 1);
    }

    // Runs ksql on a broker; the result file's text.
    static std::string Query(const std::string& broker, const std::string& sql,
                             const std::string& user = "demo",
                             const std::string& password = "demo") {
        WriteFile(*sqlite_ / "pg.sql", sql);
        unlink((*sqlite_ / "pg.dat").c_str());
        RunTool("ksql", {"-b", broker, "-usr", user, "-pw", password, "-t", "-f",
                         *sqlite_ / "pg.sql", "-o", *sqlite_ / "pg.dat"});
        return ReadFile(*sqlite_ / "pg.dat");
    }
    // Every row of every table and the repository's roles, counted on the server as its
    // superuser.
    static std::string Counts() {
        return cluster_->Sql(
            database_,
            "SELECT (SELECT COUNT(*) FROM KESVERSIONS) || ' ' || (SELECT COUNT(*) FROM "
            "KESALLUSERS) || ' ' || (SELECT COUNT(*) FROM KESVIEW) || ' ' || (SELECT "
            "string_agg(rolname || rolpassword, ',' ORDER BY rolname) FROM pg_authid WHERE "
            "rolname LIKE '" +
                database_ + "%') || ' ' || (SELECT COUNT(*) FROM pg_largeobject_metadata)");
    }
    // psql as a role of the server with a password, as any program of a user could connect.
    static ToolResult PsqlAs(const std::string& role, const std::string& password,
                             const std::string& sql, const std::string& database = database_) {
        ScopedPassword pw(password);
        return RunProgram(cluster_->bin() + "/psql", {"-X", "-A", "-t", "-h", cluster_->socketDir(),
                                                      "-U", role, "-d", database, "-c", sql});
    }
    struct ScopedPassword {
        explicit ScopedPassword(const std::string& p) { setenv("PGPASSWORD", p.c_str(), 1); }
        ~ScopedPassword() { unsetenv("PGPASSWORD"); }
    };

    static inline PgCluster* cluster_ = nullptr;
    static inline DemoRepo* sqlite_ = nullptr;
    static inline std::string owner_, database_, demoOutput_;
    static inline bool demoOk_ = false;
};

TEST_F(PgToolsTest, EveryStatementGivesTheSameResultFileOnBothBackends) {
    // The package search, branch, child version and project id statements are left out: the
    // end-to-end suites check their whole results on both backends.
    // clang-format off
    struct Case { std::string what, sql; bool ordered; /* the statement fixes the row order */ }
    const cases[] = {
        {"source items", FillFormat(kSourcePackageItems, {"Payroll", "DEV", "PAY0001"}), false},
        {"source items QA", FillFormat(kSourcePackageItems, {"Payroll", "QA", "PAY0003"}), false},
        {"target items", FillFormat(kTargetProjectItems, {"PayrollEU", "DEV"}), false},
        {"target items QA", FillFormat(kTargetProjectItems, {"PayrollEU", "QA"}), false},
        {"latest target", FillFormat(kLatestTargetVersion, {"PayrollEU", "DEV", "CONFIG.H"}),
         false},
        {"max over text", "SELECT MAX(ITEMNAME) AS M, MIN(PATHFULLNAME) FROM KESITEMNAME, "
                          "KESPATHFULLNAME", true},
        {"byte order", "SELECT ITEMNAME FROM KESITEMNAME ORDER BY ITEMNAME", true},
        {"nulls, tabs and line breaks",
         "SELECT NULL AS a, 1 AS b, 'x' AS c UNION ALL SELECT 'tab\there', 2, 'line\nbreak'", true},
        {"padded cast", "SELECT cast (DATASIZE as char(12)), cast ('ab' as char(5)) AS t FROM "
                        "KESVERSIONDATA ORDER BY VERSIONDATAOBJID", true},
        {"zero results", "SELECT ENVOBJID FROM KESENVIRONMENT WHERE ENVOBJID < 0", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string onFile = Query("demo", c.sql), onServer = Query("pgdemo", c.sql);
        ASSERT_NE(onFile.rfind("Error", 0), 0u) << c.what << ": " << onFile;
        if (c.ordered)
            EXPECT_EQ(onServer, onFile) << c.what;
        else
            EXPECT_EQ(SortedLines(onServer), SortedLines(onFile)) << c.what;
    }
    // A statement that never ends is stopped at the time limit (lowered here) with the same line.
    setenv("QUORVEL_KSQL_TIME_LIMIT_MS", "200", 1);
    const std::string endless =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x FROM c) "
        "SELECT count(*) FROM c";
    EXPECT_EQ(Query("pgdemo", endless), "Error: canceling statement due to statement timeout\n");
    unsetenv("QUORVEL_KSQL_TIME_LIMIT_MS");
}

TEST_F(PgToolsTest, WhatDoesNotOnlyReadIsRefusedAndChangesNothing) {
    const std::string before = Counts();
    ASSERT_FALSE(before.empty());
    // clang-format off
    const std::string statements[] = {
        "INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (1, 'mallory')",
        "UPDATE KESVERSIONS SET MAPPEDVERSION = '99' RETURNING 1", "DELETE FROM KESVERSIONS",
        "WITH d AS (DELETE FROM KESVIEW RETURNING 1) SELECT * FROM d", "DROP TABLE KESVERSIONS",
        "CREATE TEMP TABLE t (x int)", "SELECT 1; DELETE FROM KESVERSIONS", "SELECT 1; SELECT 2",
        "COPY KESVIEW TO PROGRAM 'touch /tmp/qv-pg-owned'", "COPY (SELECT 1) TO '/tmp/qv-pg-owned'",
        "SELECT * FROM TKCREDENTIALS", "SELECT TK_LOGIN_HASH('demo')",
        "SELECT rolpassword FROM pg_authid", "SELECT passwd FROM pg_shadow",
        "SET ROLE postgres", "RESET ROLE", "SELECT set_config('role', 'postgres', false)",
        "SELECT set_config('work_mem', '1MB', false)", "SET default_transaction_read_only = off",
        "SELECT set_config('default_transaction_read_only', 'off', false)",
        "SELECT pg_read_file('/etc/passwd')", "SELECT lo_create(0)", "SELECT pg_advisory_lock(7)",
        "BEGIN", "COMMIT",
    };
    // clang-format on
    for (const std::string& sql : statements) {
        std::string out = Query("pgdemo", sql);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << sql << " -> " << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << sql << " -> " << out;
    }
    EXPECT_EQ(Counts(), before);
    EXPECT_FALSE(FileExists("/tmp/qv-pg-owned"));
}

// Logins the server refuses and brokers it cannot serve: one error line naming the problem.
TEST_F(PgToolsTest, RefusalsGiveOneErrorLine) {
    WriteFile(*sqlite_ / "bad.ini",
              ReadFile(*sqlite_ / "brokers.ini") +
                  "\n[gone]\nrepository = postgresql:host=/nonexistent/socket dbname=x\n"
                  "[nodb]\nrepository = postgresql:host=" +
                  cluster_->socketDir() + " dbname=nosuchdb user=postgres\n");
    // A user whose role was given more than reading on the server.
    ASSERT_EQ(RunTool("krepo", {"adduser", "postgresql:" + owner_, "mallory"}, "m-pw\n").exitCode,
              0);
    cluster_->Sql(database_, "GRANT SELECT ON TKMETA TO \"" + database_ + ".mallory\"");
    setenv("TESSARK_BROKERS", (*sqlite_ / "bad.ini").c_str(), 1);
    // clang-format off
    struct Case { std::string broker, user, password, contains; } const cases[] = {
        {"pgdemo", "DEMO", "demo", "Incorrect Login for user 'DEMO' on broker 'pgdemo'"},
        {"pgdemo", "demo", "", "Incorrect Login for user 'demo' on broker 'pgdemo'"},
        {"pgdemo", "demo", "Demo", "Incorrect Login for user 'demo' on broker 'pgdemo'"},
        {"pgdemo", "nobody", "demo", "Incorrect Login for user 'nobody' on broker 'pgdemo'"},
        {"pgdemo", "_reader", "x", "Incorrect Login for user '_reader' on broker 'pgdemo'"},
        {"gone", "demo", "demo", "cannot reach the repository server of broker 'gone'"},
        {"pgdemo", "mallory", "m-pw", "read-only role"},
        {"nodb", "demo", "demo", "broker 'nodb'"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.broker + " " + c.user);
        std::string out = Query(c.broker, "SELECT 1", c.user, c.password);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
        EXPECT_NE(out.find(c.contains), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
}

TEST_F(PgToolsTest, CheckOutWritesTheSameFilesFromBothBackends) {
    for (const std::string broker : {"demo", "pgdemo"}) {
        const std::string client = *sqlite_ / ("co-" + broker), log = *sqlite_ / "co.log";
        // clang-format off
        ToolResult r = RunTool("kco", {"-s", "*", "-b", broker, "-en", "Payroll", "-st", "DEV",
            "-vp", "\\", "-br", "-r", "-op", "pc", "-cp", client, "-usr", "demo", "-pw", "demo",
            "-o", log, "-p", "PAY0001"});
        // clang-format on
        EXPECT_EQ(r.exitCode, 0) << ReadFile(log);
        EXPECT_NE(ReadFile(log).find("Total: 25 ; Success: 24 ; Failed: 0 ; Not Processed: 1 ."),
                  std::string::npos)
            << broker << ": " << ReadFile(log);
    }
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(*sqlite_ / "co-demo")) {
        if (!e.is_regular_file()) continue;
        ++files;
        const std::string relative = fs::relative(e.path(), *sqlite_ / "co-demo").string();
        EXPECT_EQ(ReadFile(*sqlite_ / ("co-pgdemo/" + relative)), ReadFile(e.path().string()))
            << relative;
    }
    EXPECT_EQ(files, 23u);  // 24 checked out, one of them a directory
}

TEST_F(PgToolsTest, KrepoLooksAfterServerRepositories) {
    const std::string locator = "postgresql:" + owner_;
    // clang-format off
    struct Case { std::vector<std::string> args; int exitCode; std::string contains; }
    const cases[] = {
        {{"create", locator}, 1, "already holds"},
        {{"demo", locator}, 1, "already holds projects"},
        {{"stats", locator}, 0, "KESVERSIONS"},
        {{"indexes", locator, "drop"}, 0, "dropped"},
        {{"indexes", locator, "create"}, 0, "created"},
        {{"create", locator, "--group", "x"}, 2, "--group"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const ToolResult r = RunTool("krepo", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << ": " << r.err;
        EXPECT_NE((r.out + r.err).find(c.contains), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(cluster_->Sql(database_,
                            "SELECT COUNT(*) FROM pg_indexes WHERE indexname LIKE "
                            "'kes%' AND indexname NOT LIKE '%key'"),
              "10\n");

    // krepo adduser on the server, then a login with the new password, which never shows.
    const std::string secret = "Zq9-never-shown";
    ToolResult r = RunTool("krepo", {"adduser", locator, "erin"}, secret + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find(secret), std::string::npos);
    EXPECT_EQ(
        Query("pgdemo", "SELECT USERNAME FROM KESALLUSERS WHERE USERNAME = 'erin'", "erin", secret),
        "USERNAME\nerin\n");
    EXPECT_EQ(cluster_->Sql("postgres",
                            "SELECT rolpassword LIKE 'SCRAM-SHA-256$%' FROM "
                            "pg_authid WHERE rolname = '" +
                                database_ + ".erin'"),
              "t\n");

    // A fresh server repository with a user of its own: the demo keeps the user and its id,
    // and takes its ids from the repository's sequence.
    const std::string other = "postgresql:" + cluster_->NewDatabase("fresh");
    ASSERT_EQ(RunTool("krepo", {"create", other, "--no-indexes"}).exitCode, 0);
    ASSERT_EQ(RunTool("krepo", {"adduser", other, "alice"}, "pw\n").exitCode, 0);
    ToolResult demo = RunTool("krepo", {"demo", other, "--size", "300"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    const std::string db =
        other.substr(other.find("dbname=") + 7, other.find(" user") - other.find("dbname=") - 7);
    EXPECT_EQ(cluster_->Sql(db,
                            "SELECT COUNT(*), MIN(USROBJID) FROM KESALLUSERS WHERE "
                            "USERNAME = 'alice'"),
              "1|1001\n");
    EXPECT_EQ(cluster_->Sql(db,
                            "SELECT COUNT(DISTINCT ITEMOBJID) >= 300, MIN(ENVOBJID) > 1001 "
                            "FROM KESVERSIONS, KESENVIRONMENT"),
              "t|t\n");
}

// Each user is a login role of its own that the server itself checks; no role of a user reads a
// password or a hash, and the reader role cannot log in.
TEST_F(PgToolsTest, TheServerChecksEachUsersOwnRole) {
    const std::string demo = database_ + ".demo";
    EXPECT_EQ(cluster_->Sql(database_,
                            "SELECT to_regclass('TKCREDENTIALS') IS NULL, "
                            "pg_has_role('" +
                                demo + "', '" + database_ +
                                "_reader', 'MEMBER'), (SELECT rolcanlogin FROM pg_roles "
                                "WHERE rolname = '" +
                                database_ + "_reader')"),
              "t|t|f\n");
    // clang-format off
    struct Case { std::string role, password, sql; bool connects; std::string output; }
    const cases[] = {
        {demo, "demo", "SELECT COUNT(*) > 0 FROM KESVERSIONS", true, "t\n"},
        {demo, "wrong", "SELECT 1", false, ""},
        {demo, "", "SELECT 1", false, ""},
        {database_ + "_reader", "demo", "SELECT 1", false, ""},
        {demo, "demo", "SELECT rolpassword FROM pg_authid", true, ""},
        {demo, "demo", "SELECT * FROM TKMETA", true, ""},
        {demo, "demo", "CREATE TABLE x (y int)", true, ""},
        {demo, "demo", "SELECT COUNT(*) FROM pg_roles WHERE rolpassword <> '********'", true,
         "0\n"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.role + " / " + c.sql);
        const ToolResult r = PsqlAs(c.role, c.password, c.sql);
        const bool refusedLogin = r.err.find("authentication failed") != std::string::npos ||
                                  r.err.find("no password") != std::string::npos ||
                                  r.err.find("not permitted to log in") != std::string::npos;
        EXPECT_EQ(!refusedLogin, c.connects) << r.err;
        if (c.connects) {
            EXPECT_EQ(r.out, c.output) << r.err;
        }
    }
}

// A repository made by an earlier krepo loses its shared login and its hashes at the first
// krepo adduser; the user then logs in with the server's check.
TEST_F(PgToolsTest, AddUserTakesTheOldSharedLoginOut) {
    const std::string conninfo = cluster_->NewDatabase("old");
    const std::string db = conninfo.substr(conninfo.find("dbname=") + 7,
                                           conninfo.find(" user") - conninfo.find("dbname=") - 7);
    const std::string locator = "postgresql:" + conninfo;
    ASSERT_EQ(RunTool("krepo", {"create", locator}).exitCode, 0);
    cluster_->Sql(db,
                  "CREATE TABLE TKCREDENTIALS (USERNAME TEXT, PWHASH TEXT); INSERT INTO "
                  "TKCREDENTIALS VALUES ('gina', 'hash'); CREATE FUNCTION TK_LOGIN_HASH(TEXT) "
                  "RETURNS TEXT LANGUAGE sql AS 'SELECT NULL::TEXT'; ALTER ROLE " +
                      db + "_reader LOGIN PASSWORD 'shared'");
    const ToolResult r = RunTool("krepo", {"adduser", locator, "gina"}, "g-pw\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("add every user again"), std::string::npos) << r.out;
    EXPECT_EQ(cluster_->Sql(db,
                            "SELECT to_regclass('TKCREDENTIALS') IS NULL, "
                            "to_regproc('TK_LOGIN_HASH') IS NULL, rolcanlogin, rolpassword IS "
                            "NULL FROM pg_authid WHERE rolname = '" +
                                db + "_reader'"),
              "t|t|f|t\n");
    EXPECT_EQ(PsqlAs(db + ".gina", "g-pw", "SELECT COUNT(*) FROM KESALLUSERS", db).out, "1\n");
}

// An owner that may create roles, but is no superuser, makes a repository and its users.
TEST_F(PgToolsTest, CreateOnAServerNeedsOnlyCreaterole) {
    cluster_->Sql("postgres", "CREATE ROLE qvowner LOGIN CREATEROLE PASSWORD 'owner-pw'");
    cluster_->Sql("postgres", "CREATE DATABASE qvowned OWNER qvowner");
    const std::string locator = "postgresql:host=" + cluster_->socketDir() +
                                " dbname=qvowned user=qvowner password=owner-pw";
    ToolResult r = RunTool("krepo", {"create", locator});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunTool("krepo", {"adduser", locator, "frank"}, "f-pw\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(RunTool("krepo", {"broker", "owned", locator}).exitCode, 0);
    EXPECT_EQ(Query("owned", "SELECT USERNAME FROM KESALLUSERS", "frank", "f-pw"),
              "USERNAME\nfrank\n");
    EXPECT_EQ(Query("owned", "SELECT 1", "frank", "wrong"),
              "Error: Incorrect Login for user 'frank' on broker 'owned'\n");
}

}  // namespace
}  // namespace qvtest
