#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "tests/qt/QtTestSupport.h"
#include "ui/MainWindow.h"
#include "ui/RegSettingsDlg.h"

namespace qv {
namespace {

CFObj Record(const std::string& name, const std::string& tag, const std::string& result) {
    CFObj r;
    r.itemName = name;
    r.pathFullName = "\\Payroll\\src";
    r.mappedVersion = "3";
    r.versionStatus = tag;
    r.itemObjId = "id-" + name;
    r.result = result;
    return r;
}

QColor ToQColor(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// The main window shown on the offscreen platform, filled with three rows.
struct ShownWindow {
    QtHost host;
    CQuorvelDlg window{host};
    DialogWindow* view = nullptr;
    QAbstractItemView* list = nullptr;

    ShownWindow() {
        host.ShowModeless(window);
        view = host.WindowOf(window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
        list = qobject_cast<QAbstractItemView*>(view->Control(IDC_RESULT_LIST));
        Put(Record("c.c", "", "3 -> 2.1.3  (U) Unmerged Exists"));
        Put(Record("a.c", "N", "3 -> 4"));
        Put(Record("b.c", "D", "3 (D) -> Src Ignored"));
        window.PostTopList();
        QApplication::processEvents();
    }
    ~ShownWindow() { host.DestroyModeless(window); }
    void Put(const CFObj& r) { window.SourceItems().SetAt(r.itemObjId, r); }
    QVariant Cell(int row, int column, int role) const {
        return list->model()->data(list->model()->index(row, column), role);
    }
};

TEST(MainWindowQt, TheFilledListShowsItsRowsWithTheirColours) {
    ShownWindow s;
    ASSERT_NE(s.list, nullptr);
    EXPECT_EQ(s.view->windowTitle(), "Quorvel 1.07 - Quorvel");
    ASSERT_EQ(s.list->model()->rowCount(), 3);
    EXPECT_EQ(s.list->model()->columnCount(), 14);
    const char* files[] = {"a.c", "b.c", "c.c"};
    const ColorRef status[] = {ColorResult, ColorIgnored, ColorProblem};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(s.Cell(r, kColFile, Qt::DisplayRole).toString(), files[r]);
        EXPECT_EQ(s.Cell(r, kColMergeStatus, Qt::ForegroundRole).value<QColor>(),
                  ToQColor(status[r]))
            << r;
        EXPECT_EQ(s.Cell(r, kColFile, Qt::CheckStateRole).toInt(), Qt::Checked) << r;
    }
    EXPECT_EQ(s.Cell(0, kColTag, Qt::ForegroundRole).value<QColor>(), ToQColor(ColorTagNew));
    EXPECT_EQ(s.Cell(1, kColTag, Qt::ForegroundRole).value<QColor>(), ToQColor(ColorTagDeleted));
    // The two carrier columns are not seen.
    auto* tree = qobject_cast<QTreeView*>(s.list);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->isColumnHidden(kColItemObjId));
    EXPECT_TRUE(tree->isColumnHidden(kColRecord));
    EXPECT_FALSE(tree->isColumnHidden(kColSrcPackage));
    EXPECT_EQ(qobject_cast<QLineEdit*>(s.view->Control(IDC_ROW_COUNT))->text(), "3");
}

TEST(MainWindowQt, ARightClickOnTheFilledListOpensTheContextMenu) {
    ShownWindow s;
    QStringList offered;
    WhenModal([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return false;
        for (QAction* a : menu->actions()) offered << a->text();
        QTest::keyClick(menu, Qt::Key_Escape);
        return true;
    });
    const QPoint at(40, 40);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, s.list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(s.list->viewport(), &e);
    s.host.PumpMessages();
    EXPECT_EQ(offered, (QStringList{"Run CPM on this item...", "Open in Crystaledit...",
                                    "Open in HexViewer...", "Open in Default Assoc...",
                                    "WinDiff vs Latest Version..."}));
}

TEST(MainWindowQt, TheWindowMenuOpensTheAboutBox) {
    ShownWindow s;
    QString aboutTitle;
    bool menuAnswered = false;
    WhenModal([&] {
        if (!menuAnswered) {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return false;
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
            menuAnswered = true;
            return false;
        }
        auto* about = qobject_cast<DialogWindow*>(QApplication::activeModalWidget());
        if (!about || about == s.view) return false;
        aboutTitle = about->windowTitle();
        QTest::mouseClick(about->Control(IDOK), Qt::LeftButton);
        return true;
    });
    QTest::mouseClick(s.view->WindowMenuButton(), Qt::LeftButton);
    s.host.PumpMessages();
    EXPECT_TRUE(menuAnswered);
    EXPECT_EQ(aboutTitle, "About...");
    EXPECT_FALSE(s.window.IsEnded());
}

// The fill gives the list the keyboard focus; the focus the window got when it was first
// activated does not take it back afterwards.
TEST(MainWindowQt, TheFilledListKeepsTheFocus) {
    ShownWindow s;
    EXPECT_EQ(s.window.GetFocusId(), IDC_RESULT_LIST);
    EXPECT_TRUE(s.list->hasFocus());
    // The user's own focus moves still reach the window.
    QWidget* target = s.view->Control(IDC_TGT_STATE);
    target->setFocus(Qt::TabFocusReason);
    s.host.PumpMessages();
    EXPECT_EQ(s.window.GetFocusId(), IDC_TGT_STATE);
}

// The Registry Settings dialog hides its package box together with the box's label.
TEST(MainWindowQt, AHiddenLabelOfATemplateIsNotShown) {
    QtHost host;
    CRegSettingsDlg dialog(host, "", {});
    host.ShowModeless(dialog);
    DialogWindow* view = host.WindowOf(dialog);
    const DialogTemplate& t = dialog.Template();
    int labels = 0;
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        if (c.kind != ControlKind::Static) continue;
        ++labels;
        EXPECT_EQ(view->WidgetAt(i)->isVisible(), c.caption != "Package:") << c.caption;
    }
    EXPECT_EQ(labels, 5);
    EXPECT_FALSE(view->Control(IDC_REG_PACKAGE)->isVisible());
    host.DestroyModeless(dialog);
}

}  // namespace
}  // namespace qv
