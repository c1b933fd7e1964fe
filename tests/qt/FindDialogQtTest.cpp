// The Find dialog as the Qt host renders it: its options stay hidden, radio buttons are radio
// buttons, and typing enables "&Find".
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "ui/FindTopDlg.h"

namespace qv {
namespace {

TEST(FindDialogQt, OptionsStayHiddenAndTypingEnablesFind) {
    QtHost host;
    CFindTopDlg dialog(host, "");
    host.ShowModeless(dialog);
    DialogWindow* w = host.WindowOf(dialog);
    ASSERT_NE(w, nullptr);
    for (int id : {IDC_FIND_UP, IDC_FIND_DOWN, IDC_FIND_MATCH_CASE, IDC_FIND_WHOLE_WORD})
        EXPECT_TRUE(w->Control(id)->isHidden()) << id;
    auto* down = qobject_cast<QRadioButton*>(w->Control(IDC_FIND_DOWN));
    ASSERT_NE(down, nullptr);
    EXPECT_TRUE(down->isChecked());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(w->Control(IDC_FIND_UP))->isChecked());

    auto* find = qobject_cast<QPushButton*>(w->Control(IDOK));
    auto* edit = qobject_cast<QLineEdit*>(w->Control(IDC_FIND_TEXT));
    ASSERT_NE(find, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(find->isEnabled());
    QTest::keyClicks(edit, "tax");
    host.PumpMessages();
    EXPECT_TRUE(find->isEnabled());
    EXPECT_EQ(dialog.GetDlgItemText(IDC_FIND_TEXT), "tax");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    host.PumpMessages();
    EXPECT_FALSE(find->isEnabled());
    host.DestroyModeless(dialog);
}

}  // namespace
}  // namespace qv
