#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "process/Launcher.h"
#include "tests/helpers/ProbeSupport.h"
#include "tests/ui/WindowFixture.h"
#include "ui/MainWindowTemplate.h"
#include "ui/RegSettingsDlg.h"

namespace qv {
namespace {

using qvtest::Lines;
using qvtest::ReadFile;

// A source record with the fields the list colours and sorts by.
CFObj Record(const std::string& name, const std::string& result, const std::string& tag = "",
             const std::string& id = "") {
    CFObj r = qvtest::MakeRecord(name, result, id.empty() ? "id-" + name : id);
    r.versionStatus = tag;
    return r;
}

void Put(CMapStrToFObj& items, const CFObj& r) {
    items.SetAt(r.itemObjId, r);
}

// A main window whose later actions are recorded.
class RecordingWindow : public CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    void OnRunSelectedItem() override { actions.push_back(ID_RUN_CPM_ITEM); }
    void OnOpenCrystalEdit() override { actions.push_back(ID_OPEN_CRYSTALEDIT); }
    void OnOpenHexViewer() override { actions.push_back(ID_OPEN_HEXVIEWER); }
    void OnOpenDefaultAssoc() override { actions.push_back(ID_OPEN_DEFAULT_ASSOC); }
    void OnWinDiffLatest() override { actions.push_back(ID_WINDIFF_LATEST); }
    std::vector<int> actions;
};

class MainWindowTest : public qvtest::WindowTest {
protected:
    static std::vector<std::string> Column(const CQuorvelDlg& w, int column) {
        std::vector<std::string> out;
        for (int r = 0; r < w.ResultList().RowCount(); ++r)
            out.push_back(w.ResultList().CellText(r, column));
        return out;
    }
    static bool IsBlank(const CQuorvelDlg& w) {
        const CReportCtrl& list = w.ResultList();
        if (list.RowCount() != kBlankListRows || list.CheckBoxesShown()) return false;
        for (int r = 0; r < list.RowCount(); ++r)
            for (int c = 0; c < list.ColumnCount(); ++c)
                if (!list.CellText(r, c).empty()) return false;
        return true;
    }
};

TEST_F(MainWindowTest, ColumnLayoutIsTheDefaultOrTheStoredOne) {
    struct Case {
        const char* name;
        int storedCount;   // -1: no ColumnCount stored
        int storedWidths;  // keys "0" ... stored with width 100 + i
        int columns;
        std::string title6;
        std::vector<int> widths;  // of the first columns
    };
    const std::vector<Case> cases = {
        {"nothing stored", -1, 0, 14, "Src Package", {175, 250, 50, 40, 30, 215, 150, 60}},
        {"count 0", 0, 14, 14, "Src Package", {175, 250, 50}},
        {"all fourteen", 14, 14, 14, "Package", {100, 101, 102, 103, 104, 105, 106, 107}},
        {"fewer than known", 3, 1, 14, "Package", {100, 45, 45, 40, 30, 215, 150, 60}},
        {"more than known", 40, 14, 14, "Package", {100, 101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(SettingsFilePath().c_str());
        if (c.storedCount >= 0) WriteSettingInt(kSectionTopList, "ColumnCount", c.storedCount);
        for (int i = 0; i < c.storedWidths; ++i)
            WriteSettingInt(kSectionTopList, std::to_string(i), 100 + i);
        CQuorvelDlg w(host_);
        Start(w);
        const CReportCtrl& list = w.ResultList();
        ASSERT_EQ(list.ColumnCount(), c.columns);
        EXPECT_EQ(list.ColumnTitle(0), "File");
        EXPECT_EQ(list.ColumnTitle(6), c.title6);
        for (size_t i = 0; i < c.widths.size(); ++i) EXPECT_EQ(list.ColumnWidth(i), c.widths[i]);
        if (c.columns == 14 && c.storedCount < 14) {
            EXPECT_EQ(list.ColumnWidth(kColItemObjId), 0);
            EXPECT_EQ(list.ColumnWidth(kColRecord), 0);
            EXPECT_EQ(list.ColumnTitle(kColRecord), "Record");
        }
    }
}

TEST_F(MainWindowTest, StartupShowsTheStoredValuesAndABlankList) {
    std::string password = "s3cret pw";
    ScramblePassword(password);
    WriteSettingText(kSectionSettings, "Pswd", password);
    WriteSettingText(kSectionSettings, "Broker", "brk1");
    WriteSettingText(kSectionSettings, "UserId", "ann");
    WriteSettingText(kSectionSettings, "SrcProject", "Payroll");
    WriteSettingText(kSectionSettings, "TgtPackage", "PKG-9");

    CQuorvelDlg w(host_);
    EXPECT_FALSE(w.IsInitialized());
    Start(w);
    EXPECT_EQ(w.GetDlgItemText(IDC_BROKER), "brk1");
    EXPECT_EQ(w.GetDlgItemText(IDC_USERID), "ann");
    EXPECT_EQ(w.GetDlgItemText(IDC_PASSWORD), "s3cret pw");
    EXPECT_EQ(w.GetDlgItemText(IDC_SRC_PROJECT), "Payroll");
    EXPECT_EQ(w.GetDlgItemText(IDC_TGT_PACKAGE), "PKG-9");
    EXPECT_EQ(w.GetTitle(), "Quorvel 1.07 - Quorvel");
    EXPECT_EQ(w.Status(), " Enter Broker and credentials then click Set Context button to begin.");
    ASSERT_EQ(w.SystemMenu().size(), 2u);
    EXPECT_EQ(w.SystemMenu()[0].command, 0);
    EXPECT_EQ(w.SystemMenu()[1].command, 16);
    EXPECT_EQ(w.SystemMenu()[1].text, "&About Quorvel...");

    const CReportCtrl& list = w.ResultList();
    EXPECT_EQ(list.NotifyId(), 1090);
    EXPECT_TRUE(list.GridLinesShown());
    EXPECT_TRUE(IsBlank(w));
    EXPECT_FALSE(w.AnalysisRunning());
    EXPECT_FALSE(w.TargetDataLoaded());
    EXPECT_FALSE(w.SelectAllState());
    EXPECT_EQ(w.SourceItems().GetCount(), 0);

    // The password never reaches the trace.
    const std::vector<std::string> trace = Trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "Broker=brk1  Userid=ann  Pswd=**********"),
              trace.end());
    EXPECT_EQ(ReadFile(TheApp().traceFile).find("s3cret"), std::string::npos);
}

TEST_F(MainWindowTest, TheStoredOptionsSelectTheFirstEntryTheyBegin) {
    struct Case {
        std::optional<std::string> merge, placement;
        std::string mergeShown, placementShown;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, "Merge Conservatively", "Branch Only"},
        {"Take Trunk Version", "Trunk Only", "Take Trunk Version", "Trunk Only"},
        {"take branch", "trunk or", "Take Branch Version", "Trunk or Branch"},
        {"TAKE", "trunk", "Take Trunk Version", "Trunk Only"},
        {"", "", "Merge Conservatively", "Branch Only"},
        // A stored text that begins no entry selects the first entry.
        {"Merge Carefully", "Anywhere", "Merge Conservatively", "Branch Only"},
        {"Take Branch Version please", "Branch Only!", "Merge Conservatively", "Branch Only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mergeShown + " / " + c.placementShown);
        unlink(SettingsFilePath().c_str());
        if (c.merge) WriteSettingText(kSectionSettings, "MergeOption", *c.merge);
        if (c.placement) WriteSettingText(kSectionSettings, "PlacementOption", *c.placement);
        CQuorvelDlg w(host_);
        Start(w);
        EXPECT_EQ(w.ComboGetCount(IDC_MERGE_OPTIONS), 4);
        EXPECT_EQ(w.ComboGetCount(IDC_PLACEMENT_OPTIONS), 3);
        EXPECT_EQ(w.SelectedMergeOption(), c.mergeShown);
        EXPECT_EQ(w.SelectedPlacementOption(), c.placementShown);
    }
}

TEST_F(MainWindowTest, FillingShowsProgressThenSortedCheckedRows) {
    CQuorvelDlg w(host_);
    Start(w);
    for (int k = 0; k < 2500; ++k) {
        char name[32];
        snprintf(name, sizeof name, "f%05d.c", (k * 7919) % 2500);
        Put(w.SourceItems(), Record(name, k % 2 ? "3 -> 4" : "", "", std::to_string(k)));
    }
    qvtest::TextRecorder counter(w, IDC_ROW_COUNT, &host_.paintPumps);
    w.AttachView(&counter);
    w.PostTopList();
    w.AttachView(nullptr);

    EXPECT_EQ(counter.texts, (std::vector<std::string>{"0", "1000", "2000", "2500"}));
    // Every step of the counter is drawn before the fill goes on to the next one.
    ASSERT_EQ(counter.pumpsBefore.size(), 4u);
    for (size_t i = 1; i < counter.pumpsBefore.size(); ++i)
        EXPECT_GT(counter.pumpsBefore[i], counter.pumpsBefore[i - 1]) << counter.texts[i - 1];
    const CReportCtrl& list = w.ResultList();
    ASSERT_EQ(list.RowCount(), 2500);
    const std::vector<std::string> files = Column(w, kColFile);
    EXPECT_TRUE(std::is_sorted(files.begin(), files.end()));
    EXPECT_TRUE(list.CheckBoxesShown());
    for (int r = 0; r < 2500; ++r) ASSERT_TRUE(list.IsRowChecked(r)) << r;
    EXPECT_EQ(w.IsDlgButtonChecked(IDC_SELECT_ALL), 1);
    EXPECT_TRUE(w.SelectAllState());
    EXPECT_EQ(w.Status(),
              " Ready - click the Cross Project Merge Analysis button to start the CPM analysis");
    // Each row carries its number in the fill, once.
    const std::vector<std::string> numbers = Column(w, kColRecord);
    std::set<std::string> distinct(numbers.begin(), numbers.end());
    EXPECT_EQ(distinct.size(), 2500u);
    EXPECT_TRUE(distinct.count("0") && distinct.count("2499"));
    EXPECT_EQ(Trace().back(), "PostTopList: Count=2500");
}

TEST_F(MainWindowTest, RowsShowTheRecordFieldsInColumnOrder) {
    CQuorvelDlg w(host_);
    Start(w);
    CFObj r = Record("a.c", "3 -> 4", "N", "4711");
    r.dataSize = "99          ";
    Fill(w, {r});
    const std::vector<std::string> expected = {"a.c",   "\\Payroll\\src",
                                               "3",     "1",
                                               "N",     "3 -> 4",
                                               "PKG-1", "99          ",
                                               "ann",   "2024-01-02 03:04:05",
                                               "bob",   "2024-02-03 04:05:06",
                                               "4711",  "0"};
    for (int c = 0; c < kResultColumnCount; ++c)
        EXPECT_EQ(w.ResultList().CellText(0, c), expected[c]) << c;
    EXPECT_EQ(w.RowRecord(0), r);
}

TEST_F(MainWindowTest, PostTopListWithoutRecordsKeepsTheRows) {
    CQuorvelDlg w(host_);
    Start(w);
    Fill(w, {Record("b.c", "3 -> 4"), Record("a.c", "3 -> 0")});
    ASSERT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "2");
    const size_t traceLines = Trace().size();
    w.SourceItems().RemoveAll();
    w.PostTopList();
    EXPECT_EQ(Column(w, kColFile), (std::vector<std::string>{"a.c", "b.c"}));
    EXPECT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "0");
    EXPECT_EQ(Trace().size(), traceLines);  // no count line for nothing
}

TEST_F(MainWindowTest, TheTagCellIsColouredByItsTagWhenFilled) {
    const std::vector<std::pair<std::string, ColorRef>> cases = {
        {"N", 0x008000},        {"R", 0x2080C8},         {"M", 0xFF0080},         {"D", 0x2080C8},
        {"", kWindowTextColor}, {"X", kWindowTextColor}, {"n", kWindowTextColor},
    };
    CQuorvelDlg w(host_);
    Start(w);
    std::vector<CFObj> records;
    for (size_t i = 0; i < cases.size(); ++i)
        records.push_back(Record("f" + std::to_string(i), "3 -> 4", cases[i].first));
    Fill(w, records);
    for (size_t i = 0; i < cases.size(); ++i) {
        const int row = RowOf(w, "f" + std::to_string(i));
        ASSERT_GE(row, 0);
        EXPECT_EQ(w.ResultList().CellTextColor(row, kColTag), cases[i].second) << i;
        EXPECT_EQ(w.ResultList().CellTextColor(row, kColFile), kWindowTextColor) << i;
    }
    // A fill does not scroll.
    EXPECT_EQ(w.ResultList().LastEnsuredVisibleRow(), -1);
}

TEST_F(MainWindowTest, ColorRowByStatusPicksTheColourOfTheFirstMatchingTest) {
    struct Case {
        std::string text;
        ColorRef color;
    };
    const std::vector<Case> cases = {
        {"3 -> 2.1.3  (U) Unmerged Exists", ColorProblem},
        {"3 -> 0", ColorResult},
        {"3 (D) -> Src Ignored", ColorIgnored},  // "Src Ignored" is tested before "(D)"
        {"3 -> 5 (E) Merge Tag Exists", ColorProblem},
        {"3 -> 5 (E) Reserve Tag Exists", ColorProblem},
        {"3 -> 5  (M) Merge Tagged", ColorMergeTagged},
        {"3 (M) (U)", ColorProblem},  // "(U)" before "(M)"
        {"x (D) y", ColorProblem},
        {"3 -> Ignored for Take Trunk option", ColorIgnored},
        {"3 -> Ignored: Project item already exists", ColorIgnored},
        {"0  Project item already exists", ColorResult},
        {"", ColorResult},
        {"(u) unmerged", ColorResult},  // case matters
    };
    CQuorvelDlg w(host_);
    Start(w);
    Fill(w, {Record("a.c", "")});
    for (const Case& c : cases) {
        w.ResultList().SetCellTextColor(0, kColMergeStatus, 0x123456);
        w.ColorRowByStatus(0, kColMergeStatus, c.text, true);
        EXPECT_EQ(w.ResultList().CellTextColor(0, kColMergeStatus), c.color) << c.text;
        EXPECT_EQ(StatusTextColor(c.text), c.color) << c.text;
    }
}

TEST_F(MainWindowTest, MarkingFocusesTheListAndScrollsUnlessAskedNotTo) {
    CQuorvelDlg w(host_);
    Start(w);
    for (int k = 0; k < 40; ++k) Put(w.SourceItems(), Record("f" + std::to_string(k), ""));
    w.PostTopList();
    w.SetFocusId(IDC_TGT_PROJECT);
    w.ColorRowByStatus(30, kColMergeStatus, "3 -> 0", true);
    EXPECT_EQ(w.GetFocusId(), IDC_RESULT_LIST);
    EXPECT_EQ(w.ResultList().LastEnsuredVisibleRow(), -1);
    w.SetFocusId(IDC_TGT_PROJECT);
    w.ColorRowByStatus(30, kColMergeStatus, "3 -> 0 (E) x", false);
    EXPECT_EQ(w.GetFocusId(), IDC_RESULT_LIST);
    EXPECT_EQ(w.ResultList().LastEnsuredVisibleRow(), 30);
    EXPECT_EQ(w.ResultList().CellTextColor(30, kColMergeStatus), ColorProblem);
    w.MarkCell(12, kColPath, ColorIgnored, false);
    EXPECT_EQ(w.ResultList().LastEnsuredVisibleRow(), 12);
    EXPECT_EQ(w.ResultList().CellTextColor(12, kColPath), ColorIgnored);
}

TEST_F(MainWindowTest, ListConflictsShowsTheConflictsAndListAllBringsEveryRowBack) {
    CQuorvelDlg w(host_);
    Start(w);
    Fill(w, {Record("a.c", "3 (D) -> Src Ignored", "D"), Record("b.c", "3 -> 0"),
             Record("c.c", "3 -> 2.1.3  (U) Unmerged Exists")});
    ASSERT_EQ(w.GetDlgItemText(IDC_LIST_CONFLICTS), "List Conflicts");

    w.UserClick(IDC_LIST_CONFLICTS);
    EXPECT_EQ(Column(w, kColFile), (std::vector<std::string>{"a.c", "c.c"}));
    EXPECT_EQ(w.GetDlgItemText(IDC_LIST_CONFLICTS), "List All");
    EXPECT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "2");
    EXPECT_EQ(w.Status(), " Ready");
    EXPECT_EQ(w.ConflictItems().GetCount(), 2);
    EXPECT_EQ(w.SourceItems().GetCount(), 3);
    EXPECT_TRUE(w.ResultList().IsRowChecked(0) && w.ResultList().IsRowChecked(1));
    EXPECT_EQ(Trace().back(), "PostTopConflicts: Count=2");
    EXPECT_GE(host_.waitCursorMaxDepth(), 1);
    EXPECT_EQ(host_.waitCursorDepth(), 0);

    w.UserClick(IDC_LIST_CONFLICTS);
    EXPECT_EQ(Column(w, kColFile), (std::vector<std::string>{"a.c", "b.c", "c.c"}));
    EXPECT_EQ(Column(w, kColMergeStatus),
              (std::vector<std::string>{"3 (D) -> Src Ignored", "3 -> 0",
                                        "3 -> 2.1.3  (U) Unmerged Exists"}));
    const CReportCtrl& list = w.ResultList();
    EXPECT_EQ(list.CellTextColor(0, kColMergeStatus), ColorIgnored);
    EXPECT_EQ(list.CellTextColor(1, kColMergeStatus), ColorResult);
    EXPECT_EQ(list.CellTextColor(2, kColMergeStatus), ColorProblem);
    EXPECT_EQ(list.CellTextColor(0, kColTag), ColorTagDeleted);
    EXPECT_EQ(w.GetDlgItemText(IDC_LIST_CONFLICTS), "List Conflicts");
    EXPECT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "3");
    EXPECT_EQ(w.Status(), " Ready");
    // The records came back from the rows, with their fields.
    CFObj back;
    ASSERT_EQ(w.SourceItems().Lookup(list.CellText(1, kColRecord), back), 1);
    EXPECT_EQ(back, Record("b.c", "3 -> 0"));
}

// Without conflicts the switch blanks the list; switching back shows every row again, and a
// blank list stays blank both ways.
TEST_F(MainWindowTest, ListConflictsWithoutConflictsBlanksTheListAndInventsNoRow) {
    const std::vector<std::pair<const char*, std::vector<CFObj>>> cases = {
        {"no conflicts", {Record("a.c", "3 -> 0"), Record("b.c", "3 -> 5  (M) Merge Tagged")}},
        {"a blank list", {}},
    };
    for (const auto& [what, records] : cases) {
        SCOPED_TRACE(what);
        CQuorvelDlg w(host_);
        Start(w);
        if (!records.empty()) Fill(w, records);
        w.UserClick(IDC_LIST_CONFLICTS);
        EXPECT_TRUE(IsBlank(w));
        EXPECT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "0");
        EXPECT_EQ(w.GetDlgItemText(IDC_LIST_CONFLICTS), "List All");
        EXPECT_EQ(w.SourceItems().GetCount(), static_cast<int>(records.size()));
        w.UserClick(IDC_LIST_CONFLICTS);
        EXPECT_EQ(w.GetDlgItemText(IDC_LIST_CONFLICTS), "List Conflicts");
        if (records.empty()) {
            EXPECT_TRUE(IsBlank(w));
            EXPECT_EQ(w.GetDlgItemText(IDC_ROW_COUNT), "0");
        } else {
            EXPECT_EQ(Column(w, kColFile), (std::vector<std::string>{"a.c", "b.c"}));
        }
    }
}

TEST_F(MainWindowTest, ClearListBlanksTheRowsButKeepsTheRecords) {
    RecordingWindow w(host_);
    Start(w);
    Fill(w, {Record("a.c", "3 -> 0")});
    w.UserClick(IDC_CLEAR_LIST);
    EXPECT_TRUE(IsBlank(w));
    EXPECT_EQ(w.SourceItems().GetCount(), 1);
    w.UserContextMenu(IDC_RESULT_LIST, 10, 20);
    EXPECT_TRUE(host_.menus.empty());
    EXPECT_TRUE(w.actions.empty());
}

TEST_F(MainWindowTest, TheContextMenuIsOfferedOnlyOnAFilledIdleList) {
    struct Case {
        const char* name;
        int control;
        bool fill;
        bool running;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"filled list", IDC_RESULT_LIST, true, false, true},
        {"another control", IDC_BROKER, true, false, false},
        {"the window", 0, true, false, false},
        {"blank list", IDC_RESULT_LIST, false, false, false},
        {"during a run", IDC_RESULT_LIST, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessHost host;
        RecordingWindow w(host);
        host.ShowModeless(w);
        if (c.fill) {
            Fill(w, {Record("a.c", "3 -> 0")});
        }
        w.SetAnalysisRunning(c.running);
        host.QueueMenuChoice(ID_OPEN_HEXVIEWER);
        w.UserContextMenu(c.control, 300, 400);
        if (!c.shown) {
            EXPECT_TRUE(host.menus.empty());
            EXPECT_TRUE(w.actions.empty());
            continue;
        }
        ASSERT_EQ(host.menus.size(), 1u);
        std::vector<int> commands;
        for (const MenuEntry& e : host.menus[0]) commands.push_back(e.command);
        EXPECT_EQ(commands, (std::vector<int>{32771, 2520, 2530, 2540, 2510}));
        EXPECT_EQ(host.menus[0][0].text, "Run CPM on this item...");
        EXPECT_EQ(host.menuPositions[0], std::make_pair(300, 400));
        EXPECT_EQ(w.actions, std::vector<int>{ID_OPEN_HEXVIEWER});
    }
}

TEST_F(MainWindowTest, LeavingACredentialBoxCommitsOnlyCompleteChangedCredentials) {
    struct Case {
        const char* name;
        std::string broker, user, password;
        int leave;
        std::string storedBroker, storedUser, storedPassword;
    };
    const std::vector<Case> cases = {
        {"new broker, no password", "brk2", "ann", "", IDC_BROKER, "brk1", "ann", "pw"},
        {"new broker", "brk2", "ann", "pw", IDC_BROKER, "brk2", "ann", "pw"},
        {"all new, leaving the user", "b", "u", "p", IDC_USERID, "b", "u", "p"},
        {"new password", "brk1", "ann", "pw2", IDC_PASSWORD, "brk1", "ann", "pw2"},
        {"empty user", "brk9", "", "pw9", IDC_PASSWORD, "brk1", "ann", "pw"},
        {"another box left", "brk2", "ann", "pw", IDC_TGT_PROJECT, "brk1", "ann", "pw"},
        {"long texts", std::string(300, 'b'), "ann", "pw", IDC_BROKER, std::string(254, 'b'), "ann",
         "pw"},
    };
    std::string scrambled = "pw";
    ScramblePassword(scrambled);
    WriteSettingText(kSectionSettings, "Broker", "brk1");
    WriteSettingText(kSectionSettings, "UserId", "ann");
    WriteSettingText(kSectionSettings, "Pswd", scrambled);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessHost host;
        CQuorvelDlg w(host);
        host.ShowModeless(w);
        w.UserFocus(c.leave);
        w.UserSetText(IDC_BROKER, c.broker);
        w.UserSetText(IDC_USERID, c.user);
        w.UserSetText(IDC_PASSWORD, c.password);
        w.UserFocus(IDC_TGT_STATE);
        EXPECT_EQ(w.Values().Broker, c.storedBroker);
        EXPECT_EQ(w.Values().UserId, c.storedUser);
        EXPECT_EQ(w.Values().Password, c.storedPassword);
        EXPECT_EQ(host.waitCursorDepth(), 0);
        // Committing changes the window's values only; the store is written by a save.
        EXPECT_EQ(ReadSettingText(kSectionSettings, "Broker"), "brk1");
    }
}

TEST_F(MainWindowTest, NoCommitBeforeStartupHasFinished) {
    CQuorvelDlg w(host_);
    w.SetDlgItemText(IDC_BROKER, "b");
    w.SetDlgItemText(IDC_USERID, "u");
    w.SetDlgItemText(IDC_PASSWORD, "p");
    w.SetFocusId(IDC_BROKER);
    w.SetFocusId(IDC_USERID);
    EXPECT_EQ(w.Values().Broker, "");
}

TEST_F(MainWindowTest, SelectAllTogglesTheBoxAndEveryRow) {
    // A filled list checks and unchecks its rows; the rows of a blank list show no check box and
    // so are never checked, whatever Select All does.
    for (const bool filled : {true, false}) {
        SCOPED_TRACE(filled ? "filled" : "blank");
        CQuorvelDlg w(host_);
        Start(w);
        if (filled) {
            for (int k = 0; k < 5; ++k) Put(w.SourceItems(), Record("f" + std::to_string(k), ""));
            w.PostTopList();
            w.ResultList().SetRowChecked(2, false);  // one row unchecked by hand
        }
        const CReportCtrl& list = w.ResultList();
        ASSERT_EQ(list.RowCount(), filled ? 5 : 29);
        for (int box : filled ? std::vector<int>{0, 1, 0} : std::vector<int>{1, 0, 1}) {
            w.UserClick(IDC_SELECT_ALL);
            EXPECT_EQ(w.IsDlgButtonChecked(IDC_SELECT_ALL), box);
            EXPECT_EQ(w.SelectAllState(), box == 1);
            for (int r = 0; r < list.RowCount(); ++r)
                EXPECT_EQ(list.IsRowChecked(r), filled && box == 1) << r;
        }
    }
}

TEST_F(MainWindowTest, ARowClickSetsTheStatusAndADoubleClickIsIgnored) {
    CQuorvelDlg w(host_);
    Start(w);
    Fill(w, {Record("a.c", ""), Record("b.c", "")});
    w.ResultList().UserDoubleClick(1);
    host_.PumpMessages();
    EXPECT_NE(w.Status(), " Ready - Right click on the selected item for more options");
    w.ResultList().UserPress(1);
    EXPECT_NE(w.Status(), " Ready - Right click on the selected item for more options");
    host_.PumpMessages();  // the notification is queued
    EXPECT_EQ(w.Status(), " Ready - Right click on the selected item for more options");
}

TEST_F(MainWindowTest, RunControlsAreDisabledAndEnabledAsOneSet) {
    CQuorvelDlg w(host_);
    Start(w);
    const std::vector<int> expected = {1007, 1000, 1001, 2026, 2804, 2805, 1010, 1011, 1012,
                                       2720, 2027, 1108, 1112, 1111, 1110, 1109, 2730};
    std::vector<int> ids = CQuorvelDlg::RunControlIds();
    std::vector<int> sortedExpected = expected;
    std::sort(ids.begin(), ids.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(ids, sortedExpected);
    int ran = 0;
    host_.Post([&] { ++ran; });
    w.EnableRunControls(false);
    EXPECT_EQ(ran, 1);  // pending messages are let through
    for (int id : expected) EXPECT_FALSE(w.IsControlEnabled(id)) << id;
    for (int id : {IDC_RUN_CPM, IDC_EXIT, IDC_RESULT_LIST}) EXPECT_TRUE(w.IsControlEnabled(id));
    w.EnableRunControls(true);
    for (int id : expected) EXPECT_TRUE(w.IsControlEnabled(id)) << id;
}

TEST_F(MainWindowTest, NeitherEnterNorEscapeClosesTheWindowTheCloseBoxCancels) {
    const struct {
        const char* what;
        void (*press)(Dialog&);
        bool closes;
    } cases[] = {
        {"Enter", [](Dialog& d) { d.UserKeyEnter(); }, false},
        {"Escape", [](Dialog& d) { d.UserKeyEscape(); }, false},
        {"the close box", [](Dialog& d) { d.UserCommand(IDCANCEL); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CQuorvelDlg w(host_);
        Start(w);
        c.press(w);
        EXPECT_EQ(w.IsEnded(), c.closes);
        EXPECT_EQ(w.Result(), c.closes ? IDCANCEL : 0);
    }
    // Closing this way saves nothing.
    EXPECT_EQ(ReadSettingText(kSectionSettings, "MergeOption", "<absent>"), "<absent>");
}

TEST_F(MainWindowTest, ExitSavesTheSettingsAndColumnWidthsThenClosesWithCancel) {
    CQuorvelDlg w(host_);
    Start(w);
    w.UserSetText(IDC_BROKER, "brk-new");
    w.UserSetText(IDC_PASSWORD, "pw");
    w.UserSetText(IDC_TGT_PACKAGE, "PKG-3");
    w.UserSelectCombo(IDC_MERGE_OPTIONS, 2);
    w.ResultList().UserResizeColumn(1, 333);
    w.UserClick(IDC_EXIT);
    EXPECT_TRUE(w.IsEnded());
    EXPECT_EQ(w.Result(), IDCANCEL);
    EXPECT_EQ(Trace().back(), "Quorvel EXIT");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "Broker"), "brk-new");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "TgtPackage"), "PKG-3");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "MergeOption"), "Take Trunk Version");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "PlacementOption"), "Branch Only");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "INSTALLDIR"), TheApp().installDir);
    EXPECT_EQ(ReadSettingInt(kSectionTopList, "ColumnCount", 0), 14);
    EXPECT_EQ(ReadSettingInt(kSectionTopList, "1", 0), 333);
    EXPECT_EQ(ReadSettingInt(kSectionTopList, "13", -1), 0);

    // The next start shows what was saved, with the restored column titles.
    HeadlessHost next;
    CQuorvelDlg again(next);
    next.ShowModeless(again);
    EXPECT_EQ(again.GetDlgItemText(IDC_BROKER), "brk-new");
    EXPECT_EQ(again.GetDlgItemText(IDC_PASSWORD), "pw");
    EXPECT_EQ(again.SelectedMergeOption(), "Take Trunk Version");
    EXPECT_EQ(again.ResultList().ColumnWidth(1), 333);
    EXPECT_EQ(again.ResultList().ColumnTitle(6), "Package");
}

TEST_F(MainWindowTest, RegSetingsOkUpdatesTheTemplatesAndTheStore) {
    CQuorvelDlg w(host_);
    Start(w);
    host_.OnNextModal([](Dialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_REG_KSQLFMT), kDefaultKsqlFmt);
        d.UserSetText(IDC_REG_KSQLFMT, "ksql -b %s -x");
        d.UserClick(IDOK);
    });
    w.UserClick(IDC_REG_SETTINGS);
    EXPECT_EQ(host_.modalIds, std::vector<int>{IDD_REGSETTINGS});
    EXPECT_EQ(w.Values().KsqlFmt, "ksql -b %s -x");
    EXPECT_EQ(ReadSettingText(kSectionSettings, "KsqlFmt"), "ksql -b %s -x");

    host_.OnNextModal([](Dialog& d) {
        d.UserSetText(IDC_REG_KSQLFMT, "ignored");
        d.UserKeyEscape();
    });
    w.UserClick(IDC_REG_SETTINGS);
    EXPECT_EQ(w.Values().KsqlFmt, "ksql -b %s -x");
}

TEST_F(MainWindowTest, TheAboutEntryShowsTheAboutBoxModally) {
    CQuorvelDlg w(host_);
    Start(w);
    std::string title;
    host_.OnNextModal([&](Dialog& d) {
        title = d.GetTitle();
        d.UserClick(IDOK);
    });
    w.UserSysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(host_.modalIds, std::vector<int>{IDD_ABOUTBOX});
    EXPECT_EQ(title, "About...");
    w.UserSysCommand(12345);  // other commands do nothing
    EXPECT_EQ(host_.modalIds.size(), 1u);
    EXPECT_FALSE(w.IsEnded());
}

// The whole program: start-up, the main window, and the status file. Exit keeps a changed
// broker for the next start, returns to the start-up directory and closes normally, leaving
// another instance of the program running; the close box saves nothing.
TEST_F(MainWindowTest, ExitKeepsAChangeForTheNextStartAndLeavesAnotherInstanceRunning) {
    qvtest::ScopedCwd cwd;
    const std::string install = home_ / "inst";
    ASSERT_EQ(mkdir(install.c_str(), 0755), 0);
    ASSERT_TRUE(qvtest::WriteFile(home_ / "config/Quorvel.INI",
                                  "[Settings]\nINSTALLDIR=" + install + "\n"));
    ASSERT_TRUE(qvtest::WriteFile(home_ / "config/Orvane/Quorvel.ini",
                                  "[Settings]\nINSTALLDIR=" + install + "\nBroker=old\n"));
    const qvtest::OtherInstance other(home_.path());
    struct Step {
        std::string broker;
        bool exit;
        std::string shownAtStart;
    };
    const std::vector<Step> steps = {
        {"by-exit", true, "old"},
        {"by-close-box", false, "by-exit"},
        {"unused", false, "by-exit"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.broker);
        HeadlessHost host;
        std::string shown;
        host.OnModal(IDD_QUORVEL_DIALOG, [&](Dialog& d) {
            shown = d.GetDlgItemText(IDC_BROKER);
            d.UserSetText(IDC_BROKER, s.broker);
            ASSERT_EQ(chdir("/"), 0);
            if (s.exit)
                d.UserClick(IDC_EXIT);
            else
                d.UserCommand(IDCANCEL);
        });
        const int result = CQuorvelApp().Run(host, "quorvel", [&](Host& h) {
            CQuorvelDlg w(h);
            return h.RunModal(w);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(shown, s.shownAtStart);
        EXPECT_EQ(ReadIniText(home_ / "config/FSTATUS.INI", "FSTATUS", "ReturnCode"), "200");
        const std::vector<std::string> lines = Lines(ReadFile(install + "/Quorvel.trc"));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().ends_with(" Quorvel EXIT"), s.exit) << lines.back();
        EXPECT_EQ(std::filesystem::current_path() == TheApp().startupDir, s.exit);
    }
    EXPECT_TRUE(other.Survived());
}

}  // namespace
}  // namespace qv
