#include <gtest/gtest.h>

#include <sstream>

#include "tests/tools/DemoRepo.h"
#include "tests/tools/Statements.h"
#include "tools/common/Repository.h"

namespace qvtest {
namespace {

using qv::tools::Db;
using qv::tools::Stmt;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t pos = 0;
    while (true) {
        size_t tab = line.find('\t', pos);
        fields.push_back(line.substr(pos, tab == std::string::npos ? tab : tab - pos));
        if (tab == std::string::npos) break;
        pos = tab + 1;
    }
    return fields;
}

class KsqlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { repo_ = new DemoRepo(); }
    static void TearDownTestSuite() {
        delete repo_;
        repo_ = nullptr;
    }
    void SetUp() override { setenv("TESSARK_BROKERS", (*repo_ / "brokers.ini").c_str(), 1); }

    // A single number the repository holds, looked up directly.
    static std::string Id(const std::string& sql) {
        Db db;
        std::string error;
        if (!db.Open(repo_->db(), Db::Mode::ReadOnly, error)) return "?";
        Stmt st = db.Prepare(sql, error);
        if (!st || st.Step() != SQLITE_ROW) return "?";
        return st.Text(0);
    }

    static std::string ItemId(const std::string& project, const std::string& name) {
        return Id(
            "SELECT MIN(V.ITEMOBJID) FROM KESVERSIONS V JOIN KESITEMNAME N ON "
            "N.NAMEOBJID = V.ITEMNAMEID JOIN KESPACKAGE P ON P.PACKAGEOBJID = "
            "V.PACKAGEOBJID JOIN KESENVIRONMENT E ON E.ENVOBJID = P.ENVOBJID WHERE "
            "E.ENVIRONMENTNAME = '" +
            project + "' AND N.ITEMNAME = '" + name + "'");
    }

    static std::string VersionId(const std::string& project, const std::string& name,
                                 const std::string& mapped) {
        return Id(
            "SELECT V.VERSIONOBJID FROM KESVERSIONS V JOIN KESITEMNAME N ON "
            "N.NAMEOBJID = V.ITEMNAMEID JOIN KESPACKAGE P ON P.PACKAGEOBJID = "
            "V.PACKAGEOBJID JOIN KESENVIRONMENT E ON E.ENVOBJID = P.ENVOBJID WHERE "
            "E.ENVIRONMENTNAME = '" +
            project + "' AND N.ITEMNAME = '" + name + "' AND V.MAPPEDVERSION = '" + mapped + "'");
    }

    static std::string ViewId(const std::string& project, const std::string& state) {
        return Id(
            "SELECT W.VIEWOBJID FROM KESVIEW W JOIN KESENVIRONMENT E ON E.ENVOBJID = "
            "W.ENVOBJID JOIN KESSTATE S ON S.STATEOBJID = W.STATEOBJID WHERE "
            "E.ENVIRONMENTNAME = '" +
            project + "' AND S.STATENAME = '" + state + "'");
    }

    static DemoRepo* repo_;
};

DemoRepo* KsqlTest::repo_ = nullptr;

TEST_F(KsqlTest, PackageSearchListsPackagesOfTheStateAndAStateWithoutPackages) {
    struct Case {
        std::string project, state, expected;
    } const cases[] = {
        {"Payroll", "DEV",
         "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\nPayroll\tDEV\tPAY0001\nPayroll\tDEV\tPAY0002\n"},
        {"Payroll", "ARCHIVE", "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\nPayroll\tARCHIVE\t\n"},
        {"PayrollEU", "QA", "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\nPayrollEU\tQA\tEU0003\n"},
        {"Nowhere", "DEV", "KSQL query has Zero results.\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(repo_->Query(FillFormat(kPackageSearch, {c.project, c.state})), c.expected)
            << c.project << "/" << c.state;
    }
}

TEST_F(KsqlTest, SourcePackageStatementGivesTheLatestVersionPerItemOfThePackage) {
    struct Case {
        std::string package, item, version, status;
    } const cases[] = {
        {"PAY0001", "tax.cpp", "3", "N"},         {"PAY0001", "obsolete.cpp", "4", "D"},
        {"PAY0001", "util.cpp", "1.10.1", "N"},   {"PAY0002", "util.cpp", "1.9.1", "N"},
        {"PAY0001", "merged.cpp", "2", "M"},      {"PAY0003", "locked.cpp", "3", "R"},
        {"PAY0001", "pension.cpp", "2.1.1", "N"}, {"PAY0001", "calc", "2", "N"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines =
            Lines(repo_->Query(FillFormat(kSourcePackageItems, {"Payroll", "DEV", c.package})));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind("ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\t", 0), 0u) << lines[0];
        int found = 0;
        for (size_t i = 1; i < lines.size(); ++i) {
            std::vector<std::string> f = Fields(lines[i]);
            ASSERT_EQ(f.size(), 11u) << lines[i];
            if (f[0] != c.item) continue;
            ++found;
            EXPECT_EQ(f[2], c.version) << c.item;
            EXPECT_EQ(f[4], c.status) << c.item;
            EXPECT_EQ(f[10], ItemId("Payroll", c.item));
        }
        EXPECT_EQ(found, 1) << c.package << " " << c.item;
    }
    std::vector<std::string> all =
        Lines(repo_->Query(FillFormat(kSourcePackageItems, {"Payroll", "DEV", "PAY0001"})));
    EXPECT_EQ(all.size(), 26u);  // header + 25 items
}

TEST_F(KsqlTest, TargetStatementGivesTwentyNineColumnsWithEmptyValuesKept) {
    std::vector<std::string> lines =
        Lines(repo_->Query(FillFormat(kTargetProjectItems, {"PayrollEU", "DEV"})));
    ASSERT_GT(lines.size(), 20u);
    EXPECT_NE(lines[0].find("ITEMNAME\tPATHFULLNAME"), std::string::npos);
    std::map<std::string, std::vector<std::string>> byName;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> f = Fields(lines[i]);
        ASSERT_EQ(f.size(), 29u) << lines[i];
        EXPECT_EQ(f[28], "PayrollEU");
        byName[f[0] + f[1]] = f;
    }
    struct Case {
        std::string key, version, status, package;
        bool emptyClientPath;
    } const cases[] = {
        {"tax.cpp\\Payroll\\src\\calc", "5", "M", "EU0001", false},
        {"rates.h\\Payroll\\include", "5", "R", "EU0002", false},
        {"report.cpp\\Payroll\\src\\report", "2.1.3", "N", "EU0001", false},
        {"holiday.cpp\\Payroll\\src\\calc", "2", "N", "EU0001", true},
        {"config.h\\Payroll\\src", "1.1.1", "N", "EU0001", false},
        {"config.h\\Payroll\\include", "3", "N", "EU0000", false},
        {"sepa.cpp\\Payroll\\src\\eu", "1.1.1", "N", "EU0003", false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(byName.count(c.key)) << c.key;
        const std::vector<std::string>& f = byName[c.key];
        EXPECT_EQ(f[2], c.version) << c.key;
        EXPECT_EQ(f[4], c.status) << c.key;
        EXPECT_EQ(f[26], c.package) << c.key;
        EXPECT_EQ(f[19].empty(), c.emptyClientPath) << c.key;
    }
    EXPECT_EQ(byName.count("newscreen.cpp\\Payroll\\src\\ui"), 0u);
    EXPECT_EQ(byName.count("tax.cpp\\Tools\\src"), 0u);
}

TEST_F(KsqlTest, VersionStatementsFindBranchesAndChildrenWithinAView) {
    const std::string view = ViewId("PayrollEU", "DEV");
    struct Case {
        std::string name, sql, expected;
    } const cases[] = {
        {"branch of trunk item",
         FillFormat(kLatestBranchVersion, {"ITEMOBJID", ItemId("PayrollEU", "payslip.cpp"), view}),
         "MAPPEDVERSION\n3.1.1\n"},
        {"x branch",
         FillFormat(kLatestBranchVersion, {"ITEMOBJID", ItemId("PayrollEU", "bonus.cpp"), view}),
         "MAPPEDVERSION\nx.2.1\n"},
        {"no branch",
         FillFormat(kLatestBranchVersion, {"ITEMOBJID", ItemId("PayrollEU", "holiday.cpp"), view}),
         "KSQL query has Zero results.\n"},
        {"view that is no view",
         FillFormat(kLatestBranchVersion, {"ITEMOBJID", ItemId("PayrollEU", "payslip.cpp"),
                                           VersionId("PayrollEU", "payslip.cpp", "3")}),
         "KSQL query has Zero results.\n"},
        {"by parent version",
         FillFormat(kLatestBranchVersion,
                    {"PARENTVERSIONID", VersionId("PayrollEU", "summary.cpp", "3"), view}),
         "MAPPEDVERSION\n3.2.1\n"},
        {"children trunk and branch",
         FillFormat(kChildVersions, {VersionId("PayrollEU", "payslip.cpp", "3"), view}),
         "MAPPEDVERSION\n3.1.1\n4\n"},
        {"child first branch version",
         FillFormat(kChildVersions, {VersionId("PayrollEU", "overtime.cpp", "2"), view}),
         "MAPPEDVERSION\n2.1.1\n"},
        {"children outside the view",
         FillFormat(kChildVersions, {VersionId("PayrollEU", "payslip.cpp", "2"), view}),
         "KSQL query has Zero results.\n"},
        {"project id", FillFormat(kProjectId, {"Tools"}),
         "ENVOBJID\n" + Id("SELECT ENVOBJID FROM KESENVIRONMENT WHERE ENVIRONMENTNAME = 'Tools'") +
             "\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(repo_->Query(c.sql), c.expected) << c.name;
}

TEST_F(KsqlTest, LatestTargetVersionStatementFindsEveryItemOfTheName) {
    std::vector<std::string> lines =
        Lines(repo_->Query(FillFormat(kLatestTargetVersion, {"PayrollEU", "DEV", "CONFIG.H"})));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("ITEMNAME\tPATHFULLNAME"), std::string::npos);
    EXPECT_EQ(lines[1], "PayrollEU\tconfig.h\t\\Payroll\\include\t3\t1\tN\tPROD\tEU0000\t" +
                            ItemId("PayrollEU", "config.h"));
    EXPECT_EQ(Fields(lines[2])[3], "1.1.1");
    EXPECT_EQ(repo_->Query(FillFormat(kLatestTargetVersion, {"PayrollEU", "DEV", "config.h"})),
              "KSQL query has Zero results.\n");
}

TEST_F(KsqlTest, ResultFormatting) {
    struct Case {
        std::string sql, expected;
    } const cases[] = {
        {"SELECT NULL AS a, 1 AS b, 'x' AS c", "A\tB\tC\n\t1\tx\n"},
        {"SELECT 'tab\there' AS v UNION ALL SELECT 'line\nbreak'", "V\ntab here\nline break\n"},
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

TEST_F(KsqlTest, FailuresGiveOneErrorLine) {
    struct Case {
        std::string sql, contains;
    } const cases[] = {
        {"SELEC 1", "syntax error"},
        {"SELECT * FROM NOSUCHTABLE", "no such table"},
        {"", "no statement"},
        {"SELECT 1; SELECT 2", "one statement"},
        {"SELECT * FROM TKCREDENTIALS", "credentials"},
        {"SELECT load_extension('x')", "load_extension"},
        {"SELECT name FROM pragma_table_info('KESVIEW')", "pragma_table_info"},
        {"BEGIN", "transaction control"},
        {"DELETE FROM KESVIEW", "writing to table KESVIEW"},
    };
    for (const Case& c : cases) {
        std::string out = repo_->Query(c.sql);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << c.sql << " -> " << out;
        EXPECT_NE(out.find(c.contains), std::string::npos) << out;
        EXPECT_EQ(Lines(out).size(), 1u) << out;
    }
}

TEST_F(KsqlTest, RefusedLoginSaysIncorrectLoginAndRunsNothing) {
    struct Case {
        std::string user, password;
    } const cases[] = {{"demo", "wrong"}, {"nobody", "demo"}, {"demo", ""},
                       {"DEMO", "demo"},  {"demo", "Demo"},   {"", ""}};
    for (const Case& c : cases) {
        std::string out = repo_->Query("SELECT 1", c.user, c.password);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
        EXPECT_NE(out.find("Incorrect Login"), std::string::npos) << c.user << "/" << c.password;
    }
}

TEST_F(KsqlTest, StatementsThatWouldChangeTheRepositoryAreRefused) {
    const std::string attached = *repo_ / "attached.db";
    const std::string vacuumed = *repo_ / "copy.db";
    const std::string before = ReadFile(repo_->db());
    const std::string statements[] = {
        "INSERT INTO KESALLUSERS (USROBJID, USERNAME) VALUES (1, 'mallory')",
        "UPDATE KESVERSIONS SET MAPPEDVERSION = '99'",
        "DELETE FROM KESVERSIONS",
        "DROP TABLE KESVERSIONS",
        "CREATE TABLE T (X)",
        "CREATE TEMP TABLE T (X)",
        "ALTER TABLE KESVIEW ADD COLUMN X",
        "ATTACH DATABASE '" + attached + "' AS X",
        "PRAGMA user_version = 7",
        "PRAGMA journal_mode = WAL",
        "PRAGMA query_only = 0",
        "VACUUM",
        "VACUUM INTO '" + vacuumed + "'",
        "REINDEX",
        "BEGIN",
        "SELECT 1; DELETE FROM KESVERSIONS",
        "WITH X AS (SELECT 1) DELETE FROM KESALLUSERS",
        "REPLACE INTO TKCREDENTIALS (USERNAME, PWHASH) VALUES ('x', 'y')",
    };
    for (const std::string& sql : statements) {
        std::string out = repo_->Query(sql);
        EXPECT_EQ(out.rfind("Error: ", 0), 0u) << sql << " -> " << out;
        EXPECT_EQ(Lines(out).size(), 1u) << out;
    }
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
