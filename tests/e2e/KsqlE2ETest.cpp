// The query runner and its readers against the real ksql on a demo repository: every statement
// the analysis sends, filled the way the program fills it, must bring back the rows the demo data
// set is built to give.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>

#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "process/Launcher.h"
#include "scm/Kco.h"
#include "scm/Ksql.h"
#include "scm/Repository.h"
#include "scm/Sql.h"
#include "tests/e2e/Fixture.h"
#include "tests/e2e/Repository.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"
#include "tests/support/ToolRunner.h"
#include "tests/tools/Statements.h"

namespace {

using Values = std::vector<std::string>;
// Columns that one row of a result must hold: column number -> value.
using RowMatch = std::map<size_t, std::string>;

Values SplitTabs(const std::string& line) {
    Values fields;
    size_t from = 0;
    for (;;) {
        size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? tab : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

bool Matches(const Values& fields, const RowMatch& want) {
    for (const auto& [column, value] : want) {
        if (column >= fields.size() || fields[column] != value) return false;
    }
    return true;
}

std::string Describe(const RowMatch& want) {
    std::string text;
    for (const auto& [column, value] : want) {
        text += "[" + std::to_string(column) + "]=" + value + " ";
    }
    return text;
}

class KsqlEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        ctx_.host = &host_;
        ctx_.installDir = install_.path();
        ctx_.broker = "demo";
        ctx_.userId = e2e::kTester;
        ctx_.password = e2e::kTesterPassword;
        // No template: the default is taken (and kept), which finds the built tool.
    }

    // Runs the statement, which must reach the tool and leave a result.
    Values Run(const std::string& statement) {
        EXPECT_EQ(qv::RunKsql(ctx_, statement), 1) << statement;
        return qv::ReadValues(install_.path(), host_);
    }
    qv::FirstValue First() { return qv::ReadFirstValue(install_.path(), host_); }
    std::string Result() const { return qvtest::ReadFile(qv::KsqlResultPath(install_.path())); }
    // The object id of an item of the project, and of one of its versions.
    std::string ItemId(const std::string& project, const std::string& name,
                       const std::string& mapped = "") {
        return repo_->Scalar(
            std::string(mapped.empty() ? "SELECT MIN(V.ITEMOBJID)" : "SELECT V.VERSIONOBJID") +
            " FROM KESVERSIONS V JOIN KESITEMNAME N ON N.NAMEOBJID = V.ITEMNAMEID JOIN KESPACKAGE "
            "P ON P.PACKAGEOBJID = V.PACKAGEOBJID JOIN KESENVIRONMENT E ON E.ENVOBJID = P.ENVOBJID "
            "WHERE E.ENVIRONMENTNAME = '" +
            project + "' AND N.ITEMNAME = '" + name + "'" +
            (mapped.empty() ? "" : " AND V.MAPPEDVERSION = '" + mapped + "'"));
    }

    // The latest target version rows of PayrollEU by item name and path.
    std::map<std::string, Values> TargetRows() {
        std::map<std::string, Values> rows;
        for (const std::string& line :
             Run(qv::FormatStatement(qvtest::kTargetProjectItems, {"PayrollEU", "DEV"}))) {
            Values f = SplitTabs(line);
            rows[f[0] + " " + f[1]] = f;
        }
        return rows;
    }

    std::string ksqlFmt_;
    qv::KsqlContext ctx_{ksqlFmt_};
};

TEST_P(KsqlEndToEnd, AnalysisStatementsGiveTheDemoRows) {
    using qv::FormatStatement;
    using namespace qvtest;
    struct Case {
        const char* what;
        std::string statement;
        size_t rows;  // 0: the zero-results line
        size_t columns;
        std::vector<RowMatch> mustHave;
        std::vector<RowMatch> mustNotHave = {};
    };
    const std::string taxId = ItemId("Payroll", "tax.cpp");
    const std::string configId = ItemId("PayrollEU", "config.h");
    const std::vector<Case> cases = {
        {"package search of the source state",
         FormatStatement(kPackageSearch, {"Payroll", "DEV"}),
         2,
         3,
         {{{0, "Payroll"}, {1, "DEV"}, {2, "PAY0001"}}, {{2, "PAY0002"}}}},
        {"a state without packages gives one row with an empty package name",
         FormatStatement(kPackageSearch, {"Payroll", "ARCHIVE"}),
         1,
         3,
         {{{1, "ARCHIVE"}, {2, ""}}}},
        {"package search of the target's QA state",
         FormatStatement(kPackageSearch, {"PayrollEU", "QA"}),
         1,
         3,
         {{{0, "PayrollEU"}, {1, "QA"}, {2, "EU0003"}}}},
        {"package search of an unknown project",
         FormatStatement(kPackageSearch, {"Nope", "DEV"}),
         0,
         0,
         {}},
        {"items of PAY0001, each at its latest version in the package",
         FormatStatement(kSourcePackageItems, {"Payroll", "DEV", "PAY0001"}),
         25,
         11,
         {{{0, "tax.cpp"}, {1, "\\Payroll\\src\\calc"}, {2, "3"}, {3, "1"}, {4, "N"}, {10, taxId}},
          {{0, "obsolete.cpp"}, {2, "4"}, {4, "D"}},
          {{0, "util.cpp"}, {1, "\\Payroll\\src\\util"}, {2, "1.10.1"}},
          {{0, "pension.cpp"}, {2, "2.1.1"}},
          {{0, "calc"}, {2, "2"}, {3, "0"}},
          {{0, "Makefile"}, {1, "\\"}},
          {{0, "merged.cpp"}, {4, "M"}},
          {{0, "Release Notes.txt"}, {1, "\\Payroll\\doc"}, {2, "2"}}}},
        {"items of PAY0002",
         FormatStatement(kSourcePackageItems, {"Payroll", "DEV", "PAY0002"}),
         2,
         11,
         {{{0, "util.cpp"}, {2, "1.9.1"}}, {{0, "theme.css"}, {2, "1"}}}},
        {"the state only has to exist: QA still gives the DEV package's items",
         FormatStatement(kSourcePackageItems, {"Payroll", "QA", "PAY0001"}),
         25,
         11,
         {{{0, "tax.cpp"}, {2, "3"}}}},
        {"an R-tagged item's latest version",
         FormatStatement(kSourcePackageItems, {"Payroll", "DEV", "PAY0003"}),
         1,
         11,
         {{{0, "locked.cpp"}, {2, "3"}, {4, "R"}}}},
        {"items of a package of another project",
         FormatStatement(kSourcePackageItems, {"Payroll", "DEV", "EU0001"}),
         0,
         0,
         {}},
        {"latest versions of the target project",
         FormatStatement(kTargetProjectItems, {"PayrollEU", "DEV"}),
         26,
         29,
         {{{0, "report.cpp"}, {2, "2.1.3"}, {26, "EU0001"}, {27, "DEV"}, {28, "PayrollEU"}},
          {{0, "ledger.cpp"}, {2, "2.1.3"}, {26, "EU0002"}},
          {{0, "tax.cpp"}, {2, "5"}, {4, "M"}, {26, "EU0001"}},
          {{0, "rates.h"}, {2, "5"}, {4, "R"}, {26, "EU0002"}},
          // A version without a client path keeps the empty value in its place.
          {{0, "holiday.cpp"}, {2, "2"}, {4, "N"}, {19, ""}, {26, "EU0001"}},
          {{0, "readme.txt"}, {2, "4"}, {4, "D"}},
          {{0, "payslip.cpp"}, {2, "4"}, {10, "0"}},
          {{0, "convert.c"}, {2, "x3.1.1"}, {10, "1"}},
          {{0, "xonly.cfg"}, {2, "x"}},
          {{0, "config.h"}, {1, "\\Payroll\\include"}, {2, "3"}, {26, "EU0000"}, {27, "PROD"}},
          {{0, "config.h"}, {1, "\\Payroll\\src"}, {2, "1.1.1"}},
          {{0, "sepa.cpp"}, {2, "1.1.1"}, {26, "EU0003"}, {27, "QA"}}},
         {{{0, "newscreen.cpp"}}, {{0, "tax.cpp"}, {1, "\\Tools\\src"}}}},
        {"latest target version of an item name",
         FormatStatement(kLatestTargetVersion, {"PayrollEU", "DEV", "TAX.CPP"}),
         1,
         9,
         {{{0, "PayrollEU"},
           {1, "tax.cpp"},
           {2, "\\Payroll\\src\\calc"},
           {3, "5"},
           {4, "1"},
           {5, "M"},
           {6, "DEV"},
           {7, "EU0001"}}}},
        {"an item name held by two target items",
         FormatStatement(kLatestTargetVersion, {"PayrollEU", "DEV", "CONFIG.H"}),
         2,
         9,
         {{{0, "PayrollEU"},
           {1, "config.h"},
           {2, "\\Payroll\\include"},
           {3, "3"},
           {4, "1"},
           {5, "N"},
           {6, "PROD"},
           {7, "EU0000"},
           {8, configId}},
          {{2, "\\Payroll\\src"}, {3, "1.1.1"}, {6, "DEV"}}}},
        {"the name is compared in upper case",
         FormatStatement(kLatestTargetVersion, {"PayrollEU", "DEV", "tax.cpp"}),
         0,
         0,
         {}},
        {"the same name in a project that takes no part",
         FormatStatement(kLatestTargetVersion, {"Tools", "DEV", "TAX.CPP"}),
         1,
         9,
         {{{2, "\\Tools\\src"}, {3, "2"}, {7, "TL0001"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Values values = Run(c.statement);
        if (c.rows == 0) {
            EXPECT_EQ(Result(), "KSQL query has Zero results.\n");
            EXPECT_TRUE(values.empty());
            qv::FirstValue first = First();
            EXPECT_TRUE(first.found);
            EXPECT_EQ(first.value, qv::kKsqlZeroResults);
            continue;
        }
        ASSERT_EQ(values.size(), c.rows);
        // The header holds the names the readers look for.
        const std::string header = Result().substr(0, Result().find('\n'));
        EXPECT_NE(header.find(c.columns == 3 ? "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME"
                                             : "ITEMNAME\tPATHFULLNAME\t"),
                  std::string::npos)
            << header;
        for (const std::string& v : values) EXPECT_EQ(SplitTabs(v).size(), c.columns) << v;
        auto found = [&](const RowMatch& want) {
            return std::any_of(values.begin(), values.end(),
                               [&](const std::string& v) { return Matches(SplitTabs(v), want); });
        };
        for (const RowMatch& want : c.mustHave) EXPECT_TRUE(found(want)) << Describe(want);
        for (const RowMatch& want : c.mustNotHave) EXPECT_FALSE(found(want)) << Describe(want);
        // The first value is the first row; the header is never taken for one.
        EXPECT_EQ(First().value, values[0]);
    }
    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(ksqlFmt_, qv::kDefaultKsqlFmt);
    // Found next to the running program before any directory of PATH.
    EXPECT_EQ(qv::LastStart().program, qvtest::BinDir() + "/ksql");
}

TEST_P(KsqlEndToEnd, MappedVersionStatementsAnswerForKnownItems) {
    std::map<std::string, Values> target = TargetRows();
    const std::string view = repo_->Scalar(
        "SELECT W.VIEWOBJID FROM KESVIEW W JOIN KESSTATE S ON S.STATEOBJID = W.STATEOBJID "
        "JOIN KESENVIRONMENT E ON E.ENVOBJID = W.ENVOBJID "
        "WHERE E.ENVIRONMENTNAME = 'PayrollEU' AND S.STATENAME = 'DEV'");
    ASSERT_FALSE(view.empty());
    // Columns of a target row: 5 item, 6 version, 8 parent version.
    auto item = [&](const std::string& key) { return target.at(key).at(5); };
    auto version = [&](const std::string& key) { return target.at(key).at(6); };
    auto parent = [&](const std::string& key) { return target.at(key).at(8); };
    const std::string payslip = "payslip.cpp \\Payroll\\src\\calc";
    const std::string overtime = "overtime.cpp \\Payroll\\src\\calc";
    const std::string summary = "summary.cpp \\Payroll\\src\\report";
    const std::string dialog = "dialog.cpp \\Payroll\\src\\ui";
    const std::string bonus = "bonus.cpp \\Payroll\\src\\calc";
    const std::string holiday = "holiday.cpp \\Payroll\\src\\calc";

    using qv::FormatStatement;
    using qvtest::kChildVersions;
    using qvtest::kLatestBranchVersion;
    struct Case {
        const char* what;
        std::string statement;
        Values values;  // empty: zero results
    };
    const std::vector<Case> cases = {
        {"children of payslip's parent in the target view: its branch and its latest trunk",
         FormatStatement(kChildVersions, {parent(payslip), view}),
         {"3.1.1", "4"}},
        {"children of overtime's parent: one first branch version",
         FormatStatement(kChildVersions, {parent(overtime), view}),
         {"2.1.1"}},
        {"children of summary's parent: two branches",
         FormatStatement(kChildVersions, {parent(summary), view}),
         {"3.1.1", "3.2.1"}},
        {"the parent number used as the view finds no view",
         FormatStatement(kChildVersions, {parent(payslip), parent(payslip)}),
         {}},
        {"newest first branch version of payslip in the target view",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(payslip), view}),
         {"3.1.1"}},
        {"an item without branches",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(holiday), view}),
         {}},
        {"newest first branch version of summary",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(summary), view}),
         {"3.2.1"}},
        {"an x branch of dialog",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(dialog), view}),
         {"x.2.1"}},
        {"bonus: the x branches count, its trunk version does not",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(bonus), view}),
         {"x.2.1"}},
        {"the parent number used as the view finds no branch",
         FormatStatement(kLatestBranchVersion, {"ITEMOBJID", item(payslip), parent(payslip)}),
         {}},
        {"by parent version: nothing grows from the latest trunk version",
         FormatStatement(kLatestBranchVersion, {"PARENTVERSIONID", version(payslip), view}),
         {}},
        {"by parent version: the branch growing from version 3",
         FormatStatement(kLatestBranchVersion, {"PARENTVERSIONID", parent(payslip), view}),
         {"3.1.1"}},
        {"by parent version: the newer of two branches",
         FormatStatement(kLatestBranchVersion, {"PARENTVERSIONID", parent(summary), view}),
         {"3.2.1"}},
        {"children of an older version lie outside the view",
         FormatStatement(kChildVersions, {ItemId("PayrollEU", "payslip.cpp", "2"), view}),
         {}},
        {"project id",
         FormatStatement(qvtest::kProjectId, {"Tools"}),
         {repo_->Scalar("SELECT ENVOBJID FROM KESENVIRONMENT WHERE ENVIRONMENTNAME = 'Tools'")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Run(c.statement), c.values);
        qv::FirstValue first = First();
        EXPECT_TRUE(first.found);
        EXPECT_EQ(first.value, c.values.empty() ? std::string(qv::kKsqlZeroResults) : c.values[0]);
    }
    EXPECT_TRUE(host_.boxes.empty());
}

TEST_P(KsqlEndToEnd, ErrorLinesReachTheReaders) {
    const std::string versions = repo_->Scalar("SELECT COUNT(*) FROM KESVERSIONS");
    struct Case {
        const char* what;
        std::string statement;
        std::string broker, user, password;
        std::string expected;  // the whole first value, or its start when it ends with "*"
    };
    const std::vector<Case> cases = {
        {"bad SQL", "SELECT * FROM KESNOSUCH", "demo", e2e::kTester, e2e::kTesterPassword,
         GetParam() == e2e::Backend::Sqlite ? "Error: no such table: KESNOSUCH"
                                            : "Error: relation \"kesnosuch\" does not exist"},
        {"a statement that would change the repository", "DELETE FROM KESVERSIONS", "demo",
         e2e::kTester, e2e::kTesterPassword, "Error: *"},
        {"a refused login", "SELECT 1", "demo", e2e::kTester, "wrong",
         "Error: Incorrect Login for user 'qvtester' on broker 'demo'"},
        {"an unknown user", "SELECT 1", "demo", "nobody", e2e::kTesterPassword,
         "Error: Incorrect Login for user 'nobody' on broker 'demo'"},
        {"an unknown broker", "SELECT 1", "nosuchbroker", e2e::kTester, e2e::kTesterPassword,
         "Error: *"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::WriteFile(trace_, "");
        ctx_.broker = c.broker;
        ctx_.userId = c.user;
        ctx_.password = c.password;
        EXPECT_TRUE(Run(c.statement).empty());
        qv::FirstValue first = First();
        EXPECT_TRUE(first.found);
        if (!c.expected.empty() && c.expected.back() == '*') {
            EXPECT_EQ(first.value.rfind(c.expected.substr(0, c.expected.size() - 1), 0), 0u)
                << first.value;
        } else {
            EXPECT_EQ(first.value, c.expected);
        }
        // The runner itself says nothing: one trace line, the command, which carries no
        // password; the readers leave the message to their callers.
        EXPECT_TRUE(host_.boxes.empty());
        const Values trace = qvtest::TraceMessages(trace_);
        ASSERT_EQ(trace.size(), 1u);
        EXPECT_EQ(trace[0], "ksql -b " + c.broker + " -usr " + c.user + " -t -f " +
                                qv::KsqlStatementPath(install_.path()) + " -o " +
                                qv::KsqlResultPath(install_.path()));
    }
    EXPECT_EQ(repo_->Scalar("SELECT COUNT(*) FROM KESVERSIONS"), versions);
}

TEST_P(KsqlEndToEnd, PercentSignsAndQuotesReachTheToolUnchanged) {
    // A quoted name keeps its letter case, and the server folds unquoted names to lower case.
    const std::string quoted = GetParam() == e2e::Backend::Sqlite ? "\"ITEMNAME\"" : "\"itemname\"";
    const std::string statement =
        "SELECT ITEMNAME FROM KESITEMNAME WHERE ITEMNAME LIKE '%.c' AND ITEMNAME <> 'it''s' "
        "AND '%s%d' = '%' || 's%d' AND " +
        quoted + " IS NOT NULL";
    EXPECT_EQ(Run(statement), (Values{"convert.c"}));
    EXPECT_EQ(qvtest::ReadFile(qv::KsqlStatementPath(install_.path())), statement);
}

TEST_P(KsqlEndToEnd, LongValueIsReadAsTwoValues) {
    Values values =
        Run(GetParam() == e2e::Backend::Sqlite ? "SELECT printf('%.*c', 5000, 'x') AS LONGVALUE"
                                               : "SELECT repeat('x', 5000) AS LONGVALUE");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], std::string(qv::kResultReadSize, 'x'));
    EXPECT_EQ(values[1], std::string(5000 - qv::kResultReadSize, 'x'));
    EXPECT_EQ(First().value, values[0]);
}

TEST_P(KsqlEndToEnd, TwoProgramsOnOneInstallDirectoryEachReadTheirOwnResults) {
    if (GetParam() != e2e::Backend::Sqlite) GTEST_SKIP() << "the lock is the same on every backend";
    // Every answer names the process and the run; each reader in turn gives the lock back.
    auto runAll = [&] {
        qv::KsqlRepository repo(ctx_);
        int wrong = 0;
        for (int i = 0; i < 100; ++i) {
            const std::string mine = "p" + std::to_string(getpid()) + "-" + std::to_string(i);
            if (repo.Run("SELECT '" + mine + "' AS V") != qv::kKsqlOk) {
                ++wrong;
                continue;
            }
            const std::vector<std::string> lines = i % 3 == 0   ? Values{repo.First().value}
                                                   : i % 3 == 1 ? repo.Values()
                                                                : repo.Lines(100).lines;
            wrong += lines.empty() || lines.back() != mine;
        }
        return wrong;
    };
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) _exit(std::min(runAll(), 100));
    EXPECT_EQ(runAll(), 0);
    int status = -1;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(status, 0) << "the other program's wrong answers: " << WEXITSTATUS(status);
    EXPECT_TRUE(host_.boxes.empty());
}

// Names with single quotes, which end a string literal unless they are doubled.
class QuotedNamesEndToEnd : public KsqlEndToEnd {
protected:
    void ChangeRepository(e2e::DemoRepository& repo) override {
        repo.Exec(
            "UPDATE KESENVIRONMENT SET ENVIRONMENTNAME = 'Bob''s Tools' "
            "WHERE ENVIRONMENTNAME = 'Tools';"
            "UPDATE KESSTATE SET STATENAME = 'O''DEV' WHERE ENVOBJID = "
            "(SELECT ENVOBJID FROM KESENVIRONMENT WHERE ENVIRONMENTNAME = 'Bob''s Tools');"
            "UPDATE KESPACKAGE SET PACKAGENAME = 'TL''0001' WHERE PACKAGENAME = 'TL0001';"
            "UPDATE KESITEMNAME SET ITEMNAME = 'it''s.sh', ITEMNAMEUPPER = 'IT''S.SH' "
            "WHERE ITEMNAME = 'make.sh';");
    }
};

TEST_P(QuotedNamesEndToEnd, StatementsFindNamesWithQuotes) {
    using qv::FormatStatement;
    using namespace qvtest;
    struct Case {
        const char* what;
        const char* format;
        std::vector<std::string> args;
        size_t column;
        Values columnValues;  // the values of that column, row by row
    };
    const std::vector<Case> cases = {
        {"package search", kPackageSearch, {"Bob's Tools", "O'DEV"}, 2, {"TL'0001"}},
        {"items of the package",
         kSourcePackageItems,
         {"Bob's Tools", "O'DEV", "TL'0001"},
         0,
         {"tax.cpp", "it's.sh"}},
        {"latest versions of the project",
         kTargetProjectItems,
         {"Bob's Tools", "O'DEV"},
         0,
         {"tax.cpp", "it's.sh"}},
        {"latest version of an item name",
         kLatestTargetVersion,
         {"Bob's Tools", "O'DEV", "IT'S.SH"},
         1,
         {"it's.sh"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string statement;
        if (c.args.size() == 2) {
            statement = FormatStatement(c.format, {c.args[0], c.args[1]});
        } else {
            statement = FormatStatement(c.format, {c.args[0], c.args[1], c.args[2]});
        }
        Values got;
        for (const std::string& row : Run(statement)) got.push_back(SplitTabs(row).at(c.column));
        EXPECT_EQ(got, c.columnValues);
        // Inserted as they are, the same values break the statement.
        Run(FillFormat(c.format, c.args));
        EXPECT_EQ(First().value.rfind("Error: ", 0), 0u) << First().value;
    }
}

TEST_P(QuotedNamesEndToEnd, NamesWithQuotesAreCheckedOut) {
    const qv::KcoContext kco = KcoSettings("Bob's Tools", "O'DEV", "TL'0001");
    EXPECT_GT(qv::RunKco(kco, "\\Tools\\build", "it's.sh"), 0);
    EXPECT_TRUE(qvtest::FileExists(install_ / "Temp/Tools/build/it's.sh"));
    EXPECT_TRUE(host_.boxes.empty());
}

QV_E2E_ON_BOTH_BACKENDS(KsqlEndToEnd);
QV_E2E_ON_BOTH_BACKENDS(QuotedNamesEndToEnd);

}  // namespace
