// The analysis run against the real ksql on the demo repository: the items of PAY0001 analysed
// into EU0001 of PayrollEU with every merge option and every placement give the outcomes the
// demo data set is built to give (the table in tools/README.md).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Trace.h"
#include "scm/Ksql.h"
#include "scm/Sql.h"
#include "tests/e2e/Fixture.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/support/TempEnv.h"
#include "tests/tools/Statements.h"
#include "ui/MainWindow.h"

namespace {

using qv::CQuorvelDlg;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t from = 0;
    for (;;) {
        const size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? tab : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

std::string Strip(std::string text) {
    const std::string tag = " (M) Merge Tagged";
    for (size_t at; (at = text.find(tag)) != std::string::npos;) text.erase(at, tag.size());
    return text;
}

// What an item shows on a branch and on the trunk with the merging options; taking the trunk
// version (and, on the trunk, taking the branch version) drops the merge tag words unless an
// entry says otherwise. Empty: the table promises nothing for that case.
struct Expected {
    std::string branch;
    std::string trunk;
    std::string takeTrunkBranch = "=";  // "=": as `branch`
    std::string takeTrunkTrunk = "=";   // "=": Strip(trunk)

    std::string For(const std::string& merge, const std::string& placement) const {
        const bool onBranch = placement == qv::kBranchOnly;
        if (merge == qv::kTakeTrunkVersion) {
            if (onBranch) return takeTrunkBranch == "=" ? branch : takeTrunkBranch;
            return takeTrunkTrunk == "=" ? Strip(trunk) : takeTrunkTrunk;
        }
        if (onBranch) return branch;
        return merge == qv::kTakeBranchVersion ? Strip(trunk) : trunk;
    }
};

Expected All(const std::string& outcome) {
    return {outcome, outcome, outcome, outcome};
}

// Items of the demo data table by name. Items without a target are added from the list.
const std::map<std::string, Expected>& DemoTable() {
    static const std::map<std::string, Expected> table = {
        {"obsolete.cpp", All("4 (D) -> Src Ignored")},
        {"tax.cpp", All("3 -> 5 (E) Merge Tag Exists")},
        {"rates.h", All("2 -> 5 (E) Reserve Tag Exists")},
        {"report.cpp", All("6 -> 2.1.3  (U) Unmerged Exists")},
        {"ledger.cpp", {"4 -> 2.2.3", "4 -> 3 (M) Merge Tagged"}},
        // The branch search looks in the target project's view.
        {"payslip.cpp", {"3 -> 4.2.1", "3 -> 5  (M) Merge Tagged"}},
        {"holiday.cpp", {"5 -> 2.1.1", "5 -> 3  (M) Merge Tagged"}},
        {"overtime.cpp", {"3 -> 2.2.1", "3 -> 3 (M) Merge Tagged"}},
        {"summary.cpp", {"5 -> 3.3.1", "5 -> 4 (M) Merge Tagged"}},
        {"dialog.cpp",
         {"2 -> x.3.1", "2 -> 0", "2 -> Ignored for Take Trunk option",
          "2 -> Ignored for Take Trunk option"}},
        {"menu.cpp", {"3 -> x.3.1", "3 -> 0"}},
        {"convert.c", {"2 -> x0.2.1", "2 -> 0"}},
        {"zero.cpp", All("1 -> 0  Project item already exists")},
        {"xonly.cfg", {"2 -> 0  Project item already exists", "2 -> 0"}},
        {"bonus.cpp", {"2 -> x.3.1", "2 -> 2  (M) Merge Tagged"}},
        {"readme.txt", {"", "3 -> 5  (M) Merge Tagged"}},
    };
    return table;
}

// Items that the target project does not hold.
const char* const kWithoutTarget[] = {"newscreen.cpp", "merged.cpp", "Makefile",
                                      "Release Notes.txt"};

class AnalysisEndToEnd : public e2e::EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        SetAppDirectories();
    }

    // The window with the demo context and the items of PAY0001 in its list, every row checked.
    void Prepare(CQuorvelDlg& w) {
        host_.ShowModeless(w);
        w.Values().Broker = "demo";
        w.Values().UserId = e2e::kTester;
        w.Values().Password = e2e::kTesterPassword;
        w.Values().KsqlFmt = qv::kDefaultKsqlFmt;
        w.SelectedPackages().SetAt("PAY0001", qv::CPkgObj{"PAY0001", "1"});
        ASSERT_EQ(w.Repo().Run(qv::FormatStatement(qvtest::kSourcePackageItems,
                                                   {"Payroll", "DEV", "PAY0001"})),
                  qv::kKsqlOk);
        for (const std::string& line : w.Repo().Values()) {
            const std::vector<std::string> f = SplitTabs(line);
            ASSERT_EQ(f.size(), 11u) << line;
            qv::CFObj r{f[0], f[1], f[2], f[3], f[4],  "PAY0001", f[5],
                        f[6], f[7], f[8], f[9], f[10], "", ""};
            w.SourceItems().SetAt(r.itemObjId, r);
        }
        w.PostTopList();
        w.SetDlgItemText(qv::IDC_TGT_PROJECT, "PayrollEU");
        w.SetDlgItemText(qv::IDC_TGT_STATE, "DEV");
        w.SetDlgItemText(qv::IDC_TGT_PACKAGE, "EU0001");
    }

    static int RowOf(const CQuorvelDlg& w, const std::string& file) {
        for (int r = 0; r < w.ResultList().RowCount(); ++r)
            if (w.ResultList().CellText(r, qv::kColFile) == file) return r;
        return -1;
    }
};

QV_E2E_ON_BOTH_BACKENDS(AnalysisEndToEnd);

TEST_P(AnalysisEndToEnd, EveryDemoOutcomeWithEveryMergeOptionAndPlacement) {
    CQuorvelDlg w(host_);
    Prepare(w);
    ASSERT_GT(w.ResultList().RowCount(), 20);

    std::map<std::string, Expected> table = DemoTable();
    for (const char* name : kWithoutTarget) {
        const int row = RowOf(w, name);
        ASSERT_GE(row, 0) << name;
        const std::string s = w.ResultList().CellText(row, qv::kColVersion);
        table[name] = {s + " -> x.1.1", s + " -> 0", s + " -> ", s + " -> "};
    }

    for (const std::string& merge : qv::MergeOptionEntries()) {
        for (const std::string& placement : qv::PlacementOptionEntries()) {
            SCOPED_TRACE(merge + " / " + placement);
            ASSERT_GE(w.ComboSelectString(qv::IDC_MERGE_OPTIONS, -1, merge), 0);
            ASSERT_GE(w.ComboSelectString(qv::IDC_PLACEMENT_OPTIONS, -1, placement), 0);
            host_.ClearBoxes();
            w.OnBtnRunCPM();
            EXPECT_TRUE(host_.boxes.empty()) << host_.boxes.front().text;
            EXPECT_TRUE(w.TargetDataLoaded());
            EXPECT_EQ(w.GetDlgItemText(qv::IDC_RUN_CPM), "Cross Project Merge Analysis");
            for (const auto& [name, expected] : table) {
                const std::string want = expected.For(merge, placement);
                if (want.empty()) continue;
                const int row = RowOf(w, name);
                ASSERT_GE(row, 0) << name;
                EXPECT_EQ(w.ResultList().CellText(row, qv::kColMergeStatus), want) << name;
                EXPECT_EQ(w.ResultList().CellTextColor(row, qv::kColMergeStatus),
                          qv::StatusTextColor(want))
                    << name;
            }
        }
    }
}

// An item name held by two target items: the first one met in the target data decides.
TEST_P(AnalysisEndToEnd, TheFirstTargetItemOfANameDecides) {
    CQuorvelDlg w(host_);
    Prepare(w);
    w.OnBtnRunCPM();
    ASSERT_TRUE(w.TargetDataLoaded());
    std::string firstPath;
    std::string key;
    qv::CTFObj t;
    for (auto pos = w.TargetItems().GetStartPosition(); pos && firstPath.empty();) {
        w.TargetItems().GetNextAssoc(pos, key, t);
        if (t.itemName == "config.h") firstPath = t.pathFullName;
    }
    ASSERT_FALSE(firstPath.empty());
    bool traced = false;
    for (const std::string& line : qvtest::TraceMessages(trace_)) {
        if (line.rfind("Src: config.h ", 0) != 0) continue;
        traced = true;
        EXPECT_NE(line.find("Tgt: config.h " + firstPath + " "), std::string::npos) << line;
    }
    EXPECT_TRUE(traced);
}

}  // namespace
