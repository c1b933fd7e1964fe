// The reason behind every outcome of the demo repository, as cpm-analyze reports it in JSON and
// the desktop list shows it as the "Merge Status" tooltip, checked against the rules.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/Settings.h"
#include "tests/app/Support.h"
#include "tests/e2e/Fixture.h"
#include "tests/support/ToolRunner.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace {

using Args = std::vector<std::string>;

// A JSON string value of `name` within one row line of the json format; "<none>" when absent,
// "<null>" for null.
std::string JsonField(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const size_t at = line.find(key);
    if (at == std::string::npos) return "<none>";
    size_t i = at + key.size();
    if (line.compare(i, 4, "null") == 0) return "<null>";
    std::string out;
    for (++i; i < line.size() && line[i] != '"'; ++i) out += line[i] == '\\' ? line[++i] : line[i];
    return out;
}

class ReasonEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        SetAppDirectories();
        qv::SwitchToRegistry(qv::kCompanyKey);
        std::remove(qv::SettingsFilePath().c_str());
    }
    void TearDown() override {
        qv::SwitchToProfile();
        EndToEnd::TearDown();
    }

    // The JSON row line of every file of PAY0001 analysed into EU0001 with these options.
    std::map<std::string, std::string> Rows(const std::string& merge, const std::string& place) {
        const Args args = {"--broker",         "demo",        "--user",           e2e::kTester,
                           "--password-file",  passwordFile_, "--source-project", "Payroll",
                           "--source-state",   "DEV",         "--package",        "PAY0001",
                           "--target-project", "PayrollEU",   "--target-state",   "DEV",
                           "--target-package", "EU0001",      "--merge",          merge,
                           "--placement",      place,         "--format",         "json"};
        const qvtest::ToolResult r = qvtest::RunTool("cpm-analyze", args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        std::map<std::string, std::string> rows;
        for (const std::string& line : qvtest::Lines(r.out))
            if (line.find("\"file\": ") != std::string::npos) rows[JsonField(line, "file")] = line;
        return rows;
    }

    std::string passwordFile_ = work_ / "pw";
    bool written_ = qvtest::WriteFile(passwordFile_, std::string(e2e::kTesterPassword) + "\n");
};

TEST_P(ReasonEndToEnd, EveryOutcomeOfTheDemoHasTheReasonItsRuleGives) {
    struct Case {
        const char* file;
        const char* merge;
        const char* placement;
        const char* status;
        const char* outcome;  // the kind
        const char* target;   // target_version; "<null>" for none
        const char* rule;
        std::vector<std::pair<const char*, const char*>> facts;
        const char* says;  // a part of the sentence
    };
    // clang-format off
    const Case cases[] = {
        {"obsolete.cpp", "conservative", "branch", "4 (D) -> Src Ignored", "deleted", "<null>",
         "deleted_source", {{"source_tag", "D"}}, "tagged D (deleted)"},
        {"tax.cpp", "conservative", "branch", "3 -> 5 (E) Merge Tag Exists", "tag_exists", "5",
         "merge_tag_exists", {{"target_tag", "M"}, {"target_latest_version", "5"},
                              {"classification_rule", "merge_tag_exists"}, {"calculation_rule", "<none>"}},
         "merge tag (M)"},
        {"rates.h", "conservative", "trunk", "2 -> 5 (E) Reserve Tag Exists", "tag_exists", "5",
         "reserve_tag_exists", {{"target_tag", "R"}}, "reserve tag (R)"},
        {"report.cpp", "conservative", "branch", "6 -> 2.1.3  (U) Unmerged Exists", "unmerged",
         "2.1.3", "unmerged_branch", {{"in_target_package", "yes"}},
         "in the target package EU0001 that is not merged"},
        {"ledger.cpp", "conservative", "branch", "4 -> 2.2.3", "mapped", "2.2.3",
         "unmerged_branch", {{"target_package", "EU0002"}, {"in_target_package", "no"}},
         "next branch of trunk version 2, 2.2.3"},
        {"ledger.cpp", "conservative", "trunk", "4 -> 3 (M) Merge Tagged", "merge_tagged", "3",
         "unmerged_branch", {{"calculated_on", "trunk"}}, "next trunk version, 3, merge tagged"},
        {"ledger.cpp", "take-trunk", "trunk", "4 -> 3", "mapped", "3", "unmerged_branch",
         {{"merge_tag_dropped", "yes"}}, "Take Trunk Version takes that version without"},
        {"payslip.cpp", "conservative", "branch", "3 -> 4.2.1", "mapped", "4.2.1", "next_branch",
         {{"newest_first_branch", "3.1.1"}, {"target_latest_version", "4"}},
         "is 3.1.1, so the next branch is 4.2.1"},
        {"payslip.cpp", "conservative", "trunk", "3 -> 5  (M) Merge Tagged", "merge_tagged", "5",
         "next_trunk", {{"child_check", "passed"}, {"child_versions", ""},
                        {"classification_rule", "mapped"}, {"calculation_rule", "next_trunk"}},
         "makes version 5, merge tagged"},
        {"payslip.cpp", "take-trunk", "trunk", "3 -> 5 ", "mapped", "5", "next_trunk",
         {{"merge_tag_dropped", "yes"}}, "without the merge tag"},
        {"holiday.cpp", "conservative", "branch", "5 -> 2.1.1", "mapped", "2.1.1",
         "first_branch", {{"newest_first_branch", "none"}},
         "no first branch version of it is in view"},
        {"overtime.cpp", "conservative", "trunk", "3 -> 3 (M) Merge Tagged", "merge_tagged", "3",
         "unmerged_branch", {{"target_latest_version", "2.1.1"}},
         "of another package (EU0002)"},
        {"summary.cpp", "conservative", "branch", "5 -> 3.3.1", "mapped", "3.3.1",
         "unmerged_branch", {{"target_latest_version", "3.2.1"}},
         "next branch of trunk version 3"},
        {"dialog.cpp", "conservative", "branch", "2 -> x.3.1", "mapped", "x.3.1", "next_x_branch",
         {{"target_latest_version", "x.2.1"}}, "on x-branch 2"},
        {"dialog.cpp", "conservative", "trunk", "2 -> 0", "mapped", "0", "x_version_on_trunk",
         {}, "is an x version, not on the trunk"},
        {"dialog.cpp", "take-trunk", "branch", "2 -> Ignored for Take Trunk option", "ignored",
         "<null>", "ignored_take_trunk", {{"in_target_package", "no"}},
         "x-branch of package EU0002, not of the target package EU0001"},
        {"menu.cpp", "take-trunk", "branch", "3 -> x.3.1", "mapped", "x.3.1", "next_x_branch",
         {{"in_target_package", "yes"}}, "the next x-branch, x.3.1"},
        {"convert.c", "conservative", "branch", "2 -> x0.2.1", "mapped", "x0.2.1",
         "next_x_branch", {{"target_latest_version", "x3.1.1"}}, "the next x-branch, x0.2.1"},
        {"zero.cpp", "conservative", "trunk", "1 -> 0  Project item already exists",
         "already_exists", "0", "zero_on_trunk", {}, "already exists at version 0"},
        {"zero.cpp", "conservative", "branch", "1 -> 0  Project item already exists",
         "already_exists", "0", "zero_without_branch", {{"newest_first_branch", "none"}},
         "already exists at version 0"},
        {"xonly.cfg", "conservative", "trunk", "2 -> 0", "mapped", "0", "x_version_on_trunk",
         {{"target_latest_version", "x"}}, "arrives as version 0"},
        {"xonly.cfg", "conservative", "branch", "2 -> 0  Project item already exists",
         "already_exists", "0", "zero_without_branch", {}, "already exists at version 0"},
        {"bonus.cpp", "conservative", "branch", "2 -> x.3.1", "mapped", "x.3.1", "next_branch",
         {{"newest_first_branch", "x.2.1"}}, "is x.2.1, so the next branch is x.3.1"},
        {"bonus.cpp", "conservative", "trunk", "2 -> 2  (M) Merge Tagged", "merge_tagged", "2",
         "next_trunk", {}, "trunk version 1"},
        {"newscreen.cpp", "conservative", "branch", "1 -> x.1.1", "mapped", "x.1.1",
         "no_target_branch", {{"target_found", "no"}}, "has no item named newscreen.cpp"},
        {"newscreen.cpp", "conservative", "trunk", "1 -> 0", "mapped", "0", "no_target_trunk",
         {}, "arrives as version 0"},
        {"newscreen.cpp", "take-trunk", "branch", "1 -> ", "mapped", "<null>",
         "no_target_take_trunk", {}, "no target version"},
        {"readme.txt", "conservative", "trunk", "3 -> 5  (M) Merge Tagged", "merge_tagged", "5",
         "next_trunk", {{"target_tag", "D"}}, "trunk version 4"},
    };
    // clang-format on
    std::map<std::string, std::map<std::string, std::string>> runs;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.merge + " " + c.placement);
        auto& rows = runs[std::string(c.merge) + "/" + c.placement];
        if (rows.empty()) rows = Rows(c.merge, c.placement);
        const std::string& row = rows[c.file];
        EXPECT_EQ(JsonField(row, "status"), c.status);
        EXPECT_EQ(JsonField(row, "outcome"), c.outcome);
        EXPECT_EQ(JsonField(row, "target_version"), c.target);
        EXPECT_EQ(JsonField(row, "rule"), c.rule);
        for (const auto& [name, value] : c.facts) EXPECT_EQ(JsonField(row, name), value) << name;
        EXPECT_NE(JsonField(row, "why").find(c.says), std::string::npos) << JsonField(row, "why");
    }
}

// The desktop list shows the same reason as the tooltip of each row's "Merge Status" cell.
TEST_P(ReasonEndToEnd, TheDesktopListShowsTheReasonAsTheOutcomesTooltip) {
    const auto rows = Rows("conservative", "branch");
    qv::CQuorvelDlg w(host_);
    host_.ShowModeless(w);
    w.UserSetText(qv::IDC_BROKER, "demo");
    w.UserSetText(qv::IDC_USERID, e2e::kTester);
    w.UserSetText(qv::IDC_PASSWORD, e2e::kTesterPassword);
    host_.OnNextModal([](qv::Dialog& d) {
        qv::CReportCtrl& packages = e2e::SearchContext(d, "DEV", "EU0001").Packages();
        for (int r = 0; r < packages.RowCount(); ++r)  // PAY0001 alone
            if (packages.CellText(r, 0) == "PAY0002") packages.UserPress(r, true);
        d.UserClick(qv::IDOK);
    });
    w.UserClick(qv::IDC_SET_CONTEXT);
    qv::CReportCtrl& list = w.ResultList();
    for (int r = 0; r < list.RowCount(); ++r)
        EXPECT_EQ(list.CellToolTip(r, qv::kColMergeStatus), "");
    w.UserClick(qv::IDC_RUN_CPM);
    ASSERT_TRUE(host_.boxes.empty()) << host_.boxes.front().text;
    ASSERT_EQ(static_cast<size_t>(list.RowCount()), rows.size());
    for (int r = 0; r < list.RowCount(); ++r) {
        const std::string file = list.CellText(r, qv::kColFile);
        EXPECT_EQ(list.CellToolTip(r, qv::kColMergeStatus), JsonField(rows.at(file), "why"))
            << file;
    }
    // Narrowed to the conflicts and back, every row keeps its reason.
    for (int press = 0; press < 2; ++press) {
        w.UserClick(qv::IDC_LIST_CONFLICTS);
        ASSERT_EQ(list.RowCount(), press == 0 ? 4 : static_cast<int>(rows.size()));
        for (int r = 0; r < list.RowCount(); ++r)
            EXPECT_EQ(list.CellToolTip(r, qv::kColMergeStatus),
                      JsonField(rows.at(list.CellText(r, qv::kColFile)), "why"));
    }
    // An outcome written otherwise takes its tooltip away.
    list.SetCellText(0, qv::kColMergeStatus, "");
    EXPECT_EQ(list.CellToolTip(0, qv::kColMergeStatus), "");
}

QV_E2E_ON_BOTH_BACKENDS(ReasonEndToEnd);

}  // namespace
