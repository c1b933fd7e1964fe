// The report list control under the result list's load: every row inserted at the top with its
// fourteen cell texts and two cell colours, then sorted by file name and by a date column.
#include "ui/ReportCtrl.h"

#include <benchmark/benchmark.h>

#include "bench/FillData.h"
#include "host/headless/HeadlessHost.h"

namespace {

using qvbench::Fill;
using qvbench::kLayout;
using qvbench::MakeRows;
using qvbench::PerRow;

void BM_Fill(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    qv::HeadlessHost host;
    qv::CReportCtrl list(host);
    list.ConfigureColumns(kLayout);
    for (auto _ : state) Fill(list, rows);
    PerRow(state, static_cast<double>(rows.size()));
}

void BM_FillAndSortTwice(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    qv::HeadlessHost host;
    qv::CReportCtrl list(host);
    list.ConfigureColumns(kLayout);
    for (auto _ : state) {
        Fill(list, rows);
        list.SortByColumn(0, true);
        list.SortByColumn(9, true);
    }
    PerRow(state, static_cast<double>(rows.size()));
}

void BM_Sort(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    const int column = static_cast<int>(state.range(1));
    qv::HeadlessHost host;
    qv::CReportCtrl list(host);
    list.ConfigureColumns(kLayout);
    for (auto _ : state) {
        state.PauseTiming();
        Fill(list, rows);
        state.ResumeTiming();
        list.SortByColumn(column, true);
    }
    PerRow(state, static_cast<double>(rows.size()));
}

}  // namespace

BENCHMARK(BM_Fill)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillAndSortTwice)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)
    ->ArgNames({"rows", "column"})
    ->Args({10000, 0})
    ->Args({50000, 0})
    ->Args({100000, 0})
    ->Args({10000, 9})
    ->Args({50000, 9})
    ->Args({100000, 9})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
