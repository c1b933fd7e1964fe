// The analysis run in the shown main window: the run button pressed, then pressed again as
// Cancel while a tool runs.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "app/Trace.h"
#include "host/qt/DialogWindow.h"
#include "host/qt/QtHost.h"
#include "process/Launcher.h"
#include "tests/app/Support.h"
#include "tests/support/TempEnv.h"
#include "ui/MainWindow.h"

namespace qv {
namespace {

// Every row has a target item; working on a row runs a short external program, the way the
// calculation runs the query tool, and the test acts while it runs.
class ToolWindow : public CQuorvelDlg {
public:
    using CQuorvelDlg::CQuorvelDlg;
    bool GetTargetPackageData() override {
        for (int i = 0; i < 6; ++i) {
            CTFObj t;
            t.itemName = "f" + std::to_string(i) + ".c";
            t.mappedVersion = "4";
            TargetItems().SetAt(std::to_string(i), t);
        }
        SetTargetDataLoaded(true);
        return true;
    }
    MappedVersion CalculateMappedVersion(const CTFObj& target, bool) override {
        int pid = 0;
        RunAndWait("sleep 0.05", "tool", 0, 5000, pid, &host());
        KillProcess(pid, &host());
        if (whileToolRan) whileToolRan(target);
        return {MappedStatus::Result, "4.1.1"};
    }
    std::function<void(const CTFObj&)> whileToolRan;
};

TEST(MainWindowRunQt, TheRunButtonTurnsIntoCancelAndStopsTheRun) {
    qvtest::TempDir dir;
    SetTraceFile(dir / "Quorvel.trc");
    QtHost host;
    ToolWindow w(host);
    host.ShowModeless(w);
    DialogWindow* view = host.WindowOf(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    auto* run = qobject_cast<QPushButton*>(view->Control(IDC_RUN_CPM));
    auto* list = qobject_cast<QAbstractItemView*>(view->Control(IDC_RESULT_LIST));
    ASSERT_NE(run, nullptr);
    ASSERT_NE(list, nullptr);
    auto cell = [&](int row) {
        return list->model()->data(list->model()->index(row, kColMergeStatus)).toString();
    };

    for (int i = 0; i < 6; ++i) {
        CFObj r;
        r.itemName = "f" + std::to_string(i) + ".c";
        r.mappedVersion = "3";
        r.itemObjId = std::to_string(i);
        r.result = "old";
        w.SourceItems().SetAt(r.itemObjId, r);
    }
    w.PostTopList();
    w.SelectedPackages().SetAt("P", CPkgObj{"P", "1"});
    w.SetDlgItemText(IDC_TGT_PROJECT, "PayrollEU");
    w.SetDlgItemText(IDC_TGT_STATE, "DEV");
    w.SetDlgItemText(IDC_TGT_PACKAGE, "EU0001");
    w.ComboSelectString(IDC_PLACEMENT_OPTIONS, -1, "Branch Only");
    QApplication::processEvents();

    struct Seen {
        QString caption;
        bool findEnabled;
        bool targetEnabled;
        QString cell;
    };
    std::vector<Seen> seen;
    w.whileToolRan = [&](const CTFObj& t) {
        const int row = t.itemName[1] - '0';
        seen.push_back({run->text(), view->Control(IDC_FIND)->isEnabled(),
                        view->Control(IDC_TGT_PACKAGE)->isEnabled(), cell(row)});
        if (row == 2) QTest::mouseClick(run, Qt::LeftButton);
    };
    QTest::mouseClick(run, Qt::LeftButton);
    host.PumpMessages();

    // Rows 0 to 2 were worked on; the Cancel press came while row 2's tool ran.
    ASSERT_EQ(seen.size(), 3u);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.caption, "Cancel");
        EXPECT_FALSE(s.findEnabled);
        EXPECT_FALSE(s.targetEnabled);
        EXPECT_EQ(s.cell, "   ...");
    }
    // The rows the run did not reach show no outcome of an earlier run.
    for (int r = 0; r < 6; ++r) EXPECT_EQ(cell(r), r <= 2 ? "3 -> 4.1.1" : "") << r;
    EXPECT_EQ(run->text(), "Cross Project Merge Analysis");
    EXPECT_FALSE(w.AnalysisRunning());
    for (int id : CQuorvelDlg::RunControlIds()) EXPECT_TRUE(view->Control(id)->isEnabled()) << id;
    EXPECT_TRUE(run->isEnabled());
    host.DestroyModeless(w);

    // The rows' trace lines, held back between frames, are all in the file, numbered in order.
    int rows = 0;
    long number = 0;
    std::string last;
    for (const std::string& line : qvtest::Lines(qvtest::ReadFile(dir / "Quorvel.trc"))) {
        EXPECT_EQ(std::stol(line), ++number) << line;
        last = line;
        rows += line.find(" Src: ") != std::string::npos;
    }
    SetTraceFile("");
    EXPECT_EQ(rows, 3);
    EXPECT_NE(last.find("OnBtnRunCPM: Cancel Button pressed - END"), std::string::npos) << last;
}

// The list scrolls once per pass of the event loop, to the last row asked for, however many
// rows a run asks for in between; a sort in between keeps the row asked for.
TEST(MainWindowRunQt, ScrollRequestsBetweenTwoPassesScrollOnceToTheLastRow) {
    QtHost host;
    CQuorvelDlg w(host);
    host.ShowModeless(w);
    DialogWindow* view = host.WindowOf(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    auto* list = qobject_cast<QAbstractItemView*>(view->Control(IDC_RESULT_LIST));
    for (int i = 0; i < 200; ++i) {
        CFObj r;
        r.itemName = "f" + std::to_string(1000 + i) + ".c";
        r.itemObjId = std::to_string(i);
        w.SourceItems().SetAt(r.itemObjId, r);
    }
    w.PostTopList();
    QApplication::processEvents();
    auto visible = [&](int row) {
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        return list->viewport()->rect().contains(cell);
    };
    ASSERT_TRUE(visible(0));
    ASSERT_FALSE(visible(150));

    CReportCtrl& ctrl = w.ResultList();
    ctrl.EnsureRowVisible(150);
    ctrl.EnsureRowVisible(170);
    EXPECT_TRUE(visible(0));  // nothing moved yet
    QApplication::processEvents();
    EXPECT_TRUE(visible(170));
    EXPECT_EQ(ctrl.LastEnsuredVisibleRow(), 170);

    // The row asked for is followed through a sort that comes before the scroll.
    ctrl.EnsureRowVisible(5);  // f1005.c
    ctrl.SortByColumn(kColFile, false);
    QApplication::processEvents();
    EXPECT_TRUE(visible(194));
    EXPECT_EQ(list->model()->data(list->model()->index(194, 0)).toString(), "f1005.c");
    host.DestroyModeless(w);
}

}  // namespace
}  // namespace qv
