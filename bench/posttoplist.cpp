// The main window's fill of the result list from the source records, on the headless host: every
// record inserted at the top with its fourteen cells, its Tag and Merge Status cells coloured,
// then the sort by "File" and the check box of every row. The cost per record should stay flat.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "host/headless/HeadlessHost.h"
#include "ui/MainWindow.h"

namespace {

// Records as a source load gives them, with every kind of tag and outcome.
void MakeRecords(qv::CMapStrToFObj& items, int n) {
    std::mt19937 random(11);
    const char* tags[] = {"", "", "", "N", "R", "M", "D"};
    const char* outcomes[] = {"3 -> 4",
                              "3 -> 5  (M) Merge Tagged",
                              "3 -> 2.1.3  (U) Unmerged Exists",
                              "3 (D) -> Src Ignored",
                              "3 -> 5 (E) Reserve Tag Exists",
                              "3 -> 0",
                              ""};
    char buf[64];
    for (int k = 0; k < n; ++k) {
        qv::CFObj r;
        std::snprintf(buf, sizeof buf, "file%06u.c", static_cast<unsigned>(random() % 1000000));
        r.itemName = buf;
        r.pathFullName = "\\Payroll\\src\\module" + std::to_string(random() % 200);
        r.mappedVersion = "1." + std::to_string(random() % 9) + "." + std::to_string(random() % 30);
        r.itemType = "1";
        r.versionStatus = tags[random() % 7];
        r.packageName = "PKG" + std::to_string(random() % 40);
        r.dataSize = std::to_string(random() % 5000000);
        r.creator = "user" + std::to_string(random() % 50);
        r.creationTime = "2024-03-04 05:06:07";
        r.modifier = r.creator;
        r.modifiedTime = r.creationTime;
        r.itemObjId = std::to_string(100000 + k);
        r.result = outcomes[random() % 7];
        items.SetAt(r.itemObjId, r);
    }
}

void BM_PostTopList(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    qv::HeadlessHost host;
    qv::CQuorvelDlg window(host);
    host.ShowModeless(window);
    MakeRecords(window.SourceItems(), n);
    for (auto _ : state) window.PostTopList();
    if (window.ResultList().RowCount() != n) state.SkipWithError("not every record was shown");
    state.counters["per_record"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
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
