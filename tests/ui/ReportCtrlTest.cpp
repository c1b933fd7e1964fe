#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/HeadlessHost.h"
#include "ui/ReportCtrl.h"

namespace qv {
namespace {

const char* const kResultListLayout =
    "File,175;Path,250;Version,50;Type,40;Tag,30;Merge Status,215;Src Package,150;Datasize,60;"
    "Creator,125;Created Date,125;Modifier,125;Modified Date,125;Itemobjid,0;Record,0";

struct ColumnInfo {
    std::string title;
    int width;
    ColumnAlign align;
    bool operator==(const ColumnInfo&) const = default;
};

std::vector<ColumnInfo> Columns(const CReportCtrl& list) {
    std::vector<ColumnInfo> out;
    for (int c = 0; c < list.ColumnCount(); ++c)
        out.push_back({list.ColumnTitle(c), list.ColumnWidth(c), list.ColumnAlignment(c)});
    return out;
}

TEST(ReportCtrlColumns, LayoutTextsGiveTheseColumns) {
    constexpr auto L = ColumnAlign::Left;
    constexpr auto C = ColumnAlign::Center;
    constexpr auto R = ColumnAlign::Right;
    const struct {
        const char* layout;
        bool result;
        std::vector<ColumnInfo> columns;
    } cases[] = {
        {"Package, 400;Record, 0", true, {{"Package", 400, L}, {"Record", 0, L}}},
        {"Name", true, {{"Name", 100, L}}},
        {"Name,80", true, {{"Name", 80, L}}},
        {"Name,80,1", true, {{"Name", 80, C}}},
        {"Name,80,2", true, {{"Name", 80, R}}},
        {"Name,80,7", true, {{"Name", 80, L}}},
        {"Name,80, 2x", true, {{"Name", 80, R}}},
        {";;File,100;", true, {{"File", 100, L}}},
        // Empty fields are dropped before they are counted: the width is the second non-empty.
        {"A,,50", true, {{"A", 50, L}}},
        // Titles are verbatim; widths read like atoi.
        {" Name ,x", true, {{" Name ", 0, L}}},
        {"W,12px", true, {{"W", 12, L}}},
        {"Neg,-5", true, {{"Neg", 0, L}}},
        {"Huge,99999999999", true, {{"Huge", 65535, L}}},
        {"", false, {}},
        {";;;", false, {}},
        {",,;,", false, {}},
    };
    for (const auto& c : cases) {
        HeadlessHost host;
        CReportCtrl list(host);
        EXPECT_EQ(list.ConfigureColumns(c.layout), c.result) << c.layout;
        EXPECT_EQ(Columns(list), c.columns) << c.layout;
    }
}

TEST(ReportCtrlColumns, HiddenColumnsHoldTextsAndTitlesAreCut) {
    HeadlessHost host;
    CReportCtrl list(host);
    ASSERT_TRUE(list.ConfigureColumns(kResultListLayout));
    ASSERT_EQ(list.ColumnCount(), 14);
    EXPECT_EQ(list.ColumnTitle(5), "Merge Status");
    EXPECT_EQ(list.ColumnWidth(0), 175);
    EXPECT_EQ(list.ColumnWidth(12), 0);
    EXPECT_EQ(list.ColumnWidth(13), 0);
    list.AddRow(0, "a.c");
    EXPECT_TRUE(list.SetCellText(0, 13, "17"));
    EXPECT_EQ(list.CellText(0, 13), "17");
    EXPECT_EQ(list.RemoveAllRows(), 1);
    EXPECT_EQ(list.RemoveAllRows(), 0);

    list.ConfigureColumns(std::string(300, 'T') + ",20");
    EXPECT_EQ(list.ColumnTitle(0), std::string(255, 'T'));
    EXPECT_EQ(list.ColumnTitle(1), "");
}

TEST(ReportCtrlColumns, ConfiguringAFilledListRemovesEveryRow) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("A;B");
    for (int i = 0; i < 5; ++i) list.AddRow(0, "x");
    list.EnsureRowVisible(3);
    EXPECT_TRUE(list.ConfigureColumns("Package, 400;Record, 0"));
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.ColumnCount(), 2);
    EXPECT_EQ(list.LastEnsuredVisibleRow(), -1);
}

TEST(ReportCtrlRows, AddRowInsertsAtThePositionOrRefuses) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("A;B;C");
    const struct {
        int at;
        const char* text;
        int result;
    } steps[] = {
        {1, "no", -1}, {-1, "no", -1}, {0, "b", 0},   {0, "a", 0},
        {2, "d", 2},   {2, "c", 2},    {5, "no", -1},
    };
    for (const auto& s : steps) EXPECT_EQ(list.AddRow(s.at, s.text), s.result) << s.text;
    ASSERT_EQ(list.RowCount(), 4);
    const char* expected[] = {"a", "b", "c", "d"};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(list.CellText(r, 0), expected[r]);
        EXPECT_EQ(list.CellText(r, 1), "");
        for (int c = 0; c < 3; ++c) EXPECT_EQ(list.CellTextColor(r, c), kWindowTextColor);
        EXPECT_FALSE(list.IsRowChecked(r));
        EXPECT_FALSE(list.IsRowSelected(r));
    }
}

TEST(ReportCtrlRows, ARowWithoutACheckBoxIsNotChecked) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("A");
    list.AddRow(0, "x");
    list.SetRowChecked(0, true);  // set while no check box is shown
    struct {
        bool shown;
        bool checked;
    } const steps[] = {{false, false}, {true, true}, {false, false}, {true, true}};
    for (const auto& s : steps) {
        list.ShowCheckBoxes(s.shown);
        EXPECT_EQ(list.IsRowChecked(0), s.checked) << s.shown;
    }
}

TEST(ReportCtrlRows, OutOfRangeCellsReadEmptyAndRefuseWrites) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("A;B");
    list.AddRow(0, "x");
    const std::pair<int, int> outside[] = {{-1, 0}, {1, 0}, {0, -1}, {0, 2}, {7, 7}};
    for (auto [r, c] : outside) {
        EXPECT_FALSE(list.SetCellText(r, c, "y")) << r << "," << c;
        EXPECT_EQ(list.CellText(r, c), "") << r << "," << c;
        EXPECT_EQ(list.CellTextColor(r, c), kWindowTextColor);
    }
    EXPECT_FALSE(list.IsRowChecked(5));
    list.SetRowChecked(5, true);
    list.SetRowSelected(-3);
    EXPECT_EQ(list.SelectedRow(), -1);
}

TEST(ReportCtrlColours, OutOfRangeArgumentsWidenTheColouring) {
    constexpr int kRows = 10, kCols = 6;
    constexpr ColorRef kRed = 0x0000FF, kBlue = 0xFF0000;
    const struct {
        int row, column;
        ColorRef color;
        bool all_first;  // colour everything red before
        // Which cells end with `color`; the others keep what they had.
        bool (*hit)(int r, int c);
    } cases[] = {
        {2, 3, kBlue, false, [](int r, int c) { return r == 2 && c == 3; }},
        {7, -1, kBlue, false, [](int r, int) { return r == 7; }},
        {7, -1, static_cast<ColorRef>(-1), true, [](int r, int) { return r == 7; }},
        {-1, 4, kBlue, false, [](int, int c) { return c == 4; }},
        {99, 2, kBlue, false, [](int, int c) { return c == 2; }},
        {3, 6, kBlue, false, [](int r, int) { return r == 3; }},
        {-1, -1, kBlue, false, [](int, int) { return true; }},
        {10, 99, kBlue, true, [](int, int) { return true; }},
    };
    for (const auto& k : cases) {
        HeadlessHost host;
        CReportCtrl list(host);
        list.ConfigureColumns("A;B;C;D;E;F");
        for (int r = 0; r < kRows; ++r) list.AddRow(r, "x");
        const ColorRef before = k.all_first ? kRed : kWindowTextColor;
        if (k.all_first) list.SetCellTextColor(-1, -1, kRed);
        list.SetCellTextColor(k.row, k.column, k.color, true);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                EXPECT_EQ(list.CellTextColor(r, c), k.hit(r, c) ? k.color : before)
                    << "case " << k.row << "," << k.column << " cell " << r << "," << c;
    }
}

// --- Input and notifications ---

struct Clicks {
    HeadlessHost host;
    CReportCtrl list{host};
    std::vector<std::pair<int, int>> clicked, doubleClicked;

    explicit Clicks(int rows = 6, bool checkBoxes = true) {
        list.ConfigureColumns("A;B");
        for (int r = 0; r < rows; ++r) list.AddRow(r, "row" + std::to_string(r));
        list.SetNotifyId(1090);
        list.ShowCheckBoxes(checkBoxes);
        list.SetRowClickedHandler([this](int id, int row) { clicked.emplace_back(id, row); });
        list.SetRowDoubleClickedHandler(
            [this](int id, int row) { doubleClicked.emplace_back(id, row); });
    }
    std::vector<int> Selected() const {
        std::vector<int> out;
        for (int r = 0; r < list.RowCount(); ++r)
            if (list.IsRowSelected(r)) out.push_back(r);
        return out;
    }
};

// The row clicked notification of a press is queued, not delivered during the press.
TEST(ReportCtrlInput, PressesAndWhatTheyLeave) {
    const struct {
        const char* name;
        bool checkBoxes;
        std::vector<std::pair<int, bool>> presses;  // row, on the check box
        std::vector<int> selected;
        int focused;
        std::vector<int> checked;
        int rowClicked;  // notifications queued by the last press
    } cases[] = {
        {"row", true, {{1, false}, {4, false}}, {4}, 4, {}, 1},
        {"below the rows drops the selection", true, {{2, false}, {-1, false}}, {}, 2, {}, 0},
        {"check box selects its row", true, {{2, false}, {5, true}}, {5}, 5, {5}, 1},
        {"check box twice", true, {{5, true}, {5, true}}, {5}, 5, {}, 1},
        {"hidden check boxes do not toggle", false, {{2, false}, {5, true}}, {5}, 5, {}, 1},
    };
    for (const auto& c : cases) {
        Clicks t(6, c.checkBoxes);
        for (auto [row, onBox] : c.presses) {
            t.host.PumpMessages();
            t.clicked.clear();
            t.list.UserPress(row, onBox);
        }
        EXPECT_TRUE(t.clicked.empty()) << c.name;
        EXPECT_EQ(t.host.pending(), static_cast<size_t>(c.rowClicked)) << c.name;
        t.host.PumpMessages();
        EXPECT_EQ(t.Selected(), c.selected) << c.name;
        EXPECT_EQ(t.list.FocusedRow(), c.focused) << c.name;
        std::vector<int> checked;
        for (int r = 0; r < t.list.RowCount(); ++r)
            if (t.list.IsRowChecked(r)) checked.push_back(r);
        EXPECT_EQ(checked, c.checked) << c.name;
        EXPECT_EQ(static_cast<int>(t.clicked.size()), c.rowClicked) << c.name;
        if (c.rowClicked == 1) {
            EXPECT_EQ(t.clicked[0], std::make_pair(1090, c.selected[0])) << c.name;
        }
    }
}

TEST(ReportCtrlInput, DoubleClickQueuesRowDoubleClicked) {
    Clicks t;
    t.list.UserPress(1);
    t.list.UserDoubleClick(1);
    t.list.UserDoubleClick(-1);
    t.host.PumpMessages();
    EXPECT_EQ(t.clicked, (std::vector<std::pair<int, int>>{{1090, 1}}));
    EXPECT_EQ(t.doubleClicked, (std::vector<std::pair<int, int>>{{1090, 1}}));
}

TEST(ReportCtrlInput, NotificationsOfADestroyedControlAreDropped) {
    HeadlessHost host;
    int calls = 0;
    {
        CReportCtrl list(host);
        list.ConfigureColumns("A");
        list.AddRow(0, "x");
        list.SetRowClickedHandler([&](int, int) { ++calls; });
        list.UserPress(0);
    }
    host.PumpMessages();
    EXPECT_EQ(calls, 0);
}

TEST(ReportCtrlInput, RightPressFocusesTheRowUnderThePointer) {
    Clicks t;
    t.list.UserPress(1);
    t.host.PumpMessages();
    t.clicked.clear();
    t.list.UserRightPress(4);
    EXPECT_EQ(t.Selected(), std::vector<int>{4});
    EXPECT_EQ(t.list.FocusedRow(), 4);
    t.list.UserRightPress(-1);
    EXPECT_TRUE(t.Selected().empty());
    EXPECT_EQ(t.list.FocusedRow(), 4);
    EXPECT_EQ(t.host.pending(), 0u);
}

TEST(ReportCtrlInput, KeysMoveTheSelectionAndSpaceDoesNothing) {
    const struct {
        std::vector<ReportKey> keys;
        int pageRows;
        int focused;
    } cases[] = {
        {{ReportKey::Down}, 1, 0},
        {{ReportKey::Down, ReportKey::Down, ReportKey::Down}, 1, 2},
        {{ReportKey::Up}, 1, 0},
        {{ReportKey::End, ReportKey::Down}, 1, 9},
        {{ReportKey::End, ReportKey::Up}, 1, 8},
        {{ReportKey::Home, ReportKey::PageDown}, 5, 4},
        {{ReportKey::End, ReportKey::PageUp}, 5, 5},
        {{ReportKey::PageDown, ReportKey::PageDown, ReportKey::PageDown}, 50, 9},
    };
    for (const auto& c : cases) {
        Clicks t(10);
        for (ReportKey k : c.keys) t.list.UserKey(k, c.pageRows);
        EXPECT_EQ(t.list.FocusedRow(), c.focused);
        EXPECT_EQ(t.Selected(), std::vector<int>{c.focused});
        EXPECT_EQ(t.list.LastEnsuredVisibleRow(), c.focused);
        EXPECT_EQ(t.host.pending(), 0u);
    }

    Clicks t(10);
    t.list.UserPress(3);
    t.list.SetRowChecked(3, true);
    t.host.PumpMessages();
    t.clicked.clear();
    t.list.UserKey(ReportKey::Space);
    EXPECT_TRUE(t.list.IsRowChecked(3));
    EXPECT_EQ(t.Selected(), std::vector<int>{3});
    EXPECT_EQ(t.list.FocusedRow(), 3);
    EXPECT_EQ(t.host.pending(), 0u);
}

TEST(ReportCtrlInput, SetRowSelectedLeavesTheFocusAlone) {
    Clicks t;
    t.list.UserPress(1);
    t.list.SetRowSelected(4);
    EXPECT_EQ(t.Selected(), std::vector<int>{4});
    EXPECT_EQ(t.list.FocusedRow(), 1);
    t.list.SetRowFocused(-1);
    EXPECT_EQ(t.list.FocusedRow(), -1);
}

// --- What a view is told ---

struct Recorder : CReportCtrlObserver {
    std::vector<std::string> log;
    void BeginReset() override { log.push_back("begin reset"); }
    void EndReset() override { log.push_back("end reset"); }
    void BeginInsertRows(int f, int l) override { log.push_back(Range("begin insert", f, l)); }
    void EndInsertRows() override { log.push_back("end insert"); }
    void BeginRemoveRows(int f, int l) override { log.push_back(Range("begin remove", f, l)); }
    void EndRemoveRows() override { log.push_back("end remove"); }
    void BeginReorderRows() override { log.push_back("begin reorder"); }
    void EndReorderRows(const std::vector<int>& m) override {
        std::string s = "end reorder";
        for (int v : m) s += " " + std::to_string(v);
        log.push_back(s);
    }
    void CellsChanged(int r1, int r2, int c1, int c2) override {
        log.push_back(Range("cells", r1, r2) + Range("", c1, c2));
    }
    void ColumnWidthChanged(int c) override { log.push_back("width " + std::to_string(c)); }
    void PresentationChanged() override { log.push_back("presentation"); }
    void SelectionChanged() override { log.push_back("selection"); }
    void EnsureRowVisible(int r) override { log.push_back("ensure " + std::to_string(r)); }
    void ControlDestroyed() override { log.push_back("destroyed"); }
    static std::string Range(const std::string& what, int a, int b) {
        return what + " " + std::to_string(a) + ".." + std::to_string(b);
    }
};

TEST(ReportCtrlObserver, EveryChangeIsReportedOnceAndNarrowly) {
    HeadlessHost host;
    Recorder rec;
    using Log = std::vector<std::string>;
    {
        CReportCtrl list(host);
        list.SetObserver(&rec);
        const struct {
            std::function<void()> action;
            Log expected;
        } steps[] = {
            {[&] { list.ConfigureColumns("A;B;C"); }, {"begin reset", "end reset"}},
            {[&] { list.AddRow(0, "b"); }, {"begin insert 0..0", "end insert"}},
            {[&] { list.AddRow(0, "c"); }, {"begin insert 0..0", "end insert"}},
            {[&] { list.AddRow(2, "a"); }, {"begin insert 2..2", "end insert"}},
            {[&] { list.SetCellText(1, 2, "t"); }, {"cells 1..1 2..2"}},
            {[&] { list.SetCellTextColor(1, 2, 0xFF); }, {"cells 1..1 2..2"}},
            {[&] { list.SetCellTextColor(2, -1, 0xFF); }, {"cells 2..2 0..2"}},
            {[&] { list.SetCellTextColor(-1, 1, 0xFF); }, {"cells 0..2 1..1"}},
            {[&] { list.SetCellTextColor(-1, -1, 0xFF); }, {"cells 0..2 0..2"}},
            {[&] { list.SetRowChecked(1, true); }, {"cells 1..1 0..0"}},
            {[&] { list.SetRowChecked(1, true); }, {}},
            {[&] { list.ShowCheckBoxes(true); }, {"presentation"}},
            {[&] { list.ShowGridLines(true); }, {"presentation"}},
            {[&] { list.ShowGridLines(true); }, {}},
            // c, b, a -> a, b, c
            {[&] { list.SortByColumn(0, true); }, {"begin reorder", "end reorder 2 1 0"}},
            {[&] { list.SetRowSelected(0); }, {"selection"}},
            {[&] { list.SetRowSelected(0); }, {}},
            {[&] { list.EnsureRowVisible(2); }, {"ensure 2"}},
            {[&] { list.EnsureRowVisible(3); }, {}},
            {[&] { list.UserResizeColumn(1, 33); }, {"width 1"}},
            {[&] { list.UserPress(2, true); }, {"cells 2..2 0..0", "selection"}},
            {[&] { list.RemoveAllRows(); }, {"begin remove 0..2", "end remove"}},
            {[&] { list.RemoveAllRows(); }, {}},
        };
        for (size_t i = 0; i < std::size(steps); ++i) {
            rec.log.clear();
            steps[i].action();
            EXPECT_EQ(rec.log, steps[i].expected) << "step " << i;
        }
        rec.log.clear();
    }
    EXPECT_EQ(rec.log, Log{"destroyed"});
}

}  // namespace
}  // namespace qv
