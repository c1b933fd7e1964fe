// The report list control: columns set up from one layout text, rows of cell texts with a
// text colour per cell, check, selection and focus flags per row, one-row selection, and a sort by
// any column that recognises hexadecimal numbers, decimal numbers and dates before falling back
// to text. Plain C++: a host's view renders it through CReportCtrlObserver and feeds the user's
// input back through the User* operations; tests call the same operations directly.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Outcome.h"
#include "host/Host.h"

namespace qv {

// Stands for the platform's window-text colour; passing -1 as a colour gives this value.
inline constexpr ColorRef kWindowTextColor = 0xFFFFFFFFu;

// Rows are banded by their current position: even rows (0, 2, 4 ...) on the first colour, odd
// rows on the second.
inline constexpr ColorRef kEvenRowBackground = 0x00F9F7F0u;  // RGB(240, 247, 249)
inline constexpr ColorRef kOddRowBackground = 0x00EFE8E5u;   // RGB(229, 232, 239)

enum class ColumnAlign { Left, Center, Right };

// The keys the list reacts to by itself. Space is listed so that a view can hand it over; the
// list ignores it.
enum class ReportKey { Up, Down, PageUp, PageDown, Home, End, Space };

// What a view learns about changes of the control. Structural changes come in pairs around the
// change; the rest arrive after it. No call allocates.
class CReportCtrlObserver {
public:
    virtual ~CReportCtrlObserver() = default;
    // Columns and rows are about to be / have been replaced.
    virtual void BeginReset() {}
    virtual void EndReset() {}
    virtual void BeginInsertRows(int /*first*/, int /*last*/) {}
    virtual void EndInsertRows() {}
    virtual void BeginRemoveRows(int /*first*/, int /*last*/) {}
    virtual void EndRemoveRows() {}
    // The rows are about to be / have been put in a new order; newRowOfOld[r] is where the row
    // that was at r now is.
    virtual void BeginReorderRows() {}
    virtual void EndReorderRows(const std::vector<int>& /*newRowOfOld*/) {}
    // Texts, colours or check states of the cells in this rectangle changed (inclusive bounds).
    virtual void CellsChanged(int /*firstRow*/, int /*lastRow*/, int /*firstColumn*/,
                              int /*lastColumn*/) {}
    virtual void ColumnWidthChanged(int /*column*/) {}
    // Check boxes or grid lines were shown or hidden.
    virtual void PresentationChanged() {}
    // Selected or focused flags changed.
    virtual void SelectionChanged() {}
    // Scroll the list vertically until the row is entirely visible.
    virtual void EnsureRowVisible(int /*row*/) {}
    // The same for both rows: `last` first, then `first`, which wins when they do not both fit.
    virtual void EnsureRowRangeVisible(int /*first*/, int last) { EnsureRowVisible(last); }
    // The sort column or its direction changed (SortColumn -1: the rows are in no known order).
    virtual void SortChanged() {}
    // The control is being destroyed; the observer must not call it any more.
    virtual void ControlDestroyed() {}
};

class CReportCtrl {
public:
    // (notify id, row)
    using RowNotification = std::function<void(int, int)>;

    explicit CReportCtrl(Host& host);
    ~CReportCtrl();
    CReportCtrl(const CReportCtrl&) = delete;
    CReportCtrl& operator=(const CReportCtrl&) = delete;

    Host& host() const { return host_; }

    // --- Columns ---
    // Removes every row and column, then adds the columns of a layout text such as
    // "File,175;Path,250": entries separated by ';', fields by ',' (empty pieces dropped, fields
    // not trimmed): title, width in pixels (default 100), alignment (1 centre, 2 right, else
    // left). True when at least one column was added.
    bool ConfigureColumns(const std::string& layout);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // At most 255 characters; empty for a column that does not exist.
    std::string ColumnTitle(int column) const;
    // The current width (the user may have changed it); 0 for a column that does not exist.
    int ColumnWidth(int column) const;
    ColumnAlign ColumnAlignment(int column) const;

    // --- Presentation ---
    void ShowGridLines(bool on);
    bool GridLinesShown() const { return gridLines_; }
    void ShowCheckBoxes(bool on);
    bool CheckBoxesShown() const { return checkBoxes_; }
    void SetNotifyId(int id) { notifyId_ = id; }
    int NotifyId() const { return notifyId_; }

    // --- Rows ---
    // Inserts a row at `row` (0 ... RowCount()) with `firstCellText` in column 0 and empty texts
    // elsewhere; returns its index, or -1 when the position is out of range. Forgets the sort
    // state.
    int AddRow(int row, const std::string& firstCellText);
    // False when the cell does not exist. Forgets the sort state.
    bool SetCellText(int row, int column, const std::string& text);
    // Empty when the cell does not exist.
    std::string CellText(int row, int column) const { return CellTextRef(row, column); }
    // The same without a copy; valid until the control changes.
    const std::string& CellTextRef(int row, int column) const;
    // Sets the text colour of one cell, of a whole row (column out of range), of a column in every
    // row (row out of range) or of every cell (both out of range). -1 (kWindowTextColor) stands
    // for the window-text colour. The view repaints the changed cells whatever `redraw` says.
    void SetCellTextColor(int row, int column, ColorRef color, bool redraw = true);
    // kWindowTextColor when the cell does not exist.
    ColorRef CellTextColor(int row, int column) const;
    // A cell's tooltip. The tooltips of a list live in one column, the first one given one; a new
    // text for a cell forgets its tooltip. False when the cell does not exist or another column
    // holds the tooltips.
    bool SetCellToolTip(int row, int column, const std::string& text);
    // Empty when the cell has none.
    const std::string& CellToolTip(int row, int column) const;
    // Removes every row; returns how many there were.
    int RemoveAllRows();
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // The background of a row that is not selected.
    static ColorRef RowBackgroundColor(int row) {
        return row % 2 == 0 ? kEvenRowBackground : kOddRowBackground;
    }

    // --- The record a row stands for ---
    // A key the owner attaches to a row, e.g. the key of the record the row shows. It moves with
    // the row through every sort and is never shown. Empty for an out-of-range row or one given
    // none; an out-of-range row ignores writes.
    void SetRowKey(int row, const std::string& key);
    const std::string& RowKey(int row) const;

    // --- Row flags (out-of-range rows read as false and ignore writes) ---
    bool IsRowChecked(int row) const;
    void SetRowChecked(int row, bool checked);
    bool IsRowSelected(int row) const;
    // Selects the row; the previously selected row loses its selection. The focus stays.
    void SetRowSelected(int row);
    // The first selected row from the top, -1 when none.
    int SelectedRow() const;
    bool IsRowFocused(int row) const;
    // The first row from the top that has the keyboard focus, -1 when none.
    int FocusedRow() const;
    // Gives the row the focus (taking it from any other); -1 takes it from every row.
    void SetRowFocused(int row);
    // Asks the view to scroll until the row is entirely visible; an out-of-range row is ignored.
    void EnsureRowVisible(int row);
    // The rows from first to last (first <= last), as far as they fit; first at least. Both rows
    // must exist.
    void EnsureRowRangeVisible(int first, int last);
    // The row of the last accepted EnsureRowVisible (the last row of EnsureRowRangeVisible), -1
    // when none since the rows were last removed.
    int LastEnsuredVisibleRow() const { return lastEnsured_; }

    // --- Sort ---
    // Sorts the rows by a column's texts (see CompareCellTexts); each row keeps its texts,
    // colours and flags. An out-of-range column changes nothing.
    void SortByColumn(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }  // -1 none
    bool SortAscending() const { return sortAscending_; }
    // The comparison of the sort: the first of hexadecimal, decimal, date that both texts pass
    // decides; otherwise byte order. Negative, zero or positive.
    static int CompareCellTexts(const std::string& a, const std::string& b);

    // --- Notifications to the owner, queued through Host::Post ---
    void SetRowClickedHandler(RowNotification handler) { rowClicked_ = std::move(handler); }
    void SetRowDoubleClickedHandler(RowNotification handler) {
        rowDoubleClicked_ = std::move(handler);
    }

    // --- The view ---
    // One observer at a time; nullptr detaches.
    void SetObserver(CReportCtrlObserver* observer) { observer_ = observer; }

    // --- User input, as a view (or a test) delivers it. Row -1 is the empty area below the rows.
    // A click on a column header: sorts ascending unless the column is the sort column and the
    // direction is ascending.
    void UserHeaderClick(int column);
    // A left button press on a row; `onCheckBox` when it hit the row's check box, `toggle` when it
    // came with the control key. When it toggled a check box, the row becomes the only selected
    // and focused one. Then one RowClicked is queued per selected row.
    void UserPress(int row, bool onCheckBox = false, bool toggle = false);
    // The second press of a double-click; queues RowDoubleClicked instead.
    void UserDoubleClick(int row, bool onCheckBox = false);
    // A right button press: selects and focuses the row under the pointer (nothing on the empty
    // area but deselecting); queues nothing.
    void UserRightPress(int row);
    // A key: the arrows, page keys, Home and End move the selection and focus (pageRows is the
    // number of rows the view shows); Space does nothing.
    void UserKey(ReportKey key, int pageRows = 1);
    // The user dragged a column's width.
    void UserResizeColumn(int column, int width);

private:
    struct Cell {
        std::string text;
        ColorRef color = kWindowTextColor;
    };
    struct Row {
        std::vector<Cell> cells;
        std::string key;
        std::string toolTip;  // of the cell in toolTipColumn_
        bool checked = false;
        bool selected = false;
        bool focused = false;
    };
    struct Column {
        std::string title;
        int width = 100;
        ColumnAlign align = ColumnAlign::Left;
    };

    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
    bool ValidColumn(int column) const { return column >= 0 && column < ColumnCount(); }
    void ForgetSort();
    // Selects only `row` (none for -1) and gives it the focus; true when anything changed.
    bool SelectOnly(int row, bool focus);
    void PlatformPress(int row, bool onCheckBox, bool toggle);
    void ReactToCheckToggle(int row, bool checkedBefore);
    void QueueForSelectedRows(bool doubleClick);
    void NotifySelection();

    Host& host_;
    std::vector<Column> columns_;
    std::deque<Row> rows_;
    int sortColumn_ = -1;
    int toolTipColumn_ = -1;
    bool sortAscending_ = true;
    int notifyId_ = 0;
    bool checkBoxes_ = false;
    bool gridLines_ = false;
    int lastEnsured_ = -1;
    RowNotification rowClicked_;
    RowNotification rowDoubleClicked_;
    CReportCtrlObserver* observer_ = nullptr;
    // Queued notifications hold a weak reference, so that they do nothing once the control is
    // gone.
    std::shared_ptr<CReportCtrl*> alive_;
};

}  // namespace qv
