// The analysis run of the main window on the headless host: the run over the checked rows, its
// stops and its Cancel, the search for problems, the run on one row, the target reload.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/FakeRepository.h"
#include "tests/ui/WindowFixture.h"

namespace qv {
namespace {

using Strings = std::vector<std::string>;
constexpr char kRunCaption[] = "Cross Project Merge Analysis";
constexpr char kOld[] = "old outcome";

// A main window whose target data come from the test and whose mapped versions may be scripted.
class RunWindow : public qvtest::TargetLoadWindow {
public:
    using TargetLoadWindow::TargetLoadWindow;
    MappedVersion CalculateMappedVersion(const CTFObj& target, bool onBranch) override {
        calculated.push_back(target.itemName);
        if (onCalculate) return onCalculate(target, onBranch);
        return CQuorvelDlg::CalculateMappedVersion(target, onBranch);
    }

    std::vector<std::string> calculated;
    std::function<MappedVersion(const CTFObj&, bool)> onCalculate;
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

class MainWindowRunTest : public qvtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Start(w_);
        w_.SetRepositoryForTesting(&repo_);
        Arrange();
    }
    void TearDown() override {
        w_.SetRepositoryForTesting(nullptr);
        host_.DestroyModeless(w_);
        WindowTest::TearDown();
    }
    // A source package, the target boxes filled and a target load that succeeds.
    void Arrange() {
        w_.SelectedPackages().SetAt("PAY0001", CPkgObj{"PAY0001", "1"});
        w_.SetDlgItemText(IDC_TGT_PROJECT, "PayrollEU");
        w_.SetDlgItemText(IDC_TGT_STATE, "DEV");
        w_.SetDlgItemText(IDC_TGT_PACKAGE, "EU0001");
        w_.loadSucceeds = true;
    }
    // Fills the list with n rows f10.cpp, f11.cpp ... (in this order), every one checked and
    // showing kOld; tags by row.
    void FillRows(int n, const std::map<int, std::string>& tags = {}) {
        std::vector<CFObj> rows;
        for (int i = 0; i < n; ++i) {
            rows.push_back(qvtest::MakeRecord(File(i), kOld, std::to_string(100 + i), "PAY0001"));
            rows.back().versionStatus = tags.count(i) ? tags.at(i) : "N";
        }
        Fill(w_, rows);
    }
    void AddTarget(const CTFObj& t) { w_.targets.SetAt(std::to_string(w_.targets.GetCount()), t); }

    std::string Cell(int row) const { return w_.ResultList().CellText(row, kColMergeStatus); }
    Strings Cells() const {
        Strings out;
        for (int r = 0; r < w_.ResultList().RowCount(); ++r) out.push_back(Cell(r));
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

    qvtest::FakeRepository repo_{host_};
    RunWindow w_{host_};
};

TEST_F(MainWindowRunTest, AnRTaggedRowStopsTheRunAndLeavesTheRowsBelowUntouched) {
    struct Case {
        int rows, tagged, scrolledTo;
    };
    const Case cases[] = {{10, 4, 7}, {10, 7, 7}, {10, 8, 8}, {10, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE("R at row " + std::to_string(c.tagged));
        host_.ClearBoxes();
        FillRows(c.rows, {{c.tagged, "R"}});
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

// Cancel and Exit stop the run after the row being worked on; a row whose statement file cannot
// be written stops it before that row gets an outcome or a trace line. Exit closes the window at
// once, its line last in the trace, and leaves another instance of the program running.
TEST_F(MainWindowRunTest, ARunStopsAtTheRowWhereItIsCancelledExitedOrAbandoned) {
    // click 0: the row's statement cannot be written; done: rows given an outcome and traced.
    struct Case {
        const char* what;
        int rows, stopAt, click, done;
        const char* lastTrace;
        std::string unreached = kOld;  // the rows below the last one done
        std::string status = kStatusReadyToRun;
    };
    const Case cases[] = {
        {"Cancel", 10, 6, IDC_RUN_CPM, 7, "OnBtnRunCPM: Cancel Button pressed - END", "",
         " CPM Analysis cancelled after row 7 of 10: the rows below it were not analysed"},
        {"an unwritable statement", 4, 2, 0, 2, nullptr},
        {"Exit, last as it ends the window", 5, 1, IDC_EXIT, 2, "Quorvel EXIT"},
    };
    for (int i = 0; i < 10; ++i) AddTarget(TargetFor(File(i), "4"));
    const qvtest::OtherInstance other(home_.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::WriteFile(TheApp().traceFile, "");
        FillRows(c.rows);
        w_.calculated.clear();
        w_.onCalculate = [&](const CTFObj& t, bool) {
            // What the window looks like while a row is worked on.
            EXPECT_EQ(w_.GetDlgItemText(IDC_RUN_CPM), "Cancel");
            EXPECT_TRUE(w_.AnalysisRunning());
            for (int id : CQuorvelDlg::RunControlIds()) EXPECT_FALSE(w_.IsControlEnabled(id)) << id;
            if (t.itemName == File(c.stopAt)) {
                if (!c.click) return MappedVersion{MappedStatus::Abandoned, ""};
                host_.Post([this, id = c.click] { w_.UserClick(id); });
            }
            return MappedVersion{MappedStatus::Result, "7"};
        };
        w_.OnBtnRunCPM();
        for (int r = 0; r < c.rows; ++r)
            EXPECT_EQ(Cell(r), r < c.done ? "3 -> 7" : c.unreached) << r;
        EXPECT_EQ(w_.calculated.size(), static_cast<size_t>(c.stopAt + 1));
        EXPECT_EQ(TracedRows(), c.done);
        if (c.lastTrace) {
            EXPECT_EQ(Trace().back(), c.lastTrace);
        }
        EXPECT_EQ(w_.IsEnded(), c.click == IDC_EXIT);
        EXPECT_EQ(w_.GetDlgItemText(IDC_PROCESSED_COUNT),
                  "CPM Processed Row: " + std::to_string(c.done));
        EXPECT_EQ(w_.Status(), c.status);
        ExpectIdle();
    }
    EXPECT_TRUE(other.Survived());
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
        w_.targets.RemoveAll();
        w_.SetTargetDataLoaded(false);
        const int n = static_cast<int>(std::string(c.rows).size());
        FillRows(n);
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
        qvtest::TextRecorder status(w_, IDC_STATUS);
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
    FillRows(5);
    AddTarget(TargetFor(File(1), "4"));
    w_.ResultList().SetRowChecked(1, false);
    w_.ResultList().SetRowChecked(3, false);
    w_.OnBtnRunCPM();
    EXPECT_EQ(Cells(), (Strings{"3 -> x.1.1", "", "3 -> x.1.1", "", "3 -> x.1.1"}));
    EXPECT_TRUE(w_.calculated.empty());
    EXPECT_EQ(TracedRows(), 3);

    // No row checked: a message, and every outcome stays.
    for (int r = 0; r < 5; ++r) w_.ResultList().SetRowChecked(r, false);
    host_.ClearBoxes();
    w_.OnBtnRunCPM();
    EXPECT_EQ(Cells(), (Strings{"3 -> x.1.1", "", "3 -> x.1.1", "", "3 -> x.1.1"}));
    EXPECT_EQ(BoxTexts(), Strings{"No rows are checked."});

    // A blank list whose rows were all flagged by Select All: the same.
    host_.ClearBoxes();
    w_.ClearList();
    if (!w_.SelectAllState()) w_.SelectAll();
    ASSERT_TRUE(w_.SelectAllState());
    for (int r = 0; r < kBlankListRows; ++r) ASSERT_FALSE(w_.ResultList().IsRowChecked(r));
    qvtest::TextRecorder status(w_, IDC_STATUS);
    w_.AttachView(&status);
    w_.OnBtnRunCPM();
    w_.AttachView(nullptr);
    EXPECT_EQ(TracedRows(), 3);
    EXPECT_EQ(Cells(), Strings(kBlankListRows, ""));
    EXPECT_EQ(status.texts, Strings{});  // never running
    EXPECT_EQ(w_.Status(), kStatusReadyToRun);
    EXPECT_EQ(BoxTexts(), Strings{"No rows are checked."});
    ExpectIdle();
}

TEST_F(MainWindowRunTest, EveryRunLoadsTheTargetDataOfTheBoxes) {
    // The repository may have changed between two runs, whatever the boxes say.
    FillRows(2);
    const std::pair<int, const char*> steps[] = {
        {0, ""},
        {0, ""},
        {IDC_TGT_PACKAGE, "EU0002"},
        {IDC_TGT_STATE, "QA"},
        {IDC_TGT_PROJECT, "Payroll"},
    };
    int loads = 0;
    for (const auto& [box, text] : steps) {
        SCOPED_TRACE(text);
        if (box) w_.SetDlgItemText(box, text);
        w_.OnBtnRunCPM();
        EXPECT_EQ(w_.targetLoads, ++loads);
        EXPECT_TRUE(w_.TargetDataLoaded());
    }
    EXPECT_EQ(w_.Values().TgtProject, "Payroll");
    EXPECT_EQ(w_.Values().TgtState, "QA");
    EXPECT_EQ(w_.Values().TgtPackage, "EU0002");
    const Strings trace = Trace();
    EXPECT_EQ(trace[trace.size() - 5],
              "OnBtnRunCPM: TgtProject: Payroll  State: QA  Package: EU0002");

    // An empty box stops the run before anything is loaded.
    w_.SetDlgItemText(IDC_TGT_STATE, "");
    w_.OnBtnRunCPM();
    EXPECT_EQ(w_.targetLoads, loads);
}

TEST_F(MainWindowRunTest, EveryEarlyEndReturnsToIdleWithItsMessage) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        MsgKind kind;
        const char* box;        // nullptr: none shown
        const char* lastTrace;  // nullptr: not checked
        int focus;              // 0: not checked
    };
    const auto blank = [this](int box) { return [this, box] { w_.SetDlgItemText(box, ""); }; };
    const std::vector<Case> cases = {
        {"no source packages", [this] { w_.SelectedPackages().RemoveAll(); }, MsgKind::Warning,
         "No Source Packages selected.\nPlease run the \"Set CMP Context\" button",
         "OnBtnRunCPM: No Source Packages selected", 0},
        {"a list without rows", [this] { w_.ResultList().RemoveAllRows(); }, MsgKind::Plain,
         nullptr, "OnBtnRunCPM: END", 0},
        {"no target project", blank(IDC_TGT_PROJECT), MsgKind::Plain, "Target Project is required.",
         nullptr, IDC_TGT_PROJECT},
        {"no target state", blank(IDC_TGT_STATE), MsgKind::Plain, "Target State is required.",
         nullptr, IDC_TGT_STATE},
        {"no target package", blank(IDC_TGT_PACKAGE), MsgKind::Plain, "Target Package is required.",
         nullptr, IDC_TGT_PACKAGE},
        {"the target data cannot be loaded", [this] { w_.loadSucceeds = false; }, MsgKind::Plain,
         nullptr, "Error: Failed to get target package data.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::WriteFile(TheApp().traceFile, "");
        host_.ClearBoxes();
        FillRows(3);
        c.arrange();
        w_.OnBtnRunCPM();
        EXPECT_EQ(BoxTexts(), c.box ? Strings{c.box} : Strings{});
        if (c.box) {
            EXPECT_EQ(host_.boxes[0].kind, c.kind);
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
        Arrange();  // restores what the case took away
    }
}

TEST_F(MainWindowRunTest, EachRowIsTracedAndCountedAndShowsItsPlaceholderFirst) {
    FillRows(2);
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
    const Strings trace = Trace();
    Strings rows;
    for (const std::string& line : trace)
        if (line.rfind("Src: ", 0) == 0 || line.rfind("CPM Options", 0) == 0) rows.push_back(line);
    EXPECT_EQ(rows,
              (Strings{
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

TEST_F(MainWindowRunTest, OneRowRunsFromTheContextMenuCheckedOrNot) {
    FillRows(5, {{4, "R"}});
    w_.ResultList().SetRowChecked(1, false);
    // The menu entry acts on the focused row.
    w_.ResultList().SetRowFocused(1);
    host_.QueueMenuChoice(ID_RUN_CPM_ITEM);
    w_.UserContextMenu(IDC_RESULT_LIST, 5, 5);
    EXPECT_EQ(Cells(), (Strings{kOld, "3 -> x.1.1", kOld, kOld, kOld}));
    Strings trace = Trace();
    ASSERT_GE(trace.size(), 5u);
    EXPECT_EQ(Strings(trace.end() - 5, trace.end()),
              (Strings{"RunSelectedItemCPM: START",
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
    const char* const cases[][3] = {
        // merge, placement, outcome
        {"Take Trunk Version", "Branch Only", "3 -> "},
        {"Merge Aggressively", "Trunk or Branch", "3 -> 0"},
        {"Merge Later", "Branch Only", "   ..."},
        {"Merge Aggressively", "", "   ..."},
    };
    FillRows(1);
    for (const auto& [merge, placement, outcome] : cases) {
        SCOPED_TRACE(std::string(merge) + " / " + placement);
        w_.ComboSetCurSel(IDC_MERGE_OPTIONS, -1);
        w_.ComboSetCurSel(IDC_PLACEMENT_OPTIONS, -1);
        w_.Values().MergeOption = merge;
        w_.Values().PlacementOption = placement;
        w_.OnBtnRunCPM();
        EXPECT_EQ(Cell(0), outcome);
        EXPECT_EQ(Trace().back(), "OnBtnRunCPM: END");
        ExpectIdle();
    }
}

// The mapped versions of the production path come from the calculation over the repository.
TEST_F(MainWindowRunTest, TheRunAsksTheMappedVersionCalculation) {
    FillRows(2);
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

// The settings key chooses how the run asks: the set statements before the rows, or one branch
// statement per row; the rows come out the same, and the trace says which it was.
TEST_F(MainWindowRunTest, TheSettingChoosesSetStatementsOrOneStatementPerRow) {
    const char kView[] = "MIN(W.VIEWOBJID)\n1021\n";
    const struct {
        const char* setting;
        Strings answers;
        size_t statements;
    } modes[] = {
        {"", {kView, "K\tID\tMV\tC\nI\t77\t5.3.1\t1\n"}, 2},
        {"PerItem", {kView, "MAPPEDVERSION\n5.3.1\n"}, 4},
    };
    Strings first;
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.setting);
        ASSERT_TRUE(WriteSettingText(kSectionSettings, kAnalysisQueriesKey, mode.setting));
        qvtest::FakeRepository repo(host_);
        w_.SetRepositoryForTesting(&repo);
        for (const std::string& answer : mode.answers) repo.Answer(answer);
        FillRows(3);
        w_.targets.RemoveAll();
        for (int i = 0; i < 3; ++i) {
            CTFObj t = TargetFor(File(i), "5");
            t.itemObjId = std::to_string(77 + i);
            AddTarget(t);
        }
        w_.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, kBranchOnly);
        w_.OnBtnRunCPM();
        EXPECT_EQ(repo.statements().size(), mode.statements);
        const Strings cells = {Cell(0), Cell(1), Cell(2)};
        EXPECT_NE(cells[0].find("5.4.1"), std::string::npos) << cells[0];
        if (first.empty()) first = cells;
        EXPECT_EQ(cells, first);
        const Strings trace = Trace();
        EXPECT_EQ(std::count(trace.begin(), trace.end(),
                             std::string("CPM Queries: ") + (*mode.setting ? "PerItem" : "Bulk")),
                  1);
        w_.SetRepositoryForTesting(&repo_);
    }
}

}  // namespace
}  // namespace qv
