#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/FakeRepository.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

namespace qv {
namespace {

void Type(DialogWindow* view, int id, const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(view->Control(id));
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The user opens the context dialog from the main window, searches, unchecks the second package
// and presses OK; the window's list then shows the first package's items.
TEST(ContextDialogQt, SearchUncheckOkFillsTheMainWindowList) {
    QtHost host;
    CQuorvelDlg window(host);
    qvtest::FakeRepository repo(host);
    window.SetRepositoryForTesting(&repo);
    host.ShowModeless(window);
    DialogWindow* main = host.WindowOf(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    window.SetDlgItemText(IDC_BROKER, "demo");
    window.SetDlgItemText(IDC_USERID, "ann");
    window.SetDlgItemText(IDC_PASSWORD, "pw");

    repo.Answer(
        "ENVIRONMENTNAME\tSTATENAME\tPACKAGENAME\nPayroll\tDEV\tPAY0001\n"
        "Payroll\tDEV\tPAY0002\n");
    repo.Answer(
        "ITEMNAME\tPATHFULLNAME\tMAPPEDVERSION\n"
        "a.cpp\t\\Payroll\\src\t3\t1\tN\t10\tann\tt\tbob\tt\t101\n"
        "b.cpp\t\\Payroll\\src\t2\t1\tN\t10\tann\tt\tbob\tt\t102\n");

    int step = 0;
    QString title;
    int listed = 0;
    bool uncheckedSecond = false;
    WhenModal([&] {
        auto* view = qobject_cast<DialogWindow*>(QApplication::activeModalWidget());
        if (!view || view == main || !view->dialog()) return false;
        auto& d = static_cast<CContextSetDlg&>(*view->dialog());
        auto* list = qobject_cast<QTreeView*>(view->Control(IDC_CTX_PACKAGE_LIST));
        switch (step) {
            case 0:
                title = view->windowTitle();
                Type(view, IDC_CTX_SRC_PROJECT, "Payroll");
                Type(view, IDC_CTX_SRC_STATE, "DEV");
                Type(view, IDC_CTX_TGT_PROJECT, "PayrollEU");
                Type(view, IDC_CTX_TGT_STATE, "DEV");
                Type(view, IDC_CTX_TGT_PACKAGE, "EU0001");
                QTest::mouseClick(view->Control(IDC_CTX_SEARCH), Qt::LeftButton);
                ++step;
                break;
            case 1: {
                if (d.PackageList.GetCount() == 0 || !list) return false;
                listed = list->model()->rowCount();
                const QRect cell = list->visualRect(list->model()->index(1, 0));
                const int w = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  QPoint(cell.left() + 3 + w / 2, cell.center().y()));
                ++step;
                break;
            }
            case 2:
                if (d.Packages().IsRowChecked(1)) return false;
                uncheckedSecond = true;
                QTest::mouseClick(view->Control(IDOK), Qt::LeftButton);
                return true;
        }
        return false;
    });
    QTest::mouseClick(main->Control(IDC_SET_CONTEXT), Qt::LeftButton);
    host.PumpMessages();

    EXPECT_EQ(title, "Set Context and Source Packages List");
    EXPECT_EQ(listed, 2);
    EXPECT_TRUE(uncheckedSecond);
    // The search, the one chosen package, and the target data of the new target context.
    ASSERT_EQ(repo.statements().size(), 3u);
    EXPECT_NE(repo.statements()[1].find("'PAY0001'"), std::string::npos);
    EXPECT_NE(repo.statements()[2].find("'PayrollEU'"), std::string::npos);
    auto* list = qobject_cast<QAbstractItemView*>(main->Control(IDC_RESULT_LIST));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(0, kColFile).data().toString(), "a.cpp");
    EXPECT_EQ(list->model()->index(1, kColSrcPackage).data().toString(), "PAY0001");
    EXPECT_EQ(qobject_cast<QLineEdit*>(main->Control(IDC_SRC_PROJECT))->text(), "Payroll");
    EXPECT_EQ(qobject_cast<QLineEdit*>(main->Control(IDC_ROW_COUNT))->text(), "2");
    EXPECT_TRUE(main->isEnabled());
    host.DestroyModeless(window);
}

}  // namespace
}  // namespace qv
