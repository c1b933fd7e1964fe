// The report list control with its Qt view attached and shown (offscreen unless a platform is
// named): the result list's fill, the two sorts and the repaint that follows, and the colouring of
// single rows while the list is on screen, as an analysis run does it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "bench/FillData.h"
#include "host/headless/HeadlessHost.h"
#include "host/qt/ReportView.h"
#include "ui/ReportCtrl.h"

namespace {

using qvbench::Fill;
using qvbench::kLayout;
using qvbench::MakeRows;
using qvbench::PerRow;

struct Shown {
    qv::HeadlessHost host;
    qv::CReportCtrl list{host};
    std::unique_ptr<QWidget> view;
    Shown() {
        list.ConfigureColumns(kLayout);
        list.ShowGridLines(true);
        view.reset(qv::CreateReportView(list, nullptr, {}));
        view->resize(1000, 600);
        view->show();
        QApplication::processEvents();
    }
};

// Fill, sort by file name and by a date, then let the view lay out and paint once.
void BM_FillSortAndPaintWithView(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    Shown s;
    for (auto _ : state) {
        Fill(s.list, rows);
        s.list.SortByColumn(0, true);
        s.list.SortByColumn(9, true);
        s.list.ShowCheckBoxes(true);
        for (int r = 0; r < s.list.RowCount(); ++r) s.list.SetRowChecked(r, true);
        QApplication::processEvents();
        s.list.ShowCheckBoxes(false);
    }
    PerRow(state, static_cast<double>(rows.size()));
}

// One row classified at a time on a list on screen: its outcome written and coloured, the list
// scrolled to it, and the pending painting done, as an analysis run does after every row.
void BM_ColourRowsOnScreen(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    Shown s;
    Fill(s.list, rows);
    s.list.SortByColumn(0, true);
    QApplication::processEvents();
    const int n = s.list.RowCount();
    int row = 0;
    for (auto _ : state) {
        s.list.EnsureRowVisible(row);
        s.list.SetCellText(row, 5, "3 -> 4");
        s.list.SetCellTextColor(row, 5, 0xFF0000, true);
        s.list.SetCellTextColor(row, 5, 0x0032C8, true);
        QApplication::processEvents();
        row = (row + 1) % n;
    }
}

// "Select All" on a list that is on screen: every row's check box changes, then one repaint.
void BM_CheckAllRowsOnScreen(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    Shown s;
    Fill(s.list, rows);
    s.list.ShowCheckBoxes(true);
    QApplication::processEvents();
    bool checked = false;
    for (auto _ : state) {
        checked = !checked;
        for (int r = 0; r < s.list.RowCount(); ++r) s.list.SetRowChecked(r, checked);
        QApplication::processEvents();
    }
    PerRow(state, static_cast<double>(rows.size()));
}

}  // namespace

BENCHMARK(BM_CheckAllRowsOnScreen)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillSortAndPaintWithView)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourRowsOnScreen)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
