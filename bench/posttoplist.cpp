// The main window's fill of the result list from the source records, on the headless host: every
// record inserted at the top with its fourteen cells, its Tag and Merge Status cells coloured,
// then the sort by "File" and the check box of every row. The cost per record should stay flat.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include "bench/FillData.h"
#include "host/headless/HeadlessHost.h"
#include "ui/MainWindow.h"

namespace {

using qvbench::MakeRecords;

void BM_PostTopList(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    qv::HeadlessHost host;
    qv::CQuorvelDlg window(host);
    host.ShowModeless(window);
    MakeRecords(window.SourceItems(), n);
    for (auto _ : state) window.PostTopList();
    if (window.ResultList().RowCount() != n) state.SkipWithError("not every record was shown");
    qvbench::PerRow(state, n, "per_record");
}

}  // namespace

BENCHMARK(BM_PostTopList)->Arg(10000)->Arg(25000)->Arg(50000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // No stored column layout of the user's own takes part.
    char dir[] = "/tmp/qv-bench-XXXXXX";
    if (mkdtemp(dir)) setenv("XDG_CONFIG_HOME", dir, 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (dir[0]) rmdir(dir);
    return 0;
}
