// cpm-analyze against the main window driven on the headless host, over the same analysis of
// the generated demo repository of 50,000 items: source Payroll/DEV package PAY0002 (about
// 10,000 items) into PayrollEU/DEV/EU0001 with "Branch Only", from the context search to the
// last row's outcome.
//   BM_BatchAnalysis    the batch analysis in process, with the time spent in statement runs
//                       (writing the statement, the query tool, checking the result) measured
//   BM_DesktopHeadless  the same clicks on the main window with the desktop program's trace
//   BM_BatchProgram     the cpm-analyze program as a pipeline runs it, output to /dev/null, with
//                       one statement per item and with the set statements, for PAY0002 and
//                       for both demo packages, with its peak memory
// Goals: the batch analysis takes at most 1.1 x the time of its statement runs alone; with the
// set statements the program takes at most 1 s for PAY0002 and 3 s for both packages.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppValues.h"
#include "app/Settings.h"
#include "app/Trace.h"
#include "bench/BenchTools.h"
#include "cli/Batch.h"
#include "host/headless/HeadlessHost.h"
#include "tests/support/PgCluster.h"
#include "ui/ContextSetDlg.h"
#include "ui/MainWindow.h"

extern char** environ;

namespace {

using benchtools::OwnDir;
using benchtools::RunTool;
using benchtools::Spawn;

using Clock = std::chrono::steady_clock;

constexpr long long kItems = 50000;
const std::string kBroker = "bench50k";
std::string g_dir;

// The repository, made once with krepo and kept in <build>/bench-data (shared with the other
// query benchmarks), and its broker.
bool PrepareData(std::string& error) {
    const std::string dir = OwnDir() + "/../bench-data";
    mkdir(dir.c_str(), 0755);
    setenv("TESSARK_BROKERS", (dir + "/brokers.ini").c_str(), 1);
    const std::string db = dir + "/demo50k.db";
    if (benchtools::DemoItemCount(db) < kItems) {
        std::fprintf(stderr, "making %s with krepo demo --size %lld ...\n", db.c_str(), kItems);
        const std::string tmp = db + ".tmp";
        unlink(tmp.c_str());
        if (Spawn("krepo", {"demo", tmp, "--size", std::to_string(kItems)}) != 0 ||
            rename(tmp.c_str(), db.c_str()) != 0) {
            error = "krepo demo failed";
            return false;
        }
    }
    if (Spawn("krepo", {"broker", kBroker, db}) != 0) {
        error = "krepo broker failed";
        return false;
    }
    g_dir = dir + "/batch";
    mkdir(g_dir.c_str(), 0755);
    return true;
}

// The same demo data in a database of a throwaway PostgreSQL cluster, as broker "bench50kpg".
// False (and no server runs) where no cluster can be run.
bool g_server = false;
bool PrepareServer(std::string& why) {
    qvtest::PgCluster* cluster = qvtest::PgCluster::Get(why);
    if (!cluster) return false;
    const std::string owner = cluster->NewDatabase("bench");
    std::fprintf(stderr, "loading the demo data into a PostgreSQL database ...\n");
    if (Spawn("krepo", {"demo", "postgresql:" + owner, "--size", std::to_string(kItems)}) != 0 ||
        Spawn("krepo", {"broker", "bench50kpg", "postgresql:" + owner}) != 0) {
        why = "krepo demo or broker on the server failed";
        return false;
    }
    return true;
}

// Times every statement run of the window it stands in front of.
class TimingRepository : public qv::Repository {
public:
    explicit TimingRepository(qv::Repository& inner) : inner_(inner) {}
    int Run(const std::string& statement) override {
        const auto start = Clock::now();
        const int r = inner_.Run(statement);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        ++runs;
        return r;
    }
    qv::FirstValue First() override { return inner_.First(); }
    std::vector<std::string> Values() override { return inner_.Values(); }
    qv::ResultLines Lines(size_t readSize) override { return inner_.Lines(readSize); }
    std::string ResultPath() const override { return inner_.ResultPath(); }
    double seconds = 0;
    long long runs = 0;

private:
    qv::Repository& inner_;
};

// Each analysis starts without a target data file, so that each loads the target from the
// repository.
void ForgetTargetData() {
    unlink((g_dir + "/tgtpkgdata.save").c_str());
}

qv::cli::BatchOptions Options() {
    qv::cli::BatchOptions o;
    o.broker = kBroker;
    o.user = "demo";
    o.srcProject = "Payroll";
    o.srcState = "DEV";
    o.packages = {"PAY0002"};
    o.tgtProject = "PayrollEU";
    o.tgtState = "DEV";
    o.tgtPackage = "EU0001";
    o.mergeOption = qv::kDefaultMergeOption;
    o.placement = qv::kDefaultPlacementOption;
    return o;
}

std::map<std::string, double> g_tool;  // benchmark -> statement seconds per run

void Report(benchmark::State& state, const TimingRepository& timing, size_t rows, double total) {
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["statements"] = static_cast<double>(timing.runs);
    state.counters["statement_s"] = timing.seconds;
    state.counters["total_over_statements"] = timing.seconds > 0 ? total / timing.seconds : 0;
}

void BM_BatchAnalysis(benchmark::State& state) {
    std::unique_ptr<TimingRepository> timing;
    qv::cli::BatchResult result;
    double total = 0;
    for (auto _ : state) {
        ForgetTargetData();
        qv::cli::BatchHost host;
        const auto start = Clock::now();
        qv::cli::BatchOptions o = Options();
        o.perItemQueries = state.range(0) == 0;
        result = qv::cli::RunBatch(o, "demo", g_dir, host, {}, [&](qv::Repository& own) {
            timing = std::make_unique<TimingRepository>(own);
            return timing.get();
        });
        benchmark::DoNotOptimize(qv::cli::FormatText(result.table));
        total = std::chrono::duration<double>(Clock::now() - start).count();
        if (!result.ok) state.SkipWithError("the analysis did not run");
    }
    if (timing) Report(state, *timing, result.table.rows.size(), total);
    qv::SwitchToProfile();
}
// Argument: the query mode (0 per item, 1 bulk).
BENCHMARK(BM_BatchAnalysis)
    ->ArgName("bulk")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_DesktopHeadless(benchmark::State& state) {
    qv::AppValues app;
    app.installDir = app.provisionalInstallDir = g_dir;
    app.traceFile = g_dir + "/Quorvel.trc";
    qv::SetAppValues(app);
    unlink(app.traceFile.c_str());
    qv::SetTraceFile(app.traceFile);
    qv::SwitchToMemory({});
    const qv::cli::BatchOptions o = Options();
    double total = 0;
    size_t rows = 0;
    std::unique_ptr<TimingRepository> timing;
    for (auto _ : state) {
        ForgetTargetData();
        qv::HeadlessHost host;
        qv::CQuorvelDlg w(host);
        host.ShowModeless(w);
        const auto start = Clock::now();
        w.UserSetText(qv::IDC_BROKER, o.broker);
        w.UserSetText(qv::IDC_USERID, o.user);
        w.UserSetText(qv::IDC_PASSWORD, "demo");
        w.Values().Broker = o.broker;
        w.Values().UserId = o.user;
        w.Values().Password = "demo";
        timing = std::make_unique<TimingRepository>(w.ConnectedRepository());
        w.SetRepositoryForTesting(timing.get());
        host.OnNextModal([&](qv::Dialog& dialog) {
            auto& d = static_cast<qv::CContextSetDlg&>(dialog);
            d.UserSetText(qv::IDC_CTX_SRC_PROJECT, o.srcProject);
            d.UserSetText(qv::IDC_CTX_SRC_STATE, o.srcState);
            d.UserSetText(qv::IDC_CTX_TGT_PROJECT, o.tgtProject);
            d.UserSetText(qv::IDC_CTX_TGT_STATE, o.tgtState);
            d.UserSetText(qv::IDC_CTX_TGT_PACKAGE, o.tgtPackage);
            d.UserClick(qv::IDC_CTX_SEARCH);
            for (int r = 0; r < d.Packages().RowCount(); ++r)
                d.Packages().SetRowChecked(r, d.Packages().CellText(r, 0) == o.packages[0]);
            d.UserClick(qv::IDOK);
        });
        w.UserClick(qv::IDC_SET_CONTEXT);
        w.UserClick(qv::IDC_RUN_CPM);
        total = std::chrono::duration<double>(Clock::now() - start).count();
        rows = static_cast<size_t>(w.ResultList().RowCount());
        if (!host.boxes.empty()) state.SkipWithError(host.boxes.front().text.c_str());
        w.SetRepositoryForTesting(nullptr);
    }
    if (timing) Report(state, *timing, rows, total);
    qv::SetTraceFile("");
    qv::SwitchToProfile();
}
BENCHMARK(BM_DesktopHeadless)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Arguments: the query mode (0 per item, 1 bulk), the source packages (1: PAY0002, 2: both
// demo packages) and the backend (0 the file, 1 the server).
void BM_BatchProgram(benchmark::State& state) {
    if (state.range(2) == 1 && !g_server) {
        state.SkipWithError("no PostgreSQL cluster");
        for (auto _ : state) {
        }
        return;
    }
    const std::string pw = g_dir + "/pw";
    if (FILE* f = std::fopen(pw.c_str(), "w")) {
        std::fputs("demo\n", f);
        std::fclose(f);
    }
    const qv::cli::BatchOptions o = Options();
    std::vector<std::string> args = {"--broker",
                                     o.broker,
                                     "--user",
                                     o.user,
                                     "--source-project",
                                     o.srcProject,
                                     "--source-state",
                                     o.srcState,
                                     "--target-project",
                                     o.tgtProject,
                                     "--target-state",
                                     o.tgtState,
                                     "--target-package",
                                     o.tgtPackage,
                                     "--password-file",
                                     pw,
                                     "--quiet",
                                     "--queries",
                                     state.range(0) ? "bulk" : "per-item",
                                     "--package",
                                     "PAY0002"};
    if (state.range(1) == 2) args.insert(args.end(), {"--package", "PAY0001"});
    long maxRssKb = 0;
    for (auto _ : state) {
        // In a temporary work directory of its own, as in a pipeline.
        const int status = Spawn("cpm-analyze", args, &maxRssKb);
        if (status != 0 && status != 1) state.SkipWithError("cpm-analyze failed");
    }
    state.counters["peak_MB"] = static_cast<double>(maxRssKb) / 1024.0;
}
BENCHMARK(BM_BatchProgram)
    ->ArgNames({"bulk", "packages", "server"})
    ->Args({0, 1, 0})
    ->Args({1, 1, 0})
    ->Args({0, 2, 0})
    ->Args({1, 2, 0})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Args({1, 2, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!PrepareData(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string why;
    g_server = PrepareServer(why);
    if (!g_server) std::fprintf(stderr, "no server runs: %s\n", why.c_str());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
