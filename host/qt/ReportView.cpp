#include "host/qt/ReportView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <algorithm>
#include <utility>

#include "ui/ReportCtrl.h"
#include "ui/ReportCtrlColors.h"

namespace qv {

namespace {

// A long tooltip broken into lines of about 90 characters at blanks: a plain-text tooltip is
// shown in one line however long, and Qt wraps a rich-text one into a narrow column.
QString WrappedToolTip(const QString& text) {
    constexpr int kWidth = 90;
    QString out;
    int lineStart = 0;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (out.size() > lineStart && out.size() - lineStart + 1 + word.size() > kWidth) {
            out += QLatin1Char('\n');
            lineStart = static_cast<int>(out.size());
        } else if (out.size() > lineStart) {
            out += QLatin1Char(' ');
        }
        out += word;
    }
    return out;
}

constexpr int kTextMargin = 4;   // between a cell's edges and its text
constexpr int kCheckMargin = 3;  // between a cell's left edge and its check box

QColor ToQColor(ColorRef c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

ColorRef ToColorRef(const QColor& c) {
    return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
           (static_cast<ColorRef>(c.blue()) << 16);
}

// The band of a row that is not selected: the list's own light bands on a light palette; on a
// dark one the palette's base and alternate base, so that the list does not shine out of a dark
// window.
QColor BandColor(const QPalette& palette, int row) {
    const QColor base = palette.color(QPalette::Base);
    if (!IsDarkBackground(ToColorRef(base))) return ToQColor(CReportCtrl::RowBackgroundColor(row));
    return row % 2 == 0 ? base : palette.color(QPalette::AlternateBase);
}

// A cell's own text colour as drawn: unchanged on light bands, lightened on dark ones until it
// reads against the lighter of the two bands.
QColor ShownTextColor(const QPalette& palette, ColorRef color) {
    const QColor a = BandColor(palette, 0), b = BandColor(palette, 1);
    const QColor lighter = a.lightness() >= b.lightness() ? a : b;
    return ToQColor(ReadableTextColor(color, ToColorRef(lighter)));
}

Qt::Alignment ToQtAlignment(ColumnAlign a) {
    switch (a) {
        case ColumnAlign::Center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case ColumnAlign::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case ColumnAlign::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// Where the check box of a row sits in its first cell.
QRect CheckBoxRect(const QRect& cell, const QWidget* widget) {
    const QStyle* style = widget->style();
    const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    return QRect(cell.left() + kCheckMargin, cell.top() + (cell.height() - h) / 2, w, h);
}

// The table model over the control. It holds no data of its own: every call reads the control.
class ReportModel final : public QAbstractTableModel {
public:
    ReportModel(CReportCtrl* ctrl, QWidget* view)
        : QAbstractTableModel(view), ctrl_(ctrl), view_(view) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !ctrl_ ? 0 : ctrl_->RowCount();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() || !ctrl_ ? 0 : ctrl_->ColumnCount();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!ctrl_ || !index.isValid() || index.row() >= ctrl_->RowCount() ||
            index.column() >= ctrl_->ColumnCount())
            return {};
        const int row = index.row(), column = index.column();
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromUtf8(ctrl_->CellTextRef(row, column));
            case Qt::ForegroundRole: {
                const ColorRef c = ctrl_->CellTextColor(row, column);
                return c == kWindowTextColor ? QVariant()
                                             : QVariant(ShownTextColor(view_->palette(), c));
            }
            case Qt::BackgroundRole:
                return BandColor(view_->palette(), row);
            case Qt::CheckStateRole:
                if (column == 0 && ctrl_->CheckBoxesShown())
                    return static_cast<int>(ctrl_->IsRowChecked(row) ? Qt::Checked : Qt::Unchecked);
                return {};
            case Qt::TextAlignmentRole:
                return static_cast<int>(ToQtAlignment(ctrl_->ColumnAlignment(column)));
            case Qt::ToolTipRole: {
                const std::string& tip = ctrl_->CellToolTip(row, column);
                if (tip.empty()) return {};
                return WrappedToolTip(QString::fromUtf8(tip));
            }
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (!ctrl_ || orientation != Qt::Horizontal || section < 0 ||
            section >= ctrl_->ColumnCount())
            return {};
        if (role == Qt::DisplayRole) return QString::fromUtf8(ctrl_->ColumnTitle(section));
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>(ToQtAlignment(ctrl_->ColumnAlignment(section)));
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (index.column() == 0 && ctrl_ && ctrl_->CheckBoxesShown()) f |= Qt::ItemIsUserCheckable;
        return f;
    }

    // --- Forwarded changes of the control ---
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void BeginInsert(int first, int last) { beginInsertRows(QModelIndex(), first, last); }
    void EndInsert() { endInsertRows(); }
    void BeginRemove(int first, int last) { beginRemoveRows(QModelIndex(), first, last); }
    void EndRemove() { endRemoveRows(); }
    void BeginReorder() { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); }
    void EndReorder(const std::vector<int>& newRowOfOld) {
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& index : from) {
            const int r = index.row();
            to.append(r >= 0 && r < static_cast<int>(newRowOfOld.size())
                          ? createIndex(newRowOfOld[r], index.column())
                          : QModelIndex());
        }
        changePersistentIndexList(from, to);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) {
        emit dataChanged(createIndex(firstRow, firstColumn), createIndex(lastRow, lastColumn));
    }
    void Detach() {
        beginResetModel();
        ctrl_ = nullptr;
        endResetModel();
    }

private:
    CReportCtrl* ctrl_;
    QWidget* view_;
};

class ReportTreeView;

// Draws a cell: the row's band (or the selection colour), the check box, the text in the cell's
// own colour, and the grid lines.
class ReportDelegate final : public QStyledItemDelegate {
public:
    explicit ReportDelegate(ReportTreeView* view);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ReportTreeView* view_;
};

// The list widget: a flat tree view with uniform rows, no selection of its own (the control's
// flags are the selection) and input handed to the control.
class ReportTreeView final : public QTreeView, public CReportCtrlObserver {
public:
    ReportTreeView(CReportCtrl& ctrl, QWidget* parent, std::function<void(int, int)> onContextMenu)
        : QTreeView(parent), ctrl_(&ctrl), onContextMenu_(std::move(onContextMenu)) {
        model_ = new ReportModel(ctrl_, this);
        setModel(model_);
        setItemDelegate(new ReportDelegate(this));
        setUniformRowHeights(true);
        setRootIsDecorated(false);
        setItemsExpandable(false);
        setIndentation(0);
        setAllColumnsShowFocus(true);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSortingEnabled(false);
        setAutoScroll(false);
        setTextElideMode(Qt::ElideRight);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        setContextMenuPolicy(Qt::DefaultContextMenu);
        header()->setStretchLastSection(false);
        header()->setSectionsMovable(false);
        header()->setSectionsClickable(true);
        header()->setMinimumSectionSize(1);
        header()->setSectionResizeMode(QHeaderView::Interactive);
        header()->setSortIndicatorShown(true);
        connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
            if (ctrl_) ctrl_->UserHeaderClick(column);
        });
        connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
            if (ctrl_ && !applyingColumns_ && !header()->isSectionHidden(column))
                ctrl_->UserResizeColumn(column, size);
        });
        ctrl_->SetObserver(this);
        ApplyColumns();
        SyncCurrent();
        SortChanged();
    }

    ~ReportTreeView() override {
        if (ctrl_) ctrl_->SetObserver(nullptr);
    }

    const CReportCtrl* ctrl() const { return ctrl_; }

    // The colour of text that has none of its own: the palette's text colour, unless that would
    // vanish on the bands (light text on the list's own light bands).
    QColor WindowTextColor() const {
        const QColor text = palette().color(QPalette::Text);
        const QColor band = BandColor(palette(), 0);
        return ContrastRatio(ToColorRef(text), ToColorRef(band)) >= kReadableContrast
                   ? text
                   : QColor(Qt::black);
    }
    QColor TextColorOf(ColorRef c) const {
        return c == kWindowTextColor ? WindowTextColor() : ShownTextColor(palette(), c);
    }

    // --- CReportCtrlObserver ---
    void BeginReset() override {
        pendingScrollRow_ = -1;
        pendingFirstRow_ = -1;
        model_->BeginReset();
    }
    void EndReset() override {
        model_->EndReset();
        ApplyColumns();
        SyncCurrent();
        SortChanged();
    }
    void BeginInsertRows(int first, int last) override {
        if (pendingScrollRow_ >= first) pendingScrollRow_ += last - first + 1;
        model_->BeginInsert(first, last);
    }
    void EndInsertRows() override { model_->EndInsert(); }
    void BeginRemoveRows(int first, int last) override {
        if (pendingScrollRow_ > last)
            pendingScrollRow_ -= last - first + 1;
        else if (pendingScrollRow_ >= first)
            pendingScrollRow_ = -1;
        model_->BeginRemove(first, last);
    }
    void EndRemoveRows() override { model_->EndRemove(); }
    void BeginReorderRows() override { model_->BeginReorder(); }
    void EndReorderRows(const std::vector<int>& newRowOfOld) override {
        if (pendingScrollRow_ >= 0 && pendingScrollRow_ < static_cast<int>(newRowOfOld.size()))
            pendingScrollRow_ = newRowOfOld[pendingScrollRow_];
        model_->EndReorder(newRowOfOld);
    }
    void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) override {
        model_->CellsChanged(firstRow, lastRow, firstColumn, lastColumn);
    }
    void ColumnWidthChanged(int column) override {
        if (!ctrl_ || column >= header()->count()) return;
        applyingColumns_ = true;
        const int width = ctrl_->ColumnWidth(column);
        if (width == 0) {
            setColumnHidden(column, true);
        } else {
            setColumnHidden(column, false);
            header()->resizeSection(column, width);
        }
        applyingColumns_ = false;
    }
    void PresentationChanged() override {
        if (ctrl_ && ctrl_->RowCount() > 0 && ctrl_->ColumnCount() > 0)
            model_->CellsChanged(0, ctrl_->RowCount() - 1, 0, 0);
        viewport()->update();
    }
    void SelectionChanged() override {
        SyncCurrent();
        viewport()->update();
    }
    void EnsureRowVisible(int row) override {
        if (!ctrl_ || row < 0 || row >= ctrl_->RowCount() || ctrl_->ColumnCount() == 0) return;
        // Scrolling moves the pixels on screen at once. A long run asks for a row after every
        // row it works on, so the requests made between two passes of the event loop scroll
        // once, to the last row asked for.
        pendingScrollRow_ = row;
        pendingFirstRow_ = -1;
        if (scrollPosted_) return;
        scrollPosted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { ApplyPendingScroll(); }, Qt::QueuedConnection);
    }
    void EnsureRowRangeVisible(int first, int last) override {
        EnsureRowVisible(last);
        if (pendingScrollRow_ == last) pendingFirstRow_ = first;
    }
    void SortChanged() override {
        if (!ctrl_ || ctrl_->SortColumn() < 0) {
            header()->setSortIndicator(-1, Qt::AscendingOrder);
            return;
        }
        header()->setSortIndicator(
            ctrl_->SortColumn(), ctrl_->SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    void ControlDestroyed() override {
        ctrl_ = nullptr;
        pendingScrollRow_ = -1;
        model_->Detach();
    }

    void ApplyPendingScroll() {
        scrollPosted_ = false;
        const int row = pendingScrollRow_;
        const int first = pendingFirstRow_;
        pendingScrollRow_ = -1;
        pendingFirstRow_ = -1;
        if (!ctrl_ || row < 0 || row >= ctrl_->RowCount() || ctrl_->ColumnCount() == 0) return;
        // Only vertically: the horizontal position stays where the user left it.
        const int x = horizontalScrollBar()->value();
        scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
        // A range's first row wins: above the shown rows it becomes the top row.
        if (first >= 0 && first < row)
            scrollTo(model_->index(first, 0), QAbstractItemView::EnsureVisible);
        horizontalScrollBar()->setValue(x);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        if (!ctrl_) return;
        const QPoint pos = event->position().toPoint();
        const QModelIndex index = indexAt(pos);
        const int row = index.isValid() ? index.row() : -1;
        setFocus(Qt::MouseFocusReason);
        if (event->button() == Qt::LeftButton)
            ctrl_->UserPress(row, HitsCheckBox(index, pos),
                             event->modifiers().testFlag(Qt::ControlModifier));
        else if (event->button() == Qt::RightButton)
            ctrl_->UserRightPress(row);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        event->accept();
        if (!ctrl_) return;
        const QPoint pos = event->position().toPoint();
        const QModelIndex index = indexAt(pos);
        const int row = index.isValid() ? index.row() : -1;
        if (event->button() == Qt::LeftButton)
            ctrl_->UserDoubleClick(row, HitsCheckBox(index, pos));
        else if (event->button() == Qt::RightButton)
            ctrl_->UserRightPress(row);
    }

    // No drag selection and no press state of the item view: the control decided on the press.
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }

    void contextMenuEvent(QContextMenuEvent* event) override {
        event->accept();
        if (!onContextMenu_) return;
        if (event->reason() == QContextMenuEvent::Mouse) {
            onContextMenu_(event->globalPos().x(), event->globalPos().y());
            return;
        }
        // The menu key already opened the menu while it went down.
        if (std::exchange(menuKeyHandled_, false)) return;
        OpenMenuAtFocusedRow();
    }

    void keyPressEvent(QKeyEvent* event) override {
        menuKeyHandled_ = false;
        const auto mods = event->modifiers() & ~Qt::KeypadModifier;
        if ((event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
            (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
            event->accept();
            menuKeyHandled_ = event->key() == Qt::Key_Menu;
            OpenMenuAtFocusedRow();
            return;
        }
        if (!ctrl_ || (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
            QTreeView::keyPressEvent(event);
            return;
        }
        switch (event->key()) {
            case Qt::Key_Up:
                ctrl_->UserKey(ReportKey::Up, PageRows());
                break;
            case Qt::Key_Down:
                ctrl_->UserKey(ReportKey::Down, PageRows());
                break;
            case Qt::Key_PageUp:
                ctrl_->UserKey(ReportKey::PageUp, PageRows());
                break;
            case Qt::Key_PageDown:
                ctrl_->UserKey(ReportKey::PageDown, PageRows());
                break;
            case Qt::Key_Home:
                ctrl_->UserKey(ReportKey::Home, PageRows());
                break;
            case Qt::Key_End:
                ctrl_->UserKey(ReportKey::End, PageRows());
                break;
            case Qt::Key_Space:
                ctrl_->UserKey(ReportKey::Space, PageRows());
                break;
            case Qt::Key_Left:
                horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
                break;
            case Qt::Key_Right:
                horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
                break;
            default:
                QTreeView::keyPressEvent(event);
                SyncCurrent();  // the item view's own keys must not move the focus frame
                return;
        }
        event->accept();
    }

    // Typing selects the next row whose first cell begins with the typed text.
    void keyboardSearch(const QString& search) override {
        if (!ctrl_ || search.isEmpty() || ctrl_->RowCount() == 0) return;
        if (!searchTimer_.isValid() ||
            searchTimer_.elapsed() > QApplication::keyboardInputInterval())
            searchText_.clear();
        searchTimer_.restart();
        const bool fresh = searchText_.isEmpty();
        searchText_ += search;
        const int n = ctrl_->RowCount();
        const int focused = ctrl_->FocusedRow();
        const int start = focused < 0 ? 0 : (fresh ? focused + 1 : focused);
        for (int k = 0; k < n; ++k) {
            const int row = (start + k) % n;
            if (QString::fromUtf8(ctrl_->CellTextRef(row, 0))
                    .startsWith(searchText_, Qt::CaseInsensitive)) {
                ctrl_->SetRowSelected(row);
                ctrl_->SetRowFocused(row);
                ctrl_->EnsureRowVisible(row);
                return;
            }
        }
    }

    void focusInEvent(QFocusEvent* event) override {
        QTreeView::focusInEvent(event);
        SyncCurrent();  // the item view may have picked a current row of its own
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTreeView::focusOutEvent(event);
        viewport()->update();
    }

    // The focus frame around the focused row while the list has the keyboard focus.
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override {
        QTreeView::drawRow(painter, option, index);
        if (!ctrl_ || !hasFocus() || !ctrl_->IsRowFocused(index.row())) return;
        const QPalette::ColorRole role =
            ctrl_->IsRowSelected(index.row()) ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        QPen pen(palette().color(QPalette::Active, role), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        const int right = std::min(option.rect.right(), viewport()->width() - 1);
        painter->drawRect(QRect(QPoint(option.rect.left(), option.rect.top()),
                                QPoint(right - 1, option.rect.bottom() - 1)));
        painter->restore();
    }

private:
    // The row menu for the focused row, from the keyboard: below the row's first cell, which is
    // scrolled into view first; at the list's top left without a focused row.
    void OpenMenuAtFocusedRow() {
        if (!onContextMenu_) return;
        QPoint at(kTextMargin, kTextMargin);
        const int row = ctrl_ ? ctrl_->FocusedRow() : -1;
        if (row >= 0 && ctrl_->ColumnCount() > 0) {
            const QModelIndex index = model_->index(row, 0);
            const int x = horizontalScrollBar()->value();
            scrollTo(index, QAbstractItemView::EnsureVisible);
            horizontalScrollBar()->setValue(x);
            const QRect cell = visualRect(index);
            at = QPoint(std::max(0, cell.left()) + 2 * kTextMargin, cell.bottom());
        }
        const QPoint global = viewport()->mapToGlobal(at);
        onContextMenu_(global.x(), global.y());
    }

    bool HitsCheckBox(const QModelIndex& index, const QPoint& pos) const {
        return ctrl_ && ctrl_->CheckBoxesShown() && index.isValid() && index.column() == 0 &&
               CheckBoxRect(visualRect(index), this).contains(pos);
    }

    int PageRows() const {
        const int h = std::max(1, itemDelegate()->sizeHint(viewOptionsForHint(), {}).height());
        return std::max(1, viewport()->height() / h);
    }

    QStyleOptionViewItem viewOptionsForHint() const {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        return option;
    }

    void ApplyColumns() {
        if (!ctrl_) return;
        applyingColumns_ = true;
        for (int c = 0; c < ctrl_->ColumnCount() && c < header()->count(); ++c) {
            const int width = ctrl_->ColumnWidth(c);
            setColumnHidden(c, width == 0);
            if (width > 0) header()->resizeSection(c, width);
        }
        applyingColumns_ = false;
    }

    // The item view's current index follows the control's focused row, so that the focus frame
    // is drawn there.
    void SyncCurrent() {
        if (!ctrl_ || !selectionModel()) return;
        const int focused = ctrl_->FocusedRow();
        const QModelIndex index =
            focused >= 0 && ctrl_->ColumnCount() > 0 ? model_->index(focused, 0) : QModelIndex();
        if (selectionModel()->currentIndex() != index)
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }

    CReportCtrl* ctrl_;
    ReportModel* model_ = nullptr;
    std::function<void(int, int)> onContextMenu_;
    bool applyingColumns_ = false;
    int pendingScrollRow_ = -1;  // the row to scroll to at the next pass of the event loop
    int pendingFirstRow_ = -1;   // with it, the first row of a range to show
    bool menuKeyHandled_ = false;
    bool scrollPosted_ = false;
    QString searchText_;
    QElapsedTimer searchTimer_;
};

ReportDelegate::ReportDelegate(ReportTreeView* view) : QStyledItemDelegate(view), view_(view) {}

void ReportDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const CReportCtrl* ctrl = view_->ctrl();
    if (!ctrl || index.row() >= ctrl->RowCount() || index.column() >= ctrl->ColumnCount()) return;
    const int row = index.row(), column = index.column();
    const bool selected = ctrl->IsRowSelected(row);
    const QPalette::ColorGroup group = view_->hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QRect cell = option.rect;

    painter->save();
    painter->fillRect(cell, selected ? option.palette.color(group, QPalette::Highlight)
                                     : BandColor(view_->palette(), row));

    QRect textRect = cell.adjusted(kTextMargin, 0, -kTextMargin, 0);
    if (column == 0 && ctrl->CheckBoxesShown()) {
        QStyleOptionViewItem check(option);
        check.rect = CheckBoxRect(cell, view_);
        check.state = QStyle::State_Enabled |
                      (ctrl->IsRowChecked(row) ? QStyle::State_On : QStyle::State_Off);
        view_->style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter,
                                      view_);
        textRect.setLeft(check.rect.right() + 1 + kTextMargin);
    }

    const std::string& text = ctrl->CellTextRef(row, column);
    if (!text.empty() && textRect.width() > 0) {
        QColor color;
        if (selected) {
            color = option.palette.color(group, QPalette::HighlightedText);
        } else {
            color = view_->TextColorOf(ctrl->CellTextColor(row, column));
        }
        painter->setPen(color);
        painter->setFont(option.font);
        const QString shown = option.fontMetrics.elidedText(QString::fromUtf8(text), Qt::ElideRight,
                                                            textRect.width());
        painter->drawText(textRect,
                          ToQtAlignment(ctrl->ColumnAlignment(column)) | Qt::TextSingleLine, shown);
    }

    if (ctrl->GridLinesShown()) {
        const QStyleOptionViewItem& o = option;
        const int gridHint = view_->style()->styleHint(QStyle::SH_Table_GridLineColor, &o, view_);
        painter->setPen(QColor::fromRgba(static_cast<QRgb>(gridHint)));
        painter->drawLine(cell.topRight(), cell.bottomRight());
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    }
    painter->restore();
}

QSize ReportDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QStyle* style = view_->style();
    const int indicatorWidth = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view_);
    const int indicatorHeight = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, view_);
    const int height = std::max(option.fontMetrics.height(), indicatorHeight) + 4;
    int width = 2 * kTextMargin;
    const CReportCtrl* ctrl = view_->ctrl();
    if (ctrl && index.isValid() && index.row() < ctrl->RowCount() &&
        index.column() < ctrl->ColumnCount()) {
        width += option.fontMetrics.horizontalAdvance(
            QString::fromUtf8(ctrl->CellTextRef(index.row(), index.column())));
        if (index.column() == 0 && ctrl->CheckBoxesShown()) width += kCheckMargin + indicatorWidth;
    }
    return QSize(width, height);
}

}  // namespace

QWidget* CreateReportView(CReportCtrl& ctrl, QWidget* parent,
                          std::function<void(int globalX, int globalY)> onContextMenu) {
    return new ReportTreeView(ctrl, parent, std::move(onContextMenu));
}

}  // namespace qv
