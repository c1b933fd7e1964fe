// The report list control with its Qt view attached and shown (offscreen unless a platform is
// named): the result list's fill, the two sorts and the repaint that follows, and the colouring of
// single rows while the list is on screen, as an analysis run does it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QWidget>
#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/headless/HeadlessHost.h"
#include "host/qt/ReportView.h"
#include "ui/ReportCtrl.h"

namespace {

const char* const kLayout =
    "File,175;Path,250;Version,50;Type,40;Tag,30;Merge Status,215;Src Package,150;Datasize,60;"
    "Creator,125;Created Date,125;Modifier,125;Modified Date,125;Itemobjid,0;Record,0";

using RowTexts = std::array<std::string, 14>;

std::vector<RowTexts> MakeRows(int n) {
    std::mt19937 random(7);
    std::vector<RowTexts> rows(n);
    const char* tags[] = {"", "", "", "N", "R", "M", "D"};
    char buf[64];
    for (int k = 0; k < n; ++k) {
        RowTexts& t = rows[k];
        std::snprintf(buf, sizeof buf, "file%06u.c", static_cast<unsigned>(random() % 1000000));
        t[0] = buf;
        t[1] = "\\Payroll\\src\\module" + std::to_string(random() % 200);
        t[2] = "1." + std::to_string(random() % 9) + "." + std::to_string(random() % 30);
        t[3] = "1";
        t[4] = tags[random() % 7];
        t[5] = std::to_string(random() % 9) + " -> " + std::to_string(random() % 9);
        t[6] = "PKG" + std::to_string(random() % 40);
        std::snprintf(buf, sizeof buf, "%-12u", static_cast<unsigned>(random() % 5000000));
        t[7] = buf;
        t[8] = "user" + std::to_string(random() % 50);
        std::snprintf(
            buf, sizeof buf, "20%02u-%02u-%02u %02u:%02u:%02u",
            static_cast<unsigned>(10 + random() % 15), static_cast<unsigned>(1 + random() % 12),
            static_cast<unsigned>(1 + random() % 28), static_cast<unsigned>(random() % 24),
            static_cast<unsigned>(random() % 60), static_cast<unsigned>(random() % 60));
        t[9] = buf;
        t[10] = "user" + std::to_string(random() % 50);
        t[11] = t[9];
        t[12] = std::to_string(100000 + k);
        t[13] = std::to_string(k);
    }
    return rows;
}

void Fill(qv::CReportCtrl& list, const std::vector<RowTexts>& rows) {
    list.RemoveAllRows();
    for (const RowTexts& t : rows) {
        list.AddRow(0, "");
        for (int c = 0; c < 14; ++c) list.SetCellText(0, c, t[c]);
        list.SetCellTextColor(0, 4, 0x008000, true);
        list.SetCellTextColor(0, 5, 0xFF0000, true);
    }
}

void PerRow(benchmark::State& state, double rows) {
    state.counters["per_row"] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

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
