// The report list control under the result list's load: every row inserted at the top with its
// fourteen cell texts and two cell colours, then sorted by file name and by a date column.
#include "ui/ReportCtrl.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "host/headless/HeadlessHost.h"

namespace {

const char* const kLayout =
    "File,175;Path,250;Version,50;Type,40;Tag,30;Merge Status,215;Src Package,150;Datasize,60;"
    "Creator,125;Created Date,125;Modifier,125;Modified Date,125;Itemobjid,0;Record,0";

using RowTexts = std::array<std::string, 14>;

// Rows as a source load would give them, in no particular order.
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

// The time per row, to show that the cost per row stays flat as the list grows.
void PerRow(benchmark::State& state, size_t rows) {
    state.counters["per_row"] = benchmark::Counter(
        static_cast<double>(rows),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
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

void BM_Fill(benchmark::State& state) {
    const auto rows = MakeRows(static_cast<int>(state.range(0)));
    qv::HeadlessHost host;
    qv::CReportCtrl list(host);
    list.ConfigureColumns(kLayout);
    for (auto _ : state) Fill(list, rows);
    PerRow(state, rows.size());
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
    PerRow(state, rows.size());
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
    PerRow(state, rows.size());
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
