// cpm-analyze against the real tools on the demo repository: its list output is the list file
// the main window saves after the same analysis, its exit statuses, and runs side by side.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "engine/SavedList.h"
#include "tests/app/Support.h"
#include "tests/e2e/Fixture.h"
#include "tests/report/Support.h"
#include "tests/support/ToolRunner.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace {

using Args = std::vector<std::string>;
using qvtest::ToolResult;

// The names of a directory's entries, sorted.
std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

class BatchEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        SetAppDirectories();
        // Each test starts as a user without settings.
        qv::SwitchToRegistry(qv::kCompanyKey);
        std::remove(qv::SettingsFilePath().c_str());
    }
    void TearDown() override {
        std::remove(qv::SettingsFilePath().c_str());
        qv::SwitchToProfile();
        EndToEnd::TearDown();
    }

    // A target project with a state and a package and no items at all.
    void ChangeRepository(e2e::DemoRepository& repo) override {
        repo.Exec(
            "INSERT INTO KESENVIRONMENT (ENVOBJID, ENVIRONMENTNAME) VALUES (990001, 'Empty')");
        repo.Exec(
            "INSERT INTO KESSTATE (STATEOBJID, ENVOBJID, STATENAME, STATEORDER) VALUES "
            "(990002, 990001, 'DEV', 1)");
        repo.Exec(
            "INSERT INTO KESPACKAGE (PACKAGEOBJID, ENVOBJID, STATEOBJID, PACKAGENAME) "
            "VALUES (990003, 990001, 990002, 'EM0001')");
    }

    // The analysis of the packages (the demo's PAY0001 and PAY0002 when none are given) of
    // Payroll/DEV into PayrollEU/DEV/EU0001, plus `more`.
    Args Analysis(Args more = {}, const Args& packages = {"PAY0001", "PAY0002"}) const {
        Args a = {"--broker",         "demo",      "--user",          e2e::kTester,
                  "--source-project", "Payroll",   "--source-state",  "DEV",
                  "--target-project", "PayrollEU", "--target-state",  "DEV",
                  "--target-package", "EU0001",    "--password-file", passwordFile_};
        for (const std::string& package : packages) a.insert(a.end(), {"--package", package});
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }
    // The arguments with one option's value replaced.
    static Args Replace(Args args, const std::string& option, const std::string& value) {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == option) args[i + 1] = value;
        return args;
    }
    ToolResult Batch(const Args& args) {
        qvtest::ScopedEnv tmp("TMPDIR", tmp_.path());
        return qvtest::RunTool("cpm-analyze", args);
    }

    // The desktop window on the headless host, loaded with the demo packages as a user would.
    std::unique_ptr<qv::CQuorvelDlg> Desktop() {
        auto w = std::make_unique<qv::CQuorvelDlg>(host_);
        host_.ShowModeless(*w);
        w->UserSetText(qv::IDC_BROKER, "demo");
        w->UserSetText(qv::IDC_USERID, e2e::kTester);
        w->UserSetText(qv::IDC_PASSWORD, e2e::kTesterPassword);
        host_.OnNextModal([](qv::Dialog& d) {
            e2e::SearchContext(d, "DEV", "EU0001");  // lists PAY0001 and PAY0002, both checked
            d.UserClick(qv::IDOK);
        });
        w->UserClick(qv::IDC_SET_CONTEXT);
        return w;
    }

    qvtest::TempDir tmp_;  // TMPDIR of the batch runs
    std::string passwordFile_ = work_ / "pw";
    bool written_ = qvtest::WriteFile(passwordFile_, std::string(e2e::kTesterPassword) + "\n");
};

TEST_P(BatchEndToEnd, ListOutputIsTheSavedListForEveryOption) {
    // A user who has used the desktop program before: the list's layout comes from the settings,
    // which titles column 6 "Package".
    ASSERT_TRUE(qv::WriteSettingInt("TopList", "ColumnCount", qv::kResultColumnCount));
    auto desktop = Desktop();
    ASSERT_TRUE(host_.boxes.empty()) << host_.boxes.front().text;
    ASSERT_EQ(desktop->ResultList().RowCount(), 26);
    const struct {
        const char* word;
        int index;
    } merges[] = {{"conservative", 0}, {"aggressive", 1}, {"take-trunk", 2}, {"take-branch", 3}},
      placements[] = {{"branch", 0}, {"trunk", 1}, {"trunk-or-branch", 2}};
    for (const auto& merge : merges) {
        for (const auto& placement : placements) {
            SCOPED_TRACE(std::string(merge.word) + " / " + placement.word);
            desktop->UserSelectCombo(qv::IDC_MERGE_OPTIONS, merge.index);
            desktop->UserSelectCombo(qv::IDC_PLACEMENT_OPTIONS, placement.index);
            desktop->UserClick(qv::IDC_RUN_CPM);
            desktop->UserClick(qv::IDC_SAVE_LIST);
            ASSERT_TRUE(host_.boxes.empty()) << host_.boxes.front().text;
            const std::string saved = qvtest::ReadFile(install_ / qv::kSavedListFileName);
            ASSERT_NE(saved, "");

            const ToolResult r = Batch(Analysis(
                {"--merge", merge.word, "--placement", placement.word, "--format", "list"}));
            EXPECT_EQ(r.exitCode, 1) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.out, saved);
            // The window asked the set statements; one statement per item gives the same.
            const ToolResult perItem =
                Batch(Analysis({"--merge", merge.word, "--placement", placement.word, "--format",
                                "list", "--queries", "per-item"}));
            EXPECT_EQ(perItem.out, saved) << perItem.err;
        }
    }
}

TEST_P(BatchEndToEnd, ExitStatusesAndMessages) {
    qvtest::WriteFile(work_ / "wrong", "not-the-password\n");
    const struct {
        const char* what;
        Args args;
        int exit;
        std::string message;  // in standard error; "" for none
    } cases[] = {
        {"demo packages", Analysis(), 1, ""},
        {"conflicts only", Analysis({"--conflicts-only"}), 1, ""},
        {"no conflict", Analysis({}, {"PAY0002"}), 0, ""},
        {"wrong password", Replace(Analysis(), "--password-file", work_ / "wrong"), 3,
         "Incorrect Login"},
        {"unknown broker", Replace(Analysis(), "--broker", "nowhere"), 3, "nowhere"},
        {"R-tagged source item", Replace(Analysis({}, {"PAY0003"}), "--source-state", "QA"), 3,
         "locked.cpp"},
        {"blank target package", Replace(Analysis(), "--target-package", ""), 3, "Target Package"},
        {"unknown package", Analysis({"--package", "PAY0999"}), 3, "PAY0999"},
        {"a source state without packages", Replace(Analysis(), "--source-state", "ARCHIVE"), 3,
         "Project 'Payroll', state 'ARCHIVE' holds no packages."},
        {"unknown source state", Replace(Analysis(), "--source-state", "TEST"), 3,
         "Project 'Payroll', state 'TEST' was not found"},
        {"misspelled target project", Replace(Analysis(), "--target-project", "PayrollXX"), 3,
         "Target project 'PayrollXX' not found"},
        {"unknown target state", Replace(Analysis(), "--target-state", "TEST"), 3,
         "Target state 'TEST' not found in project 'PayrollEU'"},
        {"unknown target package", Replace(Analysis(), "--target-package", "EU9999"), 3,
         "Target package 'EU9999' not found in project 'PayrollEU', state 'DEV'"},
        {"target package of another state", Replace(Analysis(), "--target-package", "EU0003"), 3,
         "Target package 'EU0003' not found"},
        {"a target without items: every item new",
         Replace(Replace(Analysis({}, {"PAY0002"}), "--target-project", "Empty"),
                 "--target-package", "EM0001"),
         0, ""},
        {"missing option", {"--broker", "demo"}, 2, "missing option: --user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ToolResult r = Batch(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << r.err;
        for (const std::string& line : qvtest::Lines(r.err))
            EXPECT_EQ(line.rfind("cpm-analyze: ", 0), 0u) << line;
        if (c.message.empty())
            EXPECT_EQ(r.err, "");
        else
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.exit >= 2) {
            EXPECT_EQ(r.out, "");
        } else if (c.exit == 1) {
            EXPECT_NE(r.out.find(" (E) "), std::string::npos);
        }
        EXPECT_EQ(r.out.find(e2e::kTesterPassword), std::string::npos);
        EXPECT_EQ(r.err.find(e2e::kTesterPassword), std::string::npos);
    }
    EXPECT_TRUE(Entries(tmp_.path()).empty());
}

// Past a file size limit a write fails like any other: status 3, a line naming what could not be
// written and the work directory removed, where the limit's signal ended the run (status 153).
TEST_P(BatchEndToEnd, WritesPastAFileSizeLimitEndTheRun) {
    const std::string trace = work_ / "run.trc";
    const struct {
        int blocks;  // of 1024 bytes
        Args more;
        std::string message;
    } cases[] = {
        {1, {}, "ksqlstmt.sql: File too large"},  // the statement file
        {3, {}, "RunKsql failed"},                // the result file ksql writes
        {7, {"--trace", trace}, "cannot write the trace file " + trace + ": File too large"},
    };
    qvtest::ScopedEnv tmp("TMPDIR", tmp_.path());
    for (const auto& c : cases) {
        Args args = Analysis(c.more);
        args.insert(args.begin(),
                    {"-c", "ulimit -f " + std::to_string(c.blocks) + ";exec \"$0\" \"$@\"",
                     qvtest::BinDir() + "/cpm-analyze"});
        const ToolResult r = qvtest::RunProgram("/bin/bash", args);
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("cpm-analyze: ", 0), 0u);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(qvtest::Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Entries(tmp_.path()).empty());
    }
}

TEST_P(BatchEndToEnd, ParallelRunsAgreeAndLeaveNothingBehind) {
    // A user with settings: the stored templates are used, nothing of the user's is written.
    const std::string settings = qv::RegistryFilePath(qv::kCompanyKey);
    ASSERT_TRUE(qv::WriteSettingText("Settings", "KsqlFmt", qv::kDefaultKsqlFmt));
    ASSERT_TRUE(qv::WriteSettingText("Settings", "TgtPackage", "EU0003"));
    const std::string before = qvtest::ReadFile(settings);
    const std::vector<std::string> configBefore = Entries(qv::ConfigDir());

    const Args args =
        Analysis({"--merge", "aggressive", "--placement", "trunk", "--format", "json", "--quiet"});
    ToolResult results[2];
    {
        qvtest::ScopedEnv tmp("TMPDIR", tmp_.path());
        std::thread second([&] { results[1] = qvtest::RunTool("cpm-analyze", args); });
        results[0] = qvtest::RunTool("cpm-analyze", args);
        second.join();
    }
    const ToolResult alone = Batch(args);
    for (const ToolResult& r : results) {
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.out, alone.out);
    }
    EXPECT_NE(alone.out.find("\"rows\": 26, \"conflicts\": 4"), std::string::npos) << alone.out;
    EXPECT_TRUE(Entries(tmp_.path()).empty());
    EXPECT_EQ(qvtest::ReadFile(settings), before);
    EXPECT_EQ(Entries(qv::ConfigDir()), configBefore);

    // A stored template that names no tool is taken too, so the analysis cannot run.
    ASSERT_TRUE(qv::WriteSettingText("Settings", "KsqlFmt",
                                     "no-such-ksql -b %s -usr %s -pw %s -t -f %s -o %s"));
    EXPECT_EQ(Batch(args).exitCode, 3);
}

TEST_P(BatchEndToEnd, AFailedStatementEndsTheRunWithoutAResult) {
    // A query tool that leaves no result for a statement holding $QV_FAIL_ON and answers the
    // others as ksql does.
    const std::string script = work_ / "flaky-ksql";
    ASSERT_TRUE(qvtest::WriteFile(script,
                                  "f=; prev=\nfor a; do [ \"$prev\" = -f ] && f=$a; "
                                  "prev=$a; done\ngrep -qF -- \"$QV_FAIL_ON\" \"$f\" && "
                                  "exit 1\nexec " +
                                      qvtest::BinDir() + "/ksql \"$@\"\n"));
    ASSERT_TRUE(qv::WriteSettingText("Settings", "KsqlFmt",
                                     "sh " + script + " -b %s -usr %s -pw %s -t -f %s -o %s"));
    const std::pair<const char*, const char*> cases[] = {
        {"KESPACKAGE.PACKAGENAME = 'PAY0002'", "1 repository statement failed during the loading"},
        {" AS PROJECTS, ", "Target RunKsql failed"},
        {"MIN(W.VIEWOBJID)", "repository statements failed during the analysis"},
        {"V.INBRANCH != 0", "repository statements failed during the analysis"},
    };
    for (const auto& [failOn, message] : cases) {
        SCOPED_TRACE(failOn);
        qvtest::ScopedEnv fail("QV_FAIL_ON", failOn);
        const ToolResult r = Batch(Analysis({"--placement", "branch"}));
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// Sets the tag of the latest version of payslip.cpp in the target project (it is "N").
void TagPayslip(e2e::DemoRepository& repo, const std::string& tag) {
    repo.Exec("UPDATE KESVERSIONS SET VERSIONSTATUS = '" + tag +
              "' WHERE VERSIONOBJID = (SELECT MAX(V.VERSIONOBJID) FROM KESVERSIONS V INNER JOIN "
              "KESPACKAGE P ON P.PACKAGEOBJID = V.PACKAGEOBJID INNER JOIN KESENVIRONMENT E ON "
              "E.ENVOBJID = P.ENVOBJID INNER JOIN KESITEMNAME N ON N.NAMEOBJID = V.ITEMNAMEID "
              "WHERE E.ENVIRONMENTNAME = 'PayrollEU' AND N.ITEMNAME = 'payslip.cpp')");
}

TEST_P(BatchEndToEnd, EveryRunClassifiesAgainstItsOwnRepository) {
    // One work directory for every run: the target data file it keeps never stands in for the
    // repository, whether that changed since, another broker is asked, or the file holds lines
    // that are not target records.
    const std::string dir = work_ / "kept";
    auto outcome = [&](const std::string& broker) {
        const ToolResult r =
            Batch(Replace(Analysis({"--placement", "branch", "--work-dir", dir, "--format", "tsv"}),
                          "--broker", broker));
        EXPECT_EQ(r.exitCode, 1) << r.err;
        for (const std::string& line : qvtest::Lines(r.out)) {
            if (line.rfind("payslip.cpp\t", 0) != 0) continue;
            size_t at = 0;
            for (int field = 0; field < 5; ++field) at = line.find('\t', at) + 1;
            return line.substr(at, line.find('\t', at) - at);  // "Merge Status"
        }
        return std::string("no row");
    };
    const std::string fresh = outcome("demo");
    ASSERT_EQ(fresh.find("(E)"), std::string::npos) << fresh;
    EXPECT_TRUE(qvtest::FileExists(dir + "/tgtpkgdata.save"));
    TagPayslip(*repo_, "R");
    EXPECT_NE(outcome("demo").find(" (E) Reserve Tag Exists"), std::string::npos);
    TagPayslip(*repo_, "N");
    {
        e2e::DemoRepository other("other", GetParam());
        TagPayslip(other, "R");
        EXPECT_NE(outcome("other").find(" (E) Reserve Tag Exists"), std::string::npos);
    }
    setenv("TESSARK_BROKERS", repo_->brokersFile().c_str(), 1);
    // Package search rows left by another program under the target's project and state.
    ASSERT_TRUE(qvtest::WriteFile(dir + "/tgtpkgdata.save",
                                  "PayrollEU\nDEV\nENVIRONMENTNAME\tSTATE\tPACKAGENAME\n"
                                  "PayrollEU\tDEV\tEU0001\n"));
    EXPECT_EQ(outcome("demo"), fresh);
}

// The output names the target project's items: a new file is the user's alone, whatever the
// umask, unless the repository file is shared with a group; a file that is there keeps its mode.
TEST_P(BatchEndToEnd, OutputIsTheUsersAloneUnlessTheRepositoryIsShared) {
    const bool file = GetParam() == e2e::Backend::Sqlite;
    const std::string out = work_ / "out.save", kept = work_ / "kept.save";
    ASSERT_TRUE(qvtest::WriteFile(kept, "old"));
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    const mode_t old = umask(022);
    struct Case {
        mode_t repository, expected;
    } const cases[] = {{0600, 0600}, {0640, file ? 0644u : 0600u}};
    for (const Case& c : cases) {
        if (file) {
            ASSERT_EQ(chmod(repo_->db().c_str(), c.repository), 0);
        }
        unlink(out.c_str());
        const ToolResult r = Batch(Analysis({"--output", out}));
        EXPECT_LE(r.exitCode, 1) << r.err;
        EXPECT_EQ(qvtest::FileMode(out), c.expected) << c.repository;
    }
    EXPECT_LE(Batch(Analysis({"--output", kept})).exitCode, 1);
    EXPECT_EQ(qvtest::FileMode(kept), 0640u);
    umask(old);
    if (file) chmod(repo_->db().c_str(), 0600);
}

// A list file with the outcomes of some items replaced, and the items of an empty outcome left out.
std::string EditedList(const std::string& list,
                       const std::vector<std::pair<std::string, std::string>>& outcomes) {
    std::string out;
    bool header = true;
    for (std::string line : qvtest::Lines(list)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells = qv::SplitListLine(line);
        if (!header && !cells.empty()) {
            for (const auto& [file, outcome] : outcomes)
                if (cells[0] == file) cells[5] = outcome;
            if (cells[5].empty()) continue;
        }
        out += header ? qv::ListHeaderLine(cells) : qv::ListDataLine(cells);
        header = false;
    }
    return out;
}

TEST_P(BatchEndToEnd, JunitOutputIsValidAndComparesWithAnEarlierList) {
    const ToolResult junit = Batch(Analysis({"--format", "junit"}));
    EXPECT_EQ(junit.exitCode, 1) << junit.err;
    ASSERT_EQ(qvtest::JunitSchemaErrors(junit.out), "") << junit.out;
    EXPECT_EQ(qvtest::XPath(junit.out,
                            "concat(/testsuites/@tests, ' ', /testsuites/@failures, "
                            "' ', count(//testsuite), ' ', //testsuite[2]/@name)"),
              "26 4 2 PAY0002");

    const ToolResult list = Batch(Analysis({"--format", "list"}));
    ASSERT_EQ(list.exitCode, 1) << list.err;
    const std::string old = work_ / "old.list";
    ASSERT_TRUE(qvtest::WriteFile(
        old, EditedList(list.out, {{"tax.cpp", "3 -> 5"},
                                   {"readme.txt", "1 -> 2 (E) Merge Tag Exists"},
                                   {"report.cpp", "6 -> 2.1.2  (U) Unmerged Exists"},
                                   {"zero.cpp", ""}})));
    const ToolResult compared = Batch(Analysis({"--format", "junit", "--compare", old}));
    EXPECT_EQ(compared.exitCode, 1) << compared.err;
    ASSERT_EQ(qvtest::JunitSchemaErrors(compared.out), "") << compared.out;
    EXPECT_EQ(qvtest::XPath(compared.out,
                            "concat(/testsuites/@failures, ' ', count(//system-out),"
                            " ', ', //testsuite[1]//property[@name='changes']/@value,"
                            " ', ', //testcase[@name='tax.cpp']/system-out)"),
              "4 4, new_conflict 1, resolved_conflict 1, target_version_changed 1, outcome_changed "
              "0, added 1, removed 0, new_conflict since " +
                  old + ": 3 -> 5 => 3 -> 5 (E) Merge Tag Exists");

    // The exit status follows the current result: no conflict now, though the list had some.
    const ToolResult clean = Batch(Analysis({"--compare", old}, {"PAY0002"}));
    EXPECT_EQ(clean.exitCode, 0) << clean.err;
    EXPECT_NE(clean.out.find(", removed 23\n"), std::string::npos) << clean.out;
    // An earlier prediction that cannot be read stops the run before it starts.
    for (const std::string& bad : {work_ / "missing.list", passwordFile_}) {
        const ToolResult r = Batch(Analysis({"--compare", bad}));
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(qvtest::Lines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    }
}

QV_E2E_ON_BOTH_BACKENDS(BatchEndToEnd);

}  // namespace
