#include "ui/ReportCtrl.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace qv {

namespace {

constexpr size_t kMaxTitleChars = 255;
constexpr int kMaxColumnWidth = 65535;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits at every `sep`, dropping empty pieces.
std::vector<std::string> SplitDroppingEmpty(const std::string& text, char sep) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(sep, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// A decimal integer read the way atoi reads it (leading blanks, a sign, digits up to the first
// non-digit, no digits giving 0), saturating instead of overflowing.
int AtoiSaturating(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = static_cast<long long>(INT_MAX) + 1;
            break;
        }
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// --- The sort comparison ---

// The hexadecimal reading: like strtoul with base 16 where unsigned long has 32 bits (leading
// white space, a sign and a "0x" prefix accepted, too large values giving 0xFFFFFFFF, a minus
// sign negating modulo 2^32). True only when the whole non-empty text is consumed.
bool ParseHex32(const std::string& text, std::uint32_t& value) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && IsSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
    if (p == end || HexDigit(*p) < 0) return false;
    std::uint64_t v = 0;
    bool overflow = false;
    for (; p < end && HexDigit(*p) >= 0; ++p) {
        v = v * 16 + static_cast<unsigned>(HexDigit(*p));
        if (v > 0xFFFFFFFFu) {
            overflow = true;
            v = 0xFFFFFFFFu;
        }
    }
    if (p != end) return false;
    if (overflow)
        value = 0xFFFFFFFFu;
    else
        value = negative ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(v))
                         : static_cast<std::uint32_t>(v);
    return true;
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The end of the plain decimal number at the start of [p, end): leading white space, a sign,
// digits with an optional decimal point (at least one digit), an optional exponent. `p` itself
// when there is none. The words and forms a C library may also read as numbers ("nan", "inf",
// hexadecimal floating point) are not numbers here.
const char* EndOfDecimal(const char* p, const char* end) {
    const char* const start = p;
    const auto digits = [&](const char*& q) {
        const char* from = q;
        while (q < end && *q >= '0' && *q <= '9') ++q;
        return q > from;
    };
    while (p < end && IsSpace(*p)) ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    bool any = digits(p);
    if (p < end && *p == '.') {
        ++p;
        any = digits(p) || any;
    }
    if (!any) return start;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (digits(q)) p = q;
    }
    return p;
}

// The decimal reading: a plain decimal number (read as strtod reads it, in the C locale whatever
// the process's locale is) makes up the whole non-empty text, or all of it but one final '%'.
bool ParseDecimal(const std::string& text, double& value) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    const char* last = begin + text.size();
    const char* stop = EndOfDecimal(begin, last);
    if (stop == begin || !(stop == last || (stop == last - 1 && *stop == '%'))) return false;
    value = strtod_l(begin, nullptr, CLocale());
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return days[m - 1];
}

class DateScanner {
public:
    explicit DateScanner(const std::string& text)
        : p_(text.c_str()), end_(text.c_str() + text.size()) {}

    // Accepts "YYYY-MM-DD", "YYYY/MM/DD", "MM/DD/YYYY", "MM/DD/YY", each optionally followed by a
    // time, or a time alone ("HH:MM", "HH:MM:SS", fractions of a second, AM/PM), with blanks
    // around. The instant is in milliseconds.
    bool Parse(long long& instant) {
        SkipSpaces();
        int y = 1899, m = 12, d = 30;  // the day a time alone stands on
        long long ms = 0;
        const char* start = p_;
        int first = 0, digits = 0;
        if (!Number(4, first, digits)) return false;
        if (p_ < end_ && *p_ == ':') {
            p_ = start;
            if (!Time(ms)) return false;
        } else {
            if (p_ == end_ || (*p_ != '-' && *p_ != '/')) return false;
            const char sep = *p_++;
            int second = 0, third = 0, n2 = 0, n3 = 0;
            if (!Number(2, second, n2) || p_ == end_ || *p_++ != sep || !Number(4, third, n3))
                return false;
            if (digits == 4) {
                if (n3 > 2) return false;
                y = first, m = second, d = third;
            } else if (sep == '/' && (n3 == 4 || n3 == 2)) {
                m = first, d = second, y = third;
                if (n3 == 2) y += y < 30 ? 2000 : 1900;
            } else {
                return false;
            }
            if (y < 100 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
            const char* beforeTime = p_;
            if (p_ < end_ && (*p_ == 'T' || IsSpace(*p_))) {
                ++p_;
                SkipSpaces();
                if (p_ == end_) {
                    p_ = beforeTime;
                } else if (!Time(ms)) {
                    return false;
                }
            }
        }
        SkipSpaces();
        if (p_ != end_) return false;
        instant = DaysFromCivil(y, m, d) * 86400000LL + ms;
        return true;
    }

private:
    void SkipSpaces() {
        while (p_ < end_ && IsSpace(*p_)) ++p_;
    }
    // 1 to maxDigits decimal digits.
    bool Number(int maxDigits, int& value, int& digits) {
        value = 0;
        digits = 0;
        while (p_ < end_ && IsDigit(*p_) && digits < maxDigits) {
            value = value * 10 + (*p_++ - '0');
            ++digits;
        }
        return digits > 0 && !(p_ < end_ && IsDigit(*p_));
    }
    bool Time(long long& ms) {
        int h = 0, mi = 0, s = 0, n = 0;
        if (!Number(2, h, n) || p_ == end_ || *p_++ != ':') return false;
        if (!Number(2, mi, n) || n != 2) return false;
        long long fraction = 0;
        if (p_ < end_ && *p_ == ':') {
            ++p_;
            if (!Number(2, s, n) || n != 2) return false;
            if (p_ < end_ && *p_ == '.') {
                ++p_;
                int scale = 100, count = 0;
                for (; p_ < end_ && IsDigit(*p_); ++p_, ++count) {
                    fraction += (*p_ - '0') * scale;
                    scale /= 10;
                }
                if (count == 0) return false;
            }
        }
        const char* beforeMarker = p_;
        SkipSpaces();
        if (end_ - p_ >= 2 && (p_[1] == 'M' || p_[1] == 'm') &&
            (p_[0] == 'A' || p_[0] == 'a' || p_[0] == 'P' || p_[0] == 'p')) {
            if (h < 1 || h > 12) return false;
            const bool pm = p_[0] == 'P' || p_[0] == 'p';
            h = h % 12 + (pm ? 12 : 0);
            p_ += 2;
        } else {
            p_ = beforeMarker;
        }
        if (h > 23 || mi > 59 || s > 59) return false;
        ms = ((h * 60LL + mi) * 60 + s) * 1000 + fraction;
        return true;
    }

    const char* p_;
    const char* end_;
};

bool ParseDateTime(const std::string& text, long long& instant) {
    if (text.empty()) return false;
    return DateScanner(text).Parse(instant);
}

// Everything the comparison needs to know about one text, worked out once per row and sort.
struct SortKey {
    const char* text = "";  // NUL-terminated, as strcmp reads it
    bool isHex = false, isDecimal = false, isDate = false;
    std::uint32_t hex = 0;
    double decimal = 0;
    long long date = 0;
};

// `textCopy` is the text as strcmp sees it; it must live as long as the key.
SortKey MakeKey(const std::string& text, const char* textCopy) {
    SortKey k;
    k.text = textCopy;
    k.isHex = ParseHex32(text, k.hex);
    k.isDecimal = ParseDecimal(text, k.decimal);
    k.isDate = ParseDateTime(text, k.date);
    return k;
}

template <class T>
int ThreeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.isHex && b.isHex) return ThreeWay(a.hex, b.hex);
    if (a.isDecimal && b.isDecimal) return ThreeWay(a.decimal, b.decimal);
    if (a.isDate && b.isDate) return ThreeWay(a.date, b.date);
    const int c = std::strcmp(a.text, b.text);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// One row in the sort: its key and where it stood before.
struct SortItem {
    SortKey key;
    int row;
};

// The quicksort over row positions with the middle row as pivot. Its exact sequence of exchanges
// decides where rows that compare equal end up, so it is kept as it is. The keys travel with the
// positions so that the scans read memory in order, and the two halves are taken from a work
// list instead of the call stack; neither changes the result.
void QuickSort(std::vector<SortItem>& items, int sign) {
    std::vector<std::pair<int, int>> pending;
    pending.emplace_back(0, static_cast<int>(items.size()) - 1);
    while (!pending.empty()) {
        auto [low, high] = pending.back();
        pending.pop_back();
        while (low < high) {
            const SortKey pivot = items[(low + high) / 2].key;
            int i = low, j = high;
            do {
                while (i < high && sign * CompareKeys(items[i].key, pivot) < 0) ++i;
                while (j > low && sign * CompareKeys(items[j].key, pivot) > 0) --j;
                if (j < i) break;
                if (i != j) std::swap(items[i], items[j]);
                ++i;
                --j;
            } while (i <= j);
            if (low < j) pending.emplace_back(low, j);
            low = i;
        }
    }
}

const std::string kEmpty;

}  // namespace

CReportCtrl::CReportCtrl(Host& host) : host_(host), alive_(std::make_shared<CReportCtrl*>(this)) {}

CReportCtrl::~CReportCtrl() {
    if (observer_) observer_->ControlDestroyed();
    observer_ = nullptr;
    RemoveAllRows();
}

// --- Columns ---

bool CReportCtrl::ConfigureColumns(const std::string& layout) {
    if (observer_) observer_->BeginReset();
    rows_.clear();
    columns_.clear();
    lastEnsured_ = -1;
    for (const std::string& entry : SplitDroppingEmpty(layout, ';')) {
        const std::vector<std::string> fields = SplitDroppingEmpty(entry, ',');
        if (fields.empty()) continue;
        Column c;
        c.title = fields[0];
        if (fields.size() > 1) c.width = std::clamp(AtoiSaturating(fields[1]), 0, kMaxColumnWidth);
        if (fields.size() > 2) {
            const int a = AtoiSaturating(fields[2]);
            c.align = a == 1   ? ColumnAlign::Center
                      : a == 2 ? ColumnAlign::Right
                               : ColumnAlign::Left;
        }
        columns_.push_back(std::move(c));
    }
    if (observer_) observer_->EndReset();
    return !columns_.empty();
}

std::string CReportCtrl::ColumnTitle(int column) const {
    if (!ValidColumn(column)) return {};
    return columns_[column].title.substr(0, kMaxTitleChars);
}

int CReportCtrl::ColumnWidth(int column) const {
    return ValidColumn(column) ? columns_[column].width : 0;
}

ColumnAlign CReportCtrl::ColumnAlignment(int column) const {
    return ValidColumn(column) ? columns_[column].align : ColumnAlign::Left;
}

void CReportCtrl::UserResizeColumn(int column, int width) {
    if (!ValidColumn(column)) return;
    width = std::clamp(width, 0, kMaxColumnWidth);
    if (columns_[column].width == width) return;
    columns_[column].width = width;
    if (observer_) observer_->ColumnWidthChanged(column);
}

// --- Presentation ---

void CReportCtrl::ShowGridLines(bool on) {
    if (gridLines_ == on) return;
    gridLines_ = on;
    if (observer_) observer_->PresentationChanged();
}

void CReportCtrl::ShowCheckBoxes(bool on) {
    if (checkBoxes_ == on) return;
    checkBoxes_ = on;
    if (observer_) observer_->PresentationChanged();
}

// --- Rows ---

void CReportCtrl::ForgetSort() {
    if (sortColumn_ == -1 && sortAscending_) return;
    sortColumn_ = -1;
    sortAscending_ = true;
    if (observer_) observer_->SortChanged();
}

int CReportCtrl::AddRow(int row, const std::string& firstCellText) {
    if (row < 0 || row > RowCount()) return -1;
    Row r;
    r.cells.resize(columns_.size());
    if (!r.cells.empty()) r.cells[0].text = firstCellText;
    if (observer_) observer_->BeginInsertRows(row, row);
    rows_.insert(rows_.begin() + row, std::move(r));
    ForgetSort();
    if (observer_) observer_->EndInsertRows();
    return row;
}

bool CReportCtrl::SetCellText(int row, int column, const std::string& text) {
    if (!ValidRow(row) || !ValidColumn(column)) return false;
    rows_[row].cells[column].text = text;
    if (column == toolTipColumn_) rows_[row].toolTip.clear();
    ForgetSort();
    if (observer_) observer_->CellsChanged(row, row, column, column);
    return true;
}

const std::string& CReportCtrl::CellTextRef(int row, int column) const {
    if (!ValidRow(row) || !ValidColumn(column)) return kEmpty;
    return rows_[row].cells[column].text;
}

bool CReportCtrl::SetCellToolTip(int row, int column, const std::string& text) {
    if (!ValidRow(row) || !ValidColumn(column)) return false;
    if (toolTipColumn_ < 0) toolTipColumn_ = column;
    if (column != toolTipColumn_) return false;
    rows_[row].toolTip = text;
    return true;
}

const std::string& CReportCtrl::CellToolTip(int row, int column) const {
    if (!ValidRow(row) || column != toolTipColumn_) return kEmpty;
    return rows_[row].toolTip;
}

void CReportCtrl::SetCellTextColor(int row, int column, ColorRef color, bool /*redraw*/) {
    if (rows_.empty() || columns_.empty()) return;
    const int firstRow = ValidRow(row) ? row : 0;
    const int lastRow = ValidRow(row) ? row : RowCount() - 1;
    const int firstColumn = ValidColumn(column) ? column : 0;
    const int lastColumn = ValidColumn(column) ? column : ColumnCount() - 1;
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = firstColumn; c <= lastColumn; ++c) rows_[r].cells[c].color = color;
    if (observer_) observer_->CellsChanged(firstRow, lastRow, firstColumn, lastColumn);
}

ColorRef CReportCtrl::CellTextColor(int row, int column) const {
    if (!ValidRow(row) || !ValidColumn(column)) return kWindowTextColor;
    return rows_[row].cells[column].color;
}

int CReportCtrl::RemoveAllRows() {
    const int n = RowCount();
    lastEnsured_ = -1;
    if (n == 0) return 0;
    if (observer_) observer_->BeginRemoveRows(0, n - 1);
    rows_.clear();
    if (observer_) observer_->EndRemoveRows();
    return n;
}

// --- Row flags ---

void CReportCtrl::SetRowKey(int row, const std::string& key) {
    if (ValidRow(row)) rows_[row].key = key;
}

const std::string& CReportCtrl::RowKey(int row) const {
    return ValidRow(row) ? rows_[row].key : kEmpty;
}

bool CReportCtrl::IsRowChecked(int row) const {
    // A row that shows no check box is not checked, whatever its flag says.
    return checkBoxes_ && ValidRow(row) && rows_[row].checked;
}

void CReportCtrl::SetRowChecked(int row, bool checked) {
    if (!ValidRow(row) || rows_[row].checked == checked) return;
    rows_[row].checked = checked;
    if (observer_) observer_->CellsChanged(row, row, 0, 0);
}

bool CReportCtrl::IsRowSelected(int row) const {
    return ValidRow(row) && rows_[row].selected;
}

void CReportCtrl::SetRowSelected(int row) {
    if (!ValidRow(row)) return;
    bool changed = false;
    for (int r = 0; r < RowCount(); ++r) {
        const bool want = r == row;
        if (rows_[r].selected != want) {
            rows_[r].selected = want;
            changed = true;
        }
    }
    if (changed) NotifySelection();
}

int CReportCtrl::SelectedRow() const {
    for (int r = 0; r < RowCount(); ++r)
        if (rows_[r].selected) return r;
    return -1;
}

bool CReportCtrl::IsRowFocused(int row) const {
    return ValidRow(row) && rows_[row].focused;
}

int CReportCtrl::FocusedRow() const {
    for (int r = 0; r < RowCount(); ++r)
        if (rows_[r].focused) return r;
    return -1;
}

void CReportCtrl::SetRowFocused(int row) {
    if (row != -1 && !ValidRow(row)) return;
    bool changed = false;
    for (int r = 0; r < RowCount(); ++r) {
        const bool want = r == row;
        if (rows_[r].focused != want) {
            rows_[r].focused = want;
            changed = true;
        }
    }
    if (changed) NotifySelection();
}

void CReportCtrl::EnsureRowVisible(int row) {
    if (!ValidRow(row)) return;
    lastEnsured_ = row;
    if (observer_) observer_->EnsureRowVisible(row);
}

void CReportCtrl::EnsureRowRangeVisible(int first, int last) {
    if (!ValidRow(first) || !ValidRow(last)) return;
    lastEnsured_ = last;
    if (observer_) observer_->EnsureRowRangeVisible(first, last);
}

void CReportCtrl::NotifySelection() {
    if (observer_) observer_->SelectionChanged();
}

// --- Sort ---

int CReportCtrl::CompareCellTexts(const std::string& a, const std::string& b) {
    return CompareKeys(MakeKey(a, a.c_str()), MakeKey(b, b.c_str()));
}

void CReportCtrl::SortByColumn(int column, bool ascending) {
    if (!ValidColumn(column)) return;
    sortColumn_ = column;
    sortAscending_ = ascending;
    if (observer_) observer_->SortChanged();
    const int n = RowCount();
    if (n < 2) return;

    // The texts are copied side by side, so that the comparisons read them from one block.
    size_t total = 0;
    for (const Row& r : rows_) total += r.cells[column].text.size() + 1;
    std::string texts;
    texts.reserve(total);
    std::vector<size_t> offsets;
    offsets.reserve(n);
    for (const Row& r : rows_) {
        offsets.push_back(texts.size());
        texts += r.cells[column].text;
        texts += '\0';
    }
    std::vector<SortItem> items;
    items.reserve(n);
    for (int i = 0; i < n; ++i)
        items.push_back({MakeKey(rows_[i].cells[column].text, texts.data() + offsets[i]), i});
    QuickSort(items, ascending ? 1 : -1);

    if (observer_) observer_->BeginReorderRows();
    std::deque<Row> sorted;
    std::vector<int> newRowOfOld(n);
    for (int k = 0; k < n; ++k) {
        sorted.push_back(std::move(rows_[items[k].row]));
        newRowOfOld[items[k].row] = k;
    }
    rows_.swap(sorted);
    if (observer_) observer_->EndReorderRows(newRowOfOld);
}

// --- User input ---

void CReportCtrl::UserHeaderClick(int column) {
    const bool ascending = column != sortColumn_ || !sortAscending_;
    SortByColumn(column, ascending);
}

bool CReportCtrl::SelectOnly(int row, bool focus) {
    bool changed = false;
    for (int r = 0; r < RowCount(); ++r) {
        Row& x = rows_[r];
        const bool want = r == row;
        if (x.selected != want) {
            x.selected = want;
            changed = true;
        }
        if (focus && x.focused != want) {
            x.focused = want;
            changed = true;
        }
    }
    return changed;
}

void CReportCtrl::PlatformPress(int row, bool onCheckBox, bool toggle) {
    if (!ValidRow(row)) {
        // A press below the rows drops the selection; the focus stays where it was.
        if (SelectOnly(-1, false)) NotifySelection();
        return;
    }
    if (onCheckBox && checkBoxes_) {
        rows_[row].checked = !rows_[row].checked;
        if (observer_) observer_->CellsChanged(row, row, 0, 0);
        return;
    }
    if (toggle && rows_[row].selected) {
        rows_[row].selected = false;
        if (!rows_[row].focused) SetRowFocused(row);
        NotifySelection();
        return;
    }
    if (SelectOnly(row, true)) NotifySelection();
}

void CReportCtrl::ReactToCheckToggle(int row, bool checkedBefore) {
    if (!checkBoxes_ || !ValidRow(row) || rows_[row].checked == checkedBefore) return;
    if (SelectOnly(row, true)) NotifySelection();
}

void CReportCtrl::QueueForSelectedRows(bool doubleClick) {
    for (int r = 0; r < RowCount(); ++r) {
        if (!rows_[r].selected) continue;
        std::weak_ptr<CReportCtrl*> weak = alive_;
        const int id = notifyId_;
        host_.Post([weak, id, r, doubleClick] {
            auto self = weak.lock();
            if (!self) return;
            const RowNotification& handler =
                doubleClick ? (*self)->rowDoubleClicked_ : (*self)->rowClicked_;
            if (handler) handler(id, r);
        });
    }
}

void CReportCtrl::UserPress(int row, bool onCheckBox, bool toggle) {
    const bool before = IsRowChecked(row);
    PlatformPress(row, onCheckBox, toggle);
    ReactToCheckToggle(row, before);
    QueueForSelectedRows(false);
}

void CReportCtrl::UserDoubleClick(int row, bool onCheckBox) {
    const bool before = IsRowChecked(row);
    PlatformPress(row, onCheckBox, false);
    ReactToCheckToggle(row, before);
    QueueForSelectedRows(true);
}

void CReportCtrl::UserRightPress(int row) {
    if (SelectOnly(ValidRow(row) ? row : -1, ValidRow(row))) NotifySelection();
}

void CReportCtrl::UserKey(ReportKey key, int pageRows) {
    const int n = RowCount();
    if (key == ReportKey::Space || n == 0) return;
    const int current = FocusedRow();
    const int step = std::max(1, pageRows - 1);
    int target = 0;
    switch (key) {
        case ReportKey::Up:
            target = current < 0 ? 0 : current - 1;
            break;
        case ReportKey::Down:
            target = current < 0 ? 0 : current + 1;
            break;
        case ReportKey::PageUp:
            target = current < 0 ? 0 : current - step;
            break;
        case ReportKey::PageDown:
            target = current < 0 ? 0 : current + step;
            break;
        case ReportKey::Home:
            target = 0;
            break;
        case ReportKey::End:
            target = n - 1;
            break;
        case ReportKey::Space:
            return;
    }
    target = std::clamp(target, 0, n - 1);
    if (SelectOnly(target, true)) NotifySelection();
    EnsureRowVisible(target);
}

}  // namespace qv
