#include <gtest/gtest.h>

#include <climits>

#include "host/headless/HeadlessHost.h"
#include "ui/WaitDlg.h"

namespace qv {
namespace {

class WaitDlgTest : public ::testing::Test {
protected:
    HeadlessHost host;
    Dialog owner{host, DialogTemplate{}};
    int flag = 1;
};

TEST_F(WaitDlgTest, ProgressTruncatesAndOnlyMovesForward) {
    struct Case {
        int total;
        std::vector<int> indexes;
        std::vector<int> bar;  // bar position after each report
        long long slept;
    };
    const std::vector<Case> cases = {
        {4, {0, 1, 2, 3}, {0, 25, 50, 75}, 0},
        {100, {33, 66, 100}, {33, 66, 100}, 500},
        {3, {1, 2}, {33, 66}, 0},
        {10, {5, 3, 7}, {50, 50, 70}, 0},
        {2, {5}, {100}, 500},  // above 100 is shown as 100
        {0, {1, 2}, {0, 0}, 0},
        {1, {INT_MIN, INT_MAX}, {0, 100}, 500},  // far outside the total
    };
    for (const Case& c : cases) {
        HeadlessHost h;
        Dialog o(h, DialogTemplate{});
        int f = 1;
        CWaitDlg dlg(h, f, c.total, o);
        for (size_t i = 0; i < c.indexes.size(); ++i) {
            dlg.ReportProgress(c.indexes[i]);
            EXPECT_EQ(dlg.GetProgressPos(IDC_WAIT_PROGRESS), c.bar[i])
                << "total " << c.total << " step " << i;
        }
        EXPECT_EQ(h.sleptMs, c.slept) << "total " << c.total;
    }
}

TEST_F(WaitDlgTest, OwnerIsDisabledUntilClose) {
    {
        CWaitDlg dlg(host, flag, 4, owner);
        EXPECT_FALSE(owner.IsWindowEnabled());
        EXPECT_TRUE(dlg.HasWindow());
        dlg.SetStatusText("PKG1");
        EXPECT_EQ(dlg.GetDlgItemText(IDC_WAIT_TEXT), "PKG1");
        dlg.Close();
        EXPECT_TRUE(owner.IsWindowEnabled());
        dlg.Close();  // a second close changes nothing
        dlg.SetStatusText("later");
        EXPECT_EQ(dlg.GetDlgItemText(IDC_WAIT_TEXT), "PKG1");
    }
    // A dialog the caller forgot to close gives the window back when destroyed.
    {
        CWaitDlg dlg(host, flag, 4, owner);
        EXPECT_FALSE(owner.IsWindowEnabled());
    }
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(flag, 1);
}

TEST_F(WaitDlgTest, EscapeCancelsAndLaterUpdatesAreIgnored) {
    CWaitDlg dlg(host, flag, 4, owner);
    // The Escape key arrives as a pending message, let through by a progress report.
    host.Post([&] { dlg.UserKeyEscape(); });
    dlg.ReportProgress(1);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_WAIT_TEXT), "CANCELLED");
    EXPECT_FALSE(dlg.HasWindow());
    EXPECT_TRUE(owner.IsWindowEnabled());
    dlg.ReportProgress(3);
    dlg.SetStatusText("PKG2");
    EXPECT_EQ(dlg.GetProgressPos(IDC_WAIT_PROGRESS), 25);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_WAIT_TEXT), "CANCELLED");
}

TEST_F(WaitDlgTest, EnterLeavesTheWindowShownAndTheOwnerDisabled) {
    CWaitDlg dlg(host, flag, 4, owner);
    dlg.UserKeyEnter();
    EXPECT_FALSE(dlg.IsEnded());
    EXPECT_TRUE(dlg.HasWindow());
    EXPECT_FALSE(owner.IsWindowEnabled());
    EXPECT_EQ(flag, 1);
}

TEST_F(WaitDlgTest, PumpOnceLetsExactlyOneMessageThroughAndStopsAtAClose) {
    CWaitDlg dlg(host, flag, 0, owner);
    int runs = 0;
    host.Post([&] { ++runs; });
    host.Post([&] { ++runs; });
    EXPECT_TRUE(dlg.PumpOnce());
    EXPECT_EQ(runs, 1);
    host.PumpMessages();
    host.PostClose();
    EXPECT_FALSE(dlg.PumpOnce());
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(host.PeekMessage(), PendingMessage::Close);  // left for the main loop
}

}  // namespace
}  // namespace qv
