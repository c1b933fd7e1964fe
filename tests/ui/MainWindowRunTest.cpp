// The analysis run of the main window on the headless host: the run over the checked rows, its
// stops and its Cancel, the search for problems, the run on one row, the target reload.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "host/headless/HeadlessHost.h"
#include "tests/app/Support.h"
#include "tests/support/FakeRepository.h"
#include "tests/support/TempEnv.h"
#include "ui/MainWindow.h"

namespace qv {
namespace {

constexpr char kRunCaption[] = "Cross Project Merge Analysis";
constexpr char kOld[] = "old outcome";

// A main window whose target data come from the test and whose mapped versions may be scripted.
class RunWindow : public CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;

    bool GetTargetPackageData() override {
        ++loads;
        if (!loadSucceeds) return false;
        TargetItems() = targets;
        SetTargetDataLoaded(true);
        return true;
    }
    MappedVersion CalculateMappedVersion(const CTFObj& target, bool onBranch) override {
        calculated.push_back(target.itemName);
        if (onCalculate) return onCalculate(target, onBranch);
        return CQuorvelDlg::CalculateMappedVersion(target, onBranch);
    }

    CMapStrToTFObj targets;
    bool loadSucceeds = true;
    int loads = 0;
    std::vector<std::string> calculated;
    std::function<MappedVersion(const CTFObj&, bool)> onCalculate;
};

// Records every text the status line shows.
class StatusRecorder : public DialogView {
public:
    explicit StatusRecorder(const Dialog& d) : dialog_(d) {}
    void ControlChanged(int id) override {
        if (id == IDC_STATUS) texts.push_back(dialog_.GetDlgItemText(id));
    }
    void TitleChanged() override {}
    void WindowEnabledChanged() override {}
    void FocusChanged(int) override {}
    void Ended(int) override {}
    std::vector<std::string> texts;

private:
    const Dialog& dialog_;
};

std::string File(int i) {
    return "f" + std::to_string(10 + i) + ".cpp";
}

CTFObj TargetFor(const std::string& name, const std::string& g, const std::string& tag = "N",
                 const std::string& package = "EU0002") {
    CTFObj t;
    t.itemName = name;
    t.pathFullName = "\\Payroll\\src";
    t.mappedVersion = g;
    t.versionStatus = tag;
    t.packageName = package;
    return t;
}

class MainWindowRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SwitchToRegistry(kCompanyKey);
        AppValues app;
        app.installDir = home_ / "install";
        app.provisionalInstallDir = app.installDir;
        app.traceFile = home_ / "Quorvel.trc";
        SetAppValues(app);
        SetTraceFile(app.traceFile);
        host_.ShowModeless(w_);
        w_.SetRepositoryForTesting(&repo_);
        w_.SelectedPackages().SetAt("PAY0001", CPkgObj{"PAY0001", "1"});
        w_.SetDlgItemText(IDC_TGT_PROJECT, "PayrollEU");
        w_.SetDlgItemText(IDC_TGT_STATE, "DEV");
        w_.SetDlgItemText(IDC_TGT_PACKAGE, "EU0001");
    }
    void TearDown() override {
        w_.SetRepositoryForTesting(nullptr);
        host_.DestroyModeless(w_);
        SwitchToProfile();
        SetTraceFile("");
        SetAppValues({});
    }

    // Fills the list with n rows f10.cpp, f11.cpp ... (in this order), every one checked and
    // showing kOld; tags by row.
    void Fill(int n, const std::map<int, std::string>& tags = {}) {
        for (int i = 0; i < n; ++i) {
            CFObj r;
            r.itemName = File(i);
            r.pathFullName = "\\Payroll\\src";
            r.mappedVersion = "3";
            r.versionStatus = tags.count(i) ? tags.at(i) : "N";
            r.packageName = "PAY0001";
            r.itemObjId = std::to_string(100 + i);
            r.result = kOld;
            w_.SourceItems().SetAt(r.itemObjId, r);
        }
        w_.PostTopList();
    }
    void AddTarget(const CTFObj& t) { w_.targets.SetAt(std::to_string(w_.targets.GetCount()), t); }

    std::string Cell(int row) const { return w_.ResultList().CellText(row, kColMergeStatus); }
    std::vector<std::string> Cells() const {
        std::vector<std::string> out;
        for (int r = 0; r < w_.ResultList().RowCount(); ++r) out.push_back(Cell(r));
        return out;
    }
    // The messages of the trace file, without number and time stamp.
    std::vector<std::string> Trace() const {
        std::vector<std::string> out;
        for (const std::string& line : qvtest::Lines(qvtest::ReadFile(TheApp().traceFile))) {
            size_t at = 0;
            for (int fields = 0; fields < 3 && at != std::string::npos; ++fields)
                at = line.find(' ', at == 0 ? 0 : at + 1);
            out.push_back(at == std::string::npos ? line : line.substr(at + 1));
        }
        return out;
    }
    int TracedRows() const {
        int n = 0;
        for (const std::string& line : Trace()) n += line.rfind("Src: ", 0) == 0;
        return n;
    }
    // The window is back to idle.
    void ExpectIdle() const {
        EXPECT_EQ(w_.GetDlgItemText(IDC_RUN_CPM), kRunCaption);
        EXPECT_FALSE(w_.AnalysisRunning());
        for (int id : CQuorvelDlg::RunControlIds()) EXPECT_TRUE(w_.IsControlEnabled(id)) << id;
    }

    qvtest::TempDir home_;
    qvtest::ScopedEnv config_{"XDG_CONFIG_HOME", home_ / "config"};
    HeadlessHost host_;
    qvtest::FakeRepository repo_{host_};
    RunWindow w_{host_};
};

TEST_F(MainWindowRunTest, AnRTaggedRowStopsTheRunAndLeavesTheRowsBelowUntouched) {
    struct Case {
        int rows;
        int tagged;
        int scrolledTo;
    };
    const Case cases[] = {{10, 4, 7}, {10, 7, 7}, {10, 8, 8}, {10, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE("R at row " + std::to_string(c.tagged));
        w_.SourceItems().RemoveAll();
        host_.ClearBoxes();
        Fill(c.rows, {{c.tagged, "R"}});
        w_.OnBtnRunCPM();
        for (int r = 0; r < c.rows; ++r)
            EXPECT_EQ(Cell(r), r < c.tagged ? "3 -> x.1.1" : kOld) << r;
        ASSERT_EQ(host_.boxes.size(), 1u);
        EXPECT_EQ(host_.boxes[0].kind, MsgKind::Warning);
        EXPECT_EQ(host_.boxes[0].text,
                  "CPM Analysis Error: R tagged item found in Source item list\n\n" +
                      File(c.tagged) +
                      "\n\nCPM Analysis cannot continue until this item is corrected.");
        EXPECT_EQ(w_.ResultList().SelectedRow(), c.tagged);
        EXPECT_EQ(w_.ResultList().LastEnsuredVisibleRow(), c.scrolledTo);
        EXPECT_EQ(w_.GetFocusId(), IDC_RESULT_LIST);
        EXPECT_EQ(w_.Status(), kStatusReadyToRun);
        ExpectIdle();
    }
}

TEST_F(MainWindowRunTest, CancelFinishesTheRowBeingWorkedOnAndLeavesTheRest) {
    Fill(10);
    for (int i = 0; i < 10; ++i) AddTarget(TargetFor(File(i), "4"));
    const int k = 6;
    w_.onCalculate = [&](const CTFObj& t, bool) {
        // What the window looks like while a row is worked on.
        EXPECT_EQ(w_.GetDlgItemText(IDC_RUN_CPM), "Cancel");
        EXPECT_TRUE(w_.AnalysisRunning());
        for (int id : CQuorvelDlg::RunControlIds()) EXPECT_FALSE(w_.IsControlEnabled(id)) << id;
        if (t.itemName == File(k)) host_.Post([this] { w_.UserClick(IDC_RUN_CPM); });
        return MappedVersion{MappedStatus::Result, "7"};
    };
    w_.OnBtnRunCPM();
    for (int r = 0; r < 10; ++r) EXPECT_EQ(Cell(r), r <= k ? "3 -> 7" : kOld) << r;
    EXPECT_EQ(TracedRows(), k + 1);
    EXPECT_EQ(Trace().back(), "OnBtnRunCPM: Cancel Button pressed - END");
    EXPECT_EQ(w_.GetDlgItemText(IDC_PROCESSED_COUNT), "CPM Processed Row: 7");
    EXPECT_EQ(w_.Status(), kStatusReadyToRun);
    ExpectIdle();
}

TEST_F(MainWindowRunTest, ExitDuringARunStopsItAfterTheRowBeingWorkedOn) {
    Fill(5);
    for (int i = 0; i < 5; ++i) AddTarget(TargetFor(File(i), "4"));
    w_.onCalculate = [&](const CTFObj& t, bool) {
        if (t.itemName == File(1)) host_.Post([this] { w_.UserClick(IDC_EXIT); });
        return MappedVersion{MappedStatus::Result, "7"};
    };
    w_.OnBtnRunCPM();
    EXPECT_TRUE(w_.IsEnded());
    EXPECT_EQ(Cells(), (std::vector<std::string>{"3 -> 7", "3 -> 7", kOld, kOld, kOld}));
    EXPECT_EQ(Trace().back(), "OnBtnRunCPM: END");
    ExpectIdle();
}

TEST_F(MainWindowRunTest, TheListScrollsToTheFirstErrorElseUnmergedElseMergeTagged) {
    // Outcome kinds by row: E merge tag in the target, U unmerged in the target package, M merge
    // tagged, . an ordinary result.
    struct Case {
        const char* rows;
        int scrolledTo;  // -1: no problem, the list stays at the last row classified
    };
    const Case cases[] = {
        {"U.E..M....", 5},  // the first (E), three rows below it
        {"M.....U...", 9},  // no (E): the first (U)
        {"....M....M", 7},  // only (M)
        {"........EU", 8},  // a problem in the last three rows is scrolled to directly
        {"..........", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        w_.SourceItems().RemoveAll();
        w_.targets.RemoveAll();
        w_.SetTargetDataLoaded(false);
        const int n = static_cast<int>(std::string(c.rows).size());
        Fill(n);
        std::map<std::string, char> kinds;
        for (int i = 0; i < n; ++i) {
            kinds[File(i)] = c.rows[i];
            AddTarget(TargetFor(File(i), "4", c.rows[i] == 'E' ? "M" : "N",
                                c.rows[i] == 'U' ? "EU0001" : "EU0002"));
        }
        w_.onCalculate = [&](const CTFObj& t, bool) {
            const char kind = kinds[t.itemName];
            return MappedVersion{MappedStatus::Result, kind == 'U'   ? "2.1.3 (U)"
                                                       : kind == 'M' ? "5 (M)"
                                                                     : "4.1.1"};
        };
        StatusRecorder status(w_);
        w_.AttachView(&status);
        w_.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, kBranchOnly);
        w_.OnBtnRunCPM();
        w_.AttachView(nullptr);
        EXPECT_EQ(w_.ResultList().LastEnsuredVisibleRow(), c.scrolledTo < 0 ? n - 1 : c.scrolledTo);
        ASSERT_GE(status.texts.size(), 2u);
        EXPECT_EQ(status.texts[status.texts.size() - 2], " Searching for problems...");
        EXPECT_EQ(status.texts.back(), kStatusReadyToRun);
        EXPECT_EQ(Trace().back(), "OnBtnRunCPM: END");
        ExpectIdle();
    }
}

TEST_F(MainWindowRunTest, UncheckedRowsAndTheRowsOfABlankListCountAsNotChecked) {
    // Rows 1 and 3 unchecked: emptied, not classified.
    Fill(5);
    AddTarget(TargetFor(File(1), "4"));
    w_.ResultList().SetRowChecked(1, false);
    w_.ResultList().SetRowChecked(3, false);
    w_.OnBtnRunCPM();
    EXPECT_EQ(Cells(),
              (std::vector<std::string>{"3 -> x.1.1", "", "3 -> x.1.1", "", "3 -> x.1.1"}));
    EXPECT_TRUE(w_.calculated.empty());
    EXPECT_EQ(TracedRows(), 3);

    // A blank list whose rows were all flagged by Select All: nothing is classified, and the
    // status passes through the search to the ready text.
    w_.ClearList();
    if (!w_.SelectAllState()) w_.SelectAll();
    ASSERT_TRUE(w_.SelectAllState());
    for (int r = 0; r < kBlankListRows; ++r) ASSERT_FALSE(w_.ResultList().IsRowChecked(r));
    StatusRecorder status(w_);
    w_.AttachView(&status);
    w_.OnBtnRunCPM();
    w_.AttachView(nullptr);
    EXPECT_EQ(TracedRows(), 3);
    EXPECT_EQ(Cells(), std::vector<std::string>(kBlankListRows, ""));
    EXPECT_EQ(status.texts,
              (std::vector<std::string>{" Running CPM Analysis...", " Searching for problems...",
                                        kStatusReadyToRun}));
    ExpectIdle();
}

TEST_F(MainWindowRunTest, TheTargetDataAreLoadedAgainOnlyWhenATargetBoxChanged) {
    Fill(2);
    struct Step {
        const char* what;
        int box;  // 0: change nothing
        const char* text;
        int loads;  // loads so far
    };
    const Step steps[] = {
        {"the first run loads", 0, "", 1},
        {"an unchanged target does not", 0, "", 1},
        {"a changed package does", IDC_TGT_PACKAGE, "EU0002", 2},
        {"a changed state does", IDC_TGT_STATE, "QA", 3},
        {"a changed project does", IDC_TGT_PROJECT, "Payroll", 4},
        {"the same texts again do not", IDC_TGT_PROJECT, "Payroll", 4},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.box) w_.SetDlgItemText(s.box, s.text);
        w_.OnBtnRunCPM();
        EXPECT_EQ(w_.loads, s.loads);
        EXPECT_TRUE(w_.TargetDataLoaded());
    }
    EXPECT_EQ(w_.Values().TgtProject, "Payroll");
    EXPECT_EQ(w_.Values().TgtState, "QA");
    EXPECT_EQ(w_.Values().TgtPackage, "EU0002");
    const std::vector<std::string> trace = Trace();
    EXPECT_EQ(trace[trace.size() - 5],
              "OnBtnRunCPM: TgtProject: Payroll  State: QA  Package: EU0002");

    // A project changed while the state box is empty: the next run with the state back must
    // still load the new project's data.
    w_.SetDlgItemText(IDC_TGT_PROJECT, "PayrollEU");
    w_.SetDlgItemText(IDC_TGT_STATE, "");
    w_.OnBtnRunCPM();
    EXPECT_EQ(w_.loads, 4);
    w_.SetDlgItemText(IDC_TGT_STATE, "QA");
    w_.OnBtnRunCPM();
    EXPECT_EQ(w_.loads, 5);
}

TEST_F(MainWindowRunTest, EveryEarlyEndReturnsToIdleWithItsMessage) {
    struct Case {
        const char* what;
        std::function<void(RunWindow&)> arrange;
        std::vector<HeadlessHost::Box> boxes;
        const char* lastTrace;  // nullptr: not checked
        int focus;              // 0: not checked
    };
    const std::vector<Case> cases = {
        {"no source packages",
         [](RunWindow& w) { w.SelectedPackages().RemoveAll(); },
         {{MsgKind::Warning,
           "No Source Packages selected.\nPlease run the \"Set CMP Context\" button", ""}},
         "OnBtnRunCPM: No Source Packages selected",
         0},
        {"a list without rows",
         [](RunWindow& w) { w.ResultList().RemoveAllRows(); },
         {},
         "OnBtnRunCPM: END",
         0},
        {"no target project",
         [](RunWindow& w) { w.SetDlgItemText(IDC_TGT_PROJECT, ""); },
         {{MsgKind::Plain, "Target Project is required.", ""}},
         nullptr,
         IDC_TGT_PROJECT},
        {"no target state",
         [](RunWindow& w) { w.SetDlgItemText(IDC_TGT_STATE, ""); },
         {{MsgKind::Plain, "Target State is required.", ""}},
         nullptr,
         IDC_TGT_STATE},
        {"no target package",
         [](RunWindow& w) { w.SetDlgItemText(IDC_TGT_PACKAGE, ""); },
         {{MsgKind::Plain, "Target Package is required.", ""}},
         nullptr,
         IDC_TGT_PACKAGE},
        {"the target data cannot be loaded",
         [](RunWindow& w) { w.loadSucceeds = false; },
         {},
         "Error: Failed to get target package data.",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::WriteFile(TheApp().traceFile, "");
        host_.ClearBoxes();
        w_.SourceItems().RemoveAll();
        Fill(3);
        c.arrange(w_);
        w_.OnBtnRunCPM();
        ASSERT_EQ(host_.boxes.size(), c.boxes.size());
        for (size_t b = 0; b < c.boxes.size(); ++b) {
            EXPECT_EQ(host_.boxes[b].kind, c.boxes[b].kind);
            EXPECT_EQ(host_.boxes[b].text, c.boxes[b].text);
        }
        if (c.lastTrace) {
            EXPECT_EQ(Trace().back(), c.lastTrace);
        }
        if (c.focus) {
            EXPECT_EQ(w_.GetFocusId(), c.focus);
        }
        EXPECT_EQ(TracedRows(), 0);
        if (w_.ResultList().RowCount() > 0) {
            EXPECT_EQ(Cell(0), kOld);
        }
        EXPECT_EQ(w_.Status(), kStatusReadyToRun);
        ExpectIdle();
        // Restore what the case took away.
        w_.SelectedPackages().SetAt("PAY0001", CPkgObj{"PAY0001", "1"});
        w_.SetDlgItemText(IDC_TGT_PROJECT, "PayrollEU");
        w_.SetDlgItemText(IDC_TGT_STATE, "DEV");
        w_.SetDlgItemText(IDC_TGT_PACKAGE, "EU0001");
        w_.loadSucceeds = true;
    }
}

TEST_F(MainWindowRunTest, EachRowIsTracedAndCountedAndShowsItsPlaceholderFirst) {
    Fill(2);
    CTFObj t = TargetFor(File(0), "4", "N", "EU0002");
    t.pathFullName = "\\Payroll\\lib";
    AddTarget(t);
    w_.ComboSelectString(IDC_MERGE_OPTIONS, -1, kMergeAggressively);
    w_.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, kTrunkOnly);
    int paintsBefore = host_.paintPumps;
    w_.onCalculate = [&](const CTFObj&, bool onBranch) {
        EXPECT_FALSE(onBranch);
        EXPECT_EQ(Cell(0), "   ...");
        EXPECT_GT(host_.paintPumps, paintsBefore);
        return MappedVersion{MappedStatus::Result, "5 (M)"};
    };
    w_.OnBtnRunCPM();
    const std::vector<std::string> trace = Trace();
    std::vector<std::string> rows;
    for (const std::string& line : trace)
        if (line.rfind("Src: ", 0) == 0 || line.rfind("CPM Options", 0) == 0) rows.push_back(line);
    EXPECT_EQ(rows,
              (std::vector<std::string>{
                  "CPM Options: Merge Aggressively - Trunk Only",
                  "Src: f10.cpp \\Payroll\\src 3 N PAY0001   Tgt: f10.cpp \\Payroll\\lib 4 N "
                  "EU0002  \t\tResult: 1  3 -> 5  (M) Merge Tagged",
                  "Src: f11.cpp \\Payroll\\src 3 N PAY0001   Tgt:       \t\tResult: 2  3 -> 0",
              }));
    EXPECT_EQ(w_.ResultList().CellTextColor(0, kColMergeStatus), ColorMergeTagged);
    EXPECT_EQ(w_.ResultList().CellTextColor(1, kColMergeStatus), ColorResult);
    EXPECT_EQ(w_.GetDlgItemText(IDC_PROCESSED_COUNT), "CPM Processed Row: 2");
    // The target records of the window are not changed by the run.
    CTFObj stored;
    ASSERT_TRUE(w_.TargetItems().Lookup("0", stored));
    EXPECT_EQ(stored.result, "");
}

TEST_F(MainWindowRunTest, ARowWhoseStatementCannotBeWrittenStopsTheRun) {
    Fill(4);
    for (int i = 0; i < 4; ++i) AddTarget(TargetFor(File(i), "4"));
    w_.onCalculate = [&](const CTFObj& t, bool) {
        if (t.itemName == File(2)) return MappedVersion{MappedStatus::Abandoned, ""};
        return MappedVersion{MappedStatus::Result, "4.1.1"};
    };
    w_.OnBtnRunCPM();
    EXPECT_EQ(Cells(), (std::vector<std::string>{"3 -> 4.1.1", "3 -> 4.1.1", kOld, kOld}));
    EXPECT_EQ(w_.calculated.size(), 3u);
    EXPECT_EQ(TracedRows(), 2);
    ExpectIdle();
}

TEST_F(MainWindowRunTest, OneRowRunsFromTheContextMenuCheckedOrNot) {
    Fill(5, {{4, "R"}});
    w_.ResultList().SetRowChecked(1, false);
    // The menu entry acts on the focused row.
    w_.ResultList().SetRowFocused(1);
    host_.QueueMenuChoice(ID_RUN_CPM_ITEM);
    w_.UserContextMenu(IDC_RESULT_LIST, 5, 5);
    EXPECT_EQ(Cells(), (std::vector<std::string>{kOld, "3 -> x.1.1", kOld, kOld, kOld}));
    std::vector<std::string> trace = Trace();
    ASSERT_GE(trace.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(trace.end() - 5, trace.end()),
              (std::vector<std::string>{
                  "RunSelectedItemCPM: START",
                  "RunSelectedItemCPM: Tgt: Project: PayrollEU State: DEV Package: EU0001",
                  "RunSelectedItemCPM: Merge Conservatively - Branch Only",
                  "Src: f11.cpp \\Payroll\\src 3 N    Tgt:       \t\tResult: 2  3 -> x.1.1",
                  "RunSelectedItemCPM: END"}));
    EXPECT_EQ(w_.GetDlgItemText(IDC_PROCESSED_COUNT), "CPM Processed Row: 2");
    EXPECT_EQ(w_.Status(), kStatusReady);
    EXPECT_EQ(w_.GetDlgItemText(IDC_RUN_CPM), kRunCaption);

    // An R row: the warning, the row selected, no scroll past the end, the status back to Ready.
    w_.ResultList().SetRowSelected(0);
    const int ensured = w_.ResultList().LastEnsuredVisibleRow();
    w_.RunSelectedItemCPM(4);
    ASSERT_EQ(host_.boxes.size(), 1u);
    EXPECT_EQ(host_.boxes[0].kind, MsgKind::Warning);
    EXPECT_EQ(w_.ResultList().SelectedRow(), 4);
    EXPECT_EQ(w_.ResultList().LastEnsuredVisibleRow(), ensured);
    EXPECT_EQ(Cell(4), kOld);
    EXPECT_EQ(w_.Status(), kStatusReady);

    // No focused row: nothing happens.
    w_.ResultList().SetRowFocused(-1);
    const size_t lines = Trace().size();
    w_.OnRunSelectedItem();
    EXPECT_EQ(Trace().size(), lines);
}

// With no entry selected in an option list, the remembered option's text is used; a text
// outside the lists leaves the placeholder in the row.
TEST_F(MainWindowRunTest, AnOptionListWithoutSelectionUsesTheRememberedOption) {
    struct Case {
        const char* merge;
        const char* placement;
        const char* outcome;
    };
    const Case cases[] = {
        {"Take Trunk Version", "Branch Only", "3 -> "},
        {"Merge Aggressively", "Trunk or Branch", "3 -> 0"},
        {"Merge Later", "Branch Only", "   ..."},
        {"Merge Aggressively", "", "   ..."},
    };
    Fill(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.merge) + " / " + c.placement);
        w_.ComboSetCurSel(IDC_MERGE_OPTIONS, -1);
        w_.ComboSetCurSel(IDC_PLACEMENT_OPTIONS, -1);
        w_.Values().MergeOption = c.merge;
        w_.Values().PlacementOption = c.placement;
        w_.OnBtnRunCPM();
        EXPECT_EQ(Cell(0), c.outcome);
        EXPECT_EQ(Trace().back(), "OnBtnRunCPM: END");
        ExpectIdle();
    }
}

// The mapped versions of the production path come from the calculation over the repository.
TEST_F(MainWindowRunTest, TheRunAsksTheMappedVersionCalculation) {
    Fill(2);
    CTFObj trunk = TargetFor(File(0), "3");
    trunk.parentVersionId = "0";
    CTFObj branch = TargetFor(File(1), "5");
    branch.itemObjId = "77";
    AddTarget(trunk);
    AddTarget(branch);
    w_.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, kTrunkOnly);
    w_.ResultList().SetRowChecked(1, false);
    w_.OnBtnRunCPM();
    EXPECT_EQ(Cell(0), "3 -> 4  (M) Merge Tagged");
    // Branch placement: no branch found in the repository gives the first branch.
    w_.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, kBranchOnly);
    w_.RunSelectedItemCPM(1);
    EXPECT_EQ(Cell(1), "3 -> 5.1.1");
    EXPECT_FALSE(repo_.statements().empty());
}

}  // namespace
}  // namespace qv
