#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/HeadlessHost.h"
#include "ui/ReportCtrl.h"

namespace qv {
namespace {

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

TEST(ReportCtrlCompare, FirstTestBothTextsPassDecides) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        // Hexadecimal first: decimal digit strings keep their order, A to F are digits.
        {"10", "9", 1},
        {"9", "A", -1},
        {"A", "10", -1},
        {"b", "B", 0},
        {"a", "B", -1},
        {"0x1F", "20", -1},
        {" 12", "9", 1},
        {"1e5", "2", 1},  // 0x1E5
        // Unsigned 32 bits: a minus sign wraps around, too large values stop at the top.
        {"-1", "FFFFFFFF", 0},
        {"100000000", "FFFFFFFF", 0},
        {"FFFFFFFF", "0", 1},
        // Decimal when one of them is not hexadecimal.
        {"1.5", "1.25", 1},
        {"50%", "7%", 1},
        {"1.5%", "1.25", 1},
        {"-2.5", "1", -1},
        {"9", "9.5", -1},
        {".5", "0.25", 1},
        {"5.", "4.5", 1},
        {"1.5e3", "999.5", 1},
        {"-2.5E-1", "-0.5", 1},
        // Only plain decimal numbers: the words and hexadecimal forms a C library also reads as
        // numbers are text (a file named "nan" does not equal every number).
        {"nan", "1.5", 1},
        {"NAN", "1.5", 1},
        {"-inf", "-1.5", 1},
        {"infinity", "2.5", 1},
        {"0x1p3", "7.5", -1},
        {"1.5e", "1.5", 1},
        // A blank after the number makes it text; so does a second '%'.
        {"12 ", "9 ", -1},
        {"7%%", "50%%", 1},
        // Dates: chronological across the formats the repository and the list show.
        {"2023-12-31", "01/01/2024", -1},
        {"2024-01-02", "01/02/2024", 0},
        {"2024-01-02 00:00:00", "01/02/2024", 0},
        {"01/02/2024 13:00:00", "2024-01-02 12:59:59", 1},
        {"2024-03-01 08:00:00", "2024-03-01 10:00:00", -1},
        {"12/31/99", "01/01/2000", -1},
        // Not dates: an impossible day, and words.
        {"01/01/2025", "2024-02-30", -1},
        {"yesterday", "today", 1},
        // Text: byte order, case-sensitive; an empty text before everything.
        {"x", "X", 1},
        {"X", "w", -1},
        {"", "0", -1},
        {"", "a", -1},
        {"", "", 0},
        {"Zebra", "apple", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(CReportCtrl::CompareCellTexts(c.a, c.b)), c.sign)
            << '"' << c.a << "\" vs \"" << c.b << '"';
        EXPECT_EQ(Sign(CReportCtrl::CompareCellTexts(c.b, c.a)), -c.sign)
            << '"' << c.b << "\" vs \"" << c.a << '"';
    }
}

// A list with one column of the given texts and a second column naming each row's origin.
struct SortFixture {
    HeadlessHost host;
    CReportCtrl list{host};

    void Fill(const std::vector<std::string>& texts) {
        list.ConfigureColumns("Key,100;Origin,100");
        for (size_t i = 0; i < texts.size(); ++i) {
            const int r = list.AddRow(list.RowCount(), texts[i]);
            list.SetCellText(r, 1, std::to_string(i));
        }
    }
    std::vector<std::string> Column(int c) const {
        std::vector<std::string> out;
        for (int r = 0; r < list.RowCount(); ++r) out.push_back(list.CellText(r, c));
        return out;
    }
};

TEST(ReportCtrlSort, OrdersOfTheComparison) {
    using V = std::vector<std::string>;
    const struct {
        V texts;
        bool ascending;
        V expected;
    } cases[] = {
        {{"10", "9", "A"}, true, {"9", "A", "10"}},
        {{"10", "9", "A"}, false, {"10", "A", "9"}},
        {{"1.5", "1.25"}, true, {"1.25", "1.5"}},
        {{"50%", "7%"}, true, {"7%", "50%"}},
        {{"x", "X", "w"}, true, {"X", "w", "x"}},
        // b and B are equal; the pivot exchange leaves B before b.
        {{"b", "B", "a"}, true, {"a", "B", "b"}},
        {{"5", "", "a", "1.5"}, true, {"", "1.5", "5", "a"}},
        {{"5", "", "a", "1.5"}, false, {"a", "5", "1.5", ""}},
        {{"2024-01-02 10:00:00", "12/31/2023 23:00:00", "2024-01-02"},
         true,
         {"12/31/2023 23:00:00", "2024-01-02", "2024-01-02 10:00:00"}},
        {{"only"}, true, {"only"}},
    };
    for (const auto& c : cases) {
        SortFixture f;
        f.Fill(c.texts);
        f.list.SortByColumn(0, c.ascending);
        EXPECT_EQ(f.Column(0), c.expected) << "ascending " << c.ascending;
        EXPECT_EQ(f.list.SortColumn(), 0);
        EXPECT_EQ(f.list.SortAscending(), c.ascending);
    }
}

TEST(ReportCtrlSort, EqualRowsEndWhereThePivotExchangesPutThem) {
    // Rows with equal texts are told apart by their origin column. Worked by hand: the middle
    // row is the pivot; equal rows stop both scans and trade places.
    SortFixture f;
    f.Fill({"1", "1", "1", "1", "0"});
    f.list.SortByColumn(0, true);
    EXPECT_EQ(f.Column(0), (std::vector<std::string>{"0", "1", "1", "1", "1"}));
    EXPECT_EQ(f.Column(1), (std::vector<std::string>{"4", "3", "2", "0", "1"}));
}

// The sort as a plain recursive function over the texts, for comparison.
void ReferenceSort(std::vector<std::pair<std::string, int>>& rows, int low, int high, int sign) {
    while (low < high) {
        const std::string pivot = rows[(low + high) / 2].first;
        int i = low, j = high;
        do {
            while (sign * CReportCtrl::CompareCellTexts(rows[i].first, pivot) < 0) ++i;
            while (sign * CReportCtrl::CompareCellTexts(rows[j].first, pivot) > 0) --j;
            if (j < i) break;
            if (i != j) std::swap(rows[i], rows[j]);
            ++i;
            --j;
        } while (i <= j);
        if (low < j) ReferenceSort(rows, low, j, sign);
        low = i;
    }
}

TEST(ReportCtrlSort, MatchesTheRecursiveQuicksortOnManyTies) {
    const std::vector<std::string> alphabet = {"1",   "2",   "A",  "a",          "b",
                                               "1.5", "7%",  "x",  "X",          "",
                                               "Q",   "0x1", "01", "2024-01-01", "01/01/2024"};
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        const int n = 1 + static_cast<int>(random() % 300);
        std::vector<std::string> texts;
        for (int i = 0; i < n; ++i) texts.push_back(alphabet[random() % alphabet.size()]);
        for (bool ascending : {true, false}) {
            SortFixture f;
            f.Fill(texts);
            f.list.SortByColumn(0, ascending);
            std::vector<std::pair<std::string, int>> expected;
            for (int i = 0; i < n; ++i) expected.emplace_back(texts[i], i);
            ReferenceSort(expected, 0, n - 1, ascending ? 1 : -1);
            for (int r = 0; r < n; ++r) {
                ASSERT_EQ(f.list.CellText(r, 0), expected[r].first) << "round " << round;
                ASSERT_EQ(f.list.CellText(r, 1), std::to_string(expected[r].second))
                    << "round " << round << " row " << r;
            }
        }
    }
}

TEST(ReportCtrlSort, RowsKeepTextsColoursAndFlagsTogether) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("Name,100;Tag,50;Status,100");
    list.ShowCheckBoxes(true);
    const std::vector<std::string> names = {"delta", "alpha", "charlie", "bravo"};
    for (const auto& n : names) {
        const int r = list.AddRow(0, n);
        list.SetCellText(r, 1, n + "-tag");
        list.SetCellText(r, 2, n + "-status");
    }
    // Rows from the top: bravo, charlie, alpha, delta.
    ASSERT_EQ(list.CellText(2, 0), "alpha");
    list.SetCellTextColor(2, 1, 0x008000);
    list.SetCellTextColor(2, 2, 0xFF0000);
    list.SetRowChecked(2, true);
    list.UserPress(2);                       // selects and focuses alpha
    list.SetCellTextColor(0, -1, 0x2080C8);  // bravo, whole row
    ASSERT_TRUE(list.SetCellToolTip(2, 2, "why alpha"));
    EXPECT_FALSE(list.SetCellToolTip(2, 1, "another column"));  // the tooltips live in column 2

    list.SortByColumn(0, true);
    EXPECT_EQ(list.CellToolTip(0, 2), "why alpha");
    EXPECT_EQ(list.CellToolTip(0, 1), "");
    ASSERT_EQ(list.CellText(0, 0), "alpha");
    EXPECT_EQ(list.CellText(0, 1), "alpha-tag");
    EXPECT_EQ(list.CellText(0, 2), "alpha-status");
    EXPECT_EQ(list.CellTextColor(0, 0), kWindowTextColor);
    EXPECT_EQ(list.CellTextColor(0, 1), 0x008000u);
    EXPECT_EQ(list.CellTextColor(0, 2), 0xFF0000u);
    EXPECT_TRUE(list.IsRowChecked(0));
    EXPECT_TRUE(list.IsRowSelected(0));
    EXPECT_EQ(list.FocusedRow(), 0);
    EXPECT_EQ(list.SelectedRow(), 0);
    ASSERT_EQ(list.CellText(1, 0), "bravo");
    for (int c = 0; c < 3; ++c) EXPECT_EQ(list.CellTextColor(1, c), 0x2080C8u);
    for (int r = 1; r < 4; ++r) {
        EXPECT_FALSE(list.IsRowChecked(r));
        EXPECT_FALSE(list.IsRowSelected(r));
        EXPECT_EQ(list.CellText(r, 1), list.CellText(r, 0) + "-tag");
    }
    // The bands follow positions, not rows.
    EXPECT_EQ(CReportCtrl::RowBackgroundColor(0), 0x00F9F7F0u);
    EXPECT_EQ(CReportCtrl::RowBackgroundColor(1), 0x00EFE8E5u);
}

TEST(ReportCtrlSort, OutOfRangeColumnChangesNothingAndAnEmptyListOnlyRecords) {
    SortFixture f;
    f.Fill({"b", "a"});
    f.list.SortByColumn(1, false);
    f.list.SortByColumn(2, true);
    f.list.SortByColumn(-1, true);
    EXPECT_EQ(f.list.SortColumn(), 1);
    EXPECT_FALSE(f.list.SortAscending());
    EXPECT_EQ(f.Column(0), (std::vector<std::string>{"a", "b"}));

    HeadlessHost host;
    CReportCtrl empty(host);
    empty.ConfigureColumns("A;B");
    empty.SortByColumn(1, false);
    EXPECT_EQ(empty.SortColumn(), 1);
    EXPECT_FALSE(empty.SortAscending());
}

TEST(ReportCtrlSort, HeaderClicksAlternateAndAChangeForgetsTheDirection) {
    HeadlessHost host;
    CReportCtrl list(host);
    list.ConfigureColumns("A;B;C;D");
    for (int i = 0; i < 5; ++i) {
        list.AddRow(i, "r");
        for (int c = 1; c < 4; ++c) list.SetCellText(i, c, std::to_string((i * 3 + c) % 5));
    }
    enum Step { ClickHeader, ChangeCell, AddARow };
    const struct {
        Step step;
        int column;
        int sortColumn;
        bool ascending;
    } steps[] = {
        {ClickHeader, 2, 2, true},  {ClickHeader, 2, 2, false}, {ClickHeader, 3, 3, true},
        {ChangeCell, 0, -1, true},  {ClickHeader, 3, 3, true},  {ClickHeader, 3, 3, false},
        {AddARow, 0, -1, true},     {ClickHeader, 3, 3, true},  {ClickHeader, 9, 3, true},
        {ClickHeader, 3, 3, false}, {ClickHeader, 3, 3, true},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        switch (s.step) {
            case ClickHeader:
                list.UserHeaderClick(s.column);
                break;
            case ChangeCell:
                list.SetCellText(0, 0, "changed");
                break;
            case AddARow:
                list.AddRow(0, "new");
                break;
        }
        EXPECT_EQ(list.SortColumn(), s.sortColumn) << "step " << i;
        EXPECT_EQ(list.SortAscending(), s.ascending) << "step " << i;
        if (s.step == ClickHeader && s.column == s.sortColumn) {
            for (int r = 1; r < list.RowCount(); ++r) {
                const int c = CReportCtrl::CompareCellTexts(list.CellText(r - 1, s.column),
                                                            list.CellText(r, s.column));
                EXPECT_TRUE(s.ascending ? c <= 0 : c >= 0) << "step " << i << " row " << r;
            }
        }
    }
}

}  // namespace
}  // namespace qv
