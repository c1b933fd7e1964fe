// Cost of one trace line as the log grows: the running count against counting the whole file
// again for every line. The running count's cost per line should not depend on the file's size.
#include "app/Trace.h"

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace {

std::string MakeTempDir() {
    const char* tmp = getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvbench.XXXXXX";
    if (!mkdtemp(templ.data())) abort();
    return templ;
}

// Writes state.range(0) lines to a fresh trace file per iteration; reports the time per line.
void WriteLines(benchmark::State& state, bool fullRecount) {
    const std::string dir = MakeTempDir();
    const std::string file = dir + "/Quorvel.trc";
    const long lines = state.range(0);
    std::tm fixed{};
    fixed.tm_year = 126;
    fixed.tm_mon = 2;
    fixed.tm_mday = 6;
    qv::SetTraceClock([fixed] { return fixed; });
    qv::SetTraceFullRecount(fullRecount);
    for (auto _ : state) {
        state.PauseTiming();
        unlink(file.c_str());
        qv::SetTraceFile(file);
        state.ResumeTiming();
        for (long i = 0; i < lines; ++i)
            qv::WriteTrace("OnBtnRunCPM: row %ld classified as %s", i, "Merge Conservatively");
    }
    if (qv::CountTraceLines(file) != static_cast<std::uint64_t>(lines))
        state.SkipWithError("wrong line count");
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["per_line"] = benchmark::Counter(
        static_cast<double>(lines),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    qv::SetTraceFile("");
    qv::SetTraceFullRecount(false);
    qv::SetTraceClock({});
    unlink(file.c_str());
    rmdir(dir.c_str());
}

void BM_TraceRunningCount(benchmark::State& state) {
    WriteLines(state, false);
}
void BM_TraceFullRecount(benchmark::State& state) {
    WriteLines(state, true);
}

BENCHMARK(BM_TraceRunningCount)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TraceFullRecount)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
