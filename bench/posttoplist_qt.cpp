// The main window's fill of the result list with the window on screen (offscreen unless a
// platform is named): the records inserted at the top and coloured, sorted by "File", every row
// checked, then the repaint that follows. The cost per record should stay flat.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "bench/FillData.h"
#include "bench/QtBench.h"
#include "host/qt/QtHost.h"
#include "ui/MainWindow.h"

namespace {

using qvbench::MakeRecords;

void BM_PostTopListOnScreen(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    qv::QtHost host;
    qv::CQuorvelDlg window(host);
    host.ShowModeless(window);
    QApplication::processEvents();
    MakeRecords(window.SourceItems(), n);
    for (auto _ : state) {
        window.PostTopList();
        QApplication::processEvents();  // lay out and paint what is visible
    }
    if (window.ResultList().RowCount() != n) state.SkipWithError("not every record was shown");
    qvbench::PerRow(state, n, "per_record");
    host.DestroyModeless(window);
}

}  // namespace

BENCHMARK(BM_PostTopListOnScreen)
    ->Arg(10000)
    ->Arg(25000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchtools::OffscreenBench bench(argc, argv);
    if (!bench.ok()) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
