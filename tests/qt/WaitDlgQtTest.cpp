// The wait dialog over a modal main window on the Qt host, with input that arrives the way a
// real display delivers it: only when a full pump takes in the window system's events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "tests/qt/QtTestSupport.h"
#include "ui/WaitDlg.h"

namespace qv {
namespace {

DialogTemplate MainTemplate() {
    DialogTemplate t;
    t.id = 600;
    t.title = "Main";
    t.width = 200;
    t.height = 80;
    t.controls = {{IDOK, ControlKind::Button, "OK", 90, 60, 50, 14, kDefaultButton}};
    return t;
}

// A main window that runs `work` from its message queue once it is shown.
class WorkingWindow : public Dialog {
public:
    WorkingWindow(Host& host, std::function<void(WorkingWindow&)> work)
        : Dialog(host, MainTemplate()), work_(std::move(work)) {}
    bool OnInitDialog() override {
        host().Post([this] {
            work_(*this);
            EndDialog(IDOK);
        });
        return true;
    }

private:
    std::function<void(WorkingWindow&)> work_;
};

// Answers the next message box with OK; records its text.
void AnswerNextMessageBox(std::string& text) {
    WhenModal([&text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return false;
        text = box->text().toStdString();
        box->accept();
        return true;
    });
}

struct Step {
    int report;
    int percent;
    bool shown;
    bool ownerEnabled;
    int flag;
};

// A message box runs during the wait; an Escape pressed during a report is acted on in that
// very report, and the main window comes back.
TEST(WaitDlgOnQt, EscapeDuringAReportCancelsInThatReport) {
    QtHost host;
    int flag = 1;
    std::string boxText;
    std::vector<Step> steps;
    const int escapeAtReport = 2;
    int report = -1;
    WorkingWindow main(host, [&](WorkingWindow& w) {
        CWaitDlg wait(host, flag, 4, w);
        host.SimulateWindowSystemInput([&] {
            if (report == escapeAtReport && wait.HasWindow())
                QTest::keyClick(host.WindowOf(wait), Qt::Key_Escape);
        });
        for (report = 0; report < 4; ++report) {
            if (report == 1) {
                host.Post([&] { host.MessageBox(MsgKind::Plain, "during the wait"); });
                AnswerNextMessageBox(boxText);
            }
            wait.ReportProgress(report);
            const DialogWindow* view = host.WindowOf(w);
            EXPECT_EQ(view && view->isEnabled(), w.IsWindowEnabled()) << report;
            steps.push_back(
                {report, wait.CurrentPercent(), wait.HasWindow(), w.IsWindowEnabled(), flag});
        }
        host.SimulateWindowSystemInput({});
        EXPECT_EQ(wait.GetDlgItemText(IDC_WAIT_TEXT), "CANCELLED");
    });
    EXPECT_EQ(host.RunModal(main), IDOK);
    EXPECT_EQ(boxText, "during the wait");
    const Step expected[] = {
        {0, 0, true, false, 1},
        {1, 25, true, false, 1},
        {2, 50, false, true, 0},
        {3, 50, false, true, 0},
    };
    ASSERT_EQ(steps.size(), std::size(expected));
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].percent, expected[i].percent);
        EXPECT_EQ(steps[i].shown, expected[i].shown);
        EXPECT_EQ(steps[i].ownerEnabled, expected[i].ownerEnabled);
        EXPECT_EQ(steps[i].flag, expected[i].flag);
    }
}

// The main window is given back also when the wait window went away without Close.
TEST(WaitDlgOnQt, CloseGivesTheMainWindowBackWhenTheWaitWindowIsGone) {
    QtHost host;
    int flag = 1;
    bool enabledAfterClose = false;
    WorkingWindow main(host, [&](WorkingWindow& w) {
        CWaitDlg wait(host, flag, 4, w);
        host.DestroyModeless(wait);
        EXPECT_FALSE(w.IsWindowEnabled());
        wait.Close();
        enabledAfterClose = w.IsWindowEnabled() && host.WindowOf(w)->isEnabled();
    });
    EXPECT_EQ(host.RunModal(main), IDOK);
    EXPECT_TRUE(enabledAfterClose);
    EXPECT_EQ(flag, 1);
}

}  // namespace
}  // namespace qv
