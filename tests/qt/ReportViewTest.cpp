#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "host/headless/HeadlessHost.h"
#include "host/qt/ReportView.h"
#include "ui/ReportCtrl.h"

namespace qv {
namespace {

// Collects the model tester's complaints instead of only printing them.
std::vector<std::string>* g_complaints = nullptr;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (g_complaints && type != QtDebugMsg && type != QtInfoMsg)
        g_complaints->push_back(text.toStdString());
}

class ReportViewTest : public ::testing::Test {
protected:
    void Fill(int rows) {
        list.ConfigureColumns("File,120;Size,60,2;Tag,40,1;Record,0");
        list.SetNotifyId(1090);
        list.ShowGridLines(true);
        for (int r = 0; r < rows; ++r) {
            const int row = list.AddRow(0, "file" + std::to_string(rows - 1 - r));
            list.SetCellText(row, 1, std::to_string((rows - 1 - r) * 7 % 10));
            list.SetCellText(row, 3, std::to_string(r));
        }
    }

    QTreeView* Show() {
        widget.reset(
            CreateReportView(list, nullptr, [this](int x, int y) { menuAt.emplace_back(x, y); }));
        auto* view = qobject_cast<QTreeView*>(widget.get());
        EXPECT_NE(view, nullptr);
        widget->resize(500, 300);
        widget->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
        return view;
    }

    QPoint CellCenter(QTreeView* view, int row, int column) {
        return view->visualRect(view->model()->index(row, column)).center();
    }

    QPoint CheckBoxCenter(QTreeView* view, int row) {
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        const int w = view->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, view);
        return QPoint(cell.left() + 3 + w / 2, cell.center().y());
    }

    void ClickHeader(QTreeView* view, int column) {
        QHeaderView* h = view->header();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                        h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    std::vector<std::string> Column(int c) const {
        std::vector<std::string> out;
        for (int r = 0; r < list.RowCount(); ++r) out.push_back(list.CellText(r, c));
        return out;
    }

    HeadlessHost host;
    CReportCtrl list{host};
    std::unique_ptr<QWidget> widget;
    std::vector<std::pair<int, int>> menuAt;
};

TEST_F(ReportViewTest, ModelTesterFindsNothingWrongThroughEveryKindOfChange) {
    std::vector<std::string> complaints;
    g_complaints = &complaints;
    const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    {
        Fill(20);
        QTreeView* view = Show();
        QAbstractItemModelTester tester(view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        list.AddRow(0, "top");
        list.AddRow(list.RowCount(), "bottom");
        list.AddRow(5, "middle");
        list.SetCellText(3, 1, "x");
        list.SetCellTextColor(4, -1, 0x0000FF);
        list.SetCellTextColor(-1, 2, 0x00FF00);
        list.ShowCheckBoxes(true);
        list.SetRowChecked(2, true);
        list.UserPress(7);
        list.SortByColumn(0, true);
        list.SortByColumn(1, false);
        list.EnsureRowVisible(15);
        QApplication::processEvents();
        list.RemoveAllRows();
        list.AddRow(0, "again");
        list.ConfigureColumns("Package, 400;Record, 0");
        list.AddRow(0, "P1");
        list.ShowCheckBoxes(false);
        QApplication::processEvents();
    }
    qInstallMessageHandler(previous);
    g_complaints = nullptr;
    for (const auto& c : complaints) ADD_FAILURE() << c;
}

TEST_F(ReportViewTest, HeaderClicksSortThroughTheControl) {
    Fill(10);
    QTreeView* view = Show();
    ClickHeader(view, 1);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_TRUE(list.SortAscending());
    for (int r = 1; r < list.RowCount(); ++r)
        EXPECT_LE(list.CellText(r - 1, 1), list.CellText(r, 1));
    ClickHeader(view, 1);
    EXPECT_FALSE(list.SortAscending());
    EXPECT_GE(list.CellText(0, 1), list.CellText(list.RowCount() - 1, 1));
    ClickHeader(view, 0);
    EXPECT_EQ(list.SortColumn(), 0);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(list.CellText(0, 0), "file0");
    // The model shows the new order.
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), "file0");
}

TEST_F(ReportViewTest, ClicksOnCheckBoxesAndRowsReachTheControl) {
    Fill(8);
    list.ShowCheckBoxes(true);
    std::vector<std::pair<int, int>> clicked;
    list.SetRowClickedHandler([&](int id, int row) { clicked.emplace_back(id, row); });
    QTreeView* view = Show();

    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(view, 4, 1));
    EXPECT_TRUE(list.IsRowSelected(4));
    EXPECT_EQ(list.FocusedRow(), 4);
    EXPECT_FALSE(list.IsRowChecked(4));

    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, CheckBoxCenter(view, 2));
    EXPECT_TRUE(list.IsRowChecked(2));
    EXPECT_TRUE(list.IsRowSelected(2));
    EXPECT_FALSE(list.IsRowSelected(4));
    EXPECT_EQ(list.FocusedRow(), 2);
    EXPECT_EQ(view->model()->index(2, 0).data(Qt::CheckStateRole).toInt(),
              static_cast<int>(Qt::Checked));

    // A click beside the check box does not toggle it.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(view, 2, 1));
    EXPECT_TRUE(list.IsRowChecked(2));

    // Below the last row: no row stays selected, so no notification.
    const QRect last = view->visualRect(view->model()->index(7, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(last.center().x(), last.bottom() + 40));
    EXPECT_EQ(list.SelectedRow(), -1);

    EXPECT_TRUE(clicked.empty());  // queued, not delivered inside the presses
    host.PumpMessages();
    EXPECT_EQ(clicked, (std::vector<std::pair<int, int>>{{1090, 4}, {1090, 2}, {1090, 2}}));
}

TEST_F(ReportViewTest, KeysMoveTheSelectionButSpaceDoesNothing) {
    Fill(5);
    list.ShowCheckBoxes(true);
    QTreeView* view = Show();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(list.FocusedRow(), 1);
    EXPECT_TRUE(list.IsRowSelected(1));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(list.IsRowChecked(1));
    EXPECT_EQ(list.FocusedRow(), 1);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(list.FocusedRow(), 4);
    // Typing the start of a first cell selects that row.
    QTest::keyClicks(view, "FILE2");
    EXPECT_EQ(list.FocusedRow(), 2);
}

TEST_F(ReportViewTest, RightClickFocusesTheRowAndAsksForTheMenuAtTheScreenPosition) {
    Fill(6);
    QTreeView* view = Show();
    const QPoint at = CellCenter(view, 3, 0);
    QTest::mousePress(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, Qt::NoModifier, at);
    EXPECT_EQ(list.FocusedRow(), 3);
    EXPECT_TRUE(list.IsRowSelected(3));

    const QPoint global = view->viewport()->mapToGlobal(at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, global);
    QApplication::sendEvent(view->viewport(), &event);
    ASSERT_EQ(menuAt.size(), 1u);
    EXPECT_EQ(menuAt[0], std::make_pair(global.x(), global.y()));
}

TEST_F(ReportViewTest, ColourChangesTouchOnlyTheirRow) {
    Fill(50);
    QTreeView* view = Show();
    QSignalSpy spy(view->model(), &QAbstractItemModel::dataChanged);
    list.SetCellTextColor(5, 2, 0xFF0080);
    list.SetCellTextColor(9, -1, 0x0032C8);
    list.SetCellText(11, 1, "new");
    ASSERT_EQ(spy.count(), 3);
    const int rows[] = {5, 9, 11};
    for (int i = 0; i < 3; ++i) {
        const auto topLeft = spy.at(i).at(0).value<QModelIndex>();
        const auto bottomRight = spy.at(i).at(1).value<QModelIndex>();
        EXPECT_EQ(topLeft.row(), rows[i]);
        EXPECT_EQ(bottomRight.row(), rows[i]);
    }
    EXPECT_EQ(view->model()->index(5, 2).data(Qt::ForegroundRole).value<QColor>(),
              QColor(128, 0, 255));
}

// A cell's tooltip is shown in lines of readable length, and only where the cell has one.
TEST_F(ReportViewTest, ATooltipIsBrokenIntoLines) {
    Fill(3);
    QTreeView* view = Show();
    std::string reason;
    for (int i = 0; i < 30; ++i) reason += "word" + std::to_string(i) + " ";
    ASSERT_TRUE(list.SetCellToolTip(1, 2, reason));
    const QString tip = view->model()->index(1, 2).data(Qt::ToolTipRole).toString();
    EXPECT_EQ(QString(tip).replace(QLatin1Char('\n'), QLatin1Char(' ')),
              QString::fromStdString(reason).trimmed());
    for (const QString& line : tip.split(QLatin1Char('\n'))) EXPECT_LE(line.size(), 90);
    EXPECT_GT(tip.count(QLatin1Char('\n')), 1);
    EXPECT_FALSE(view->model()->index(1, 1).data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(view->model()->index(0, 2).data(Qt::ToolTipRole).isValid());
}

// Row bands start again at the top after a sort; hidden columns stay hidden, and widths dragged in
// the view reach the control.
TEST_F(ReportViewTest, BandsHiddenColumnsAndDraggedWidths) {
    Fill(6);
    list.SetCellText(0, 2, "zz");
    list.SetCellTextColor(0, 2, 0x0000FF);
    QTreeView* view = Show();
    list.SortByColumn(0, false);
    QApplication::processEvents();
    QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(240, 247, 249));
    EXPECT_EQ(model->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(229, 232, 239));
    EXPECT_TRUE(view->header()->isSectionHidden(3));
    EXPECT_FALSE(view->header()->isSectionHidden(0));
    EXPECT_EQ(view->header()->sectionSize(0), 120);

    // What is painted: the bands, and the selection colour on a selected row.
    list.SetRowSelected(2);
    QApplication::processEvents();
    const QImage image = view->viewport()->grab().toImage();
    auto pixelInEmptyPartOf = [&](int row) {
        const QRect cell = view->visualRect(model->index(row, 2));  // "Tag" is empty but row 5's
        return image.pixelColor(cell.left() + 2, cell.center().y());
    };
    EXPECT_EQ(pixelInEmptyPartOf(0), QColor(240, 247, 249));
    EXPECT_EQ(pixelInEmptyPartOf(1), QColor(229, 232, 239));
    const auto group = view->hasFocus() ? QPalette::Active : QPalette::Inactive;
    EXPECT_EQ(pixelInEmptyPartOf(2), view->palette().color(group, QPalette::Highlight));

    view->header()->resizeSection(1, 77);
    EXPECT_EQ(list.ColumnWidth(1), 77);
    EXPECT_EQ(list.ColumnWidth(3), 0);
}

TEST_F(ReportViewTest, TheViewSurvivesItsControl) {
    auto owned = std::make_unique<CReportCtrl>(host);
    owned->ConfigureColumns("A;B");
    owned->AddRow(0, "x");
    std::unique_ptr<QWidget> view(CreateReportView(*owned, nullptr, {}));
    view->show();
    owned.reset();
    auto* tree = qobject_cast<QTreeView*>(view.get());
    EXPECT_EQ(tree->model()->rowCount(), 0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QApplication::processEvents();
}

}  // namespace
}  // namespace qv
