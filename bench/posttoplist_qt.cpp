// The main window's fill of the result list with the window on screen (offscreen unless a
// platform is named): the records inserted at the top and coloured, sorted by "File", every row
// checked, then the repaint that follows. The cost per record should stay flat.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <random>
#include <string>

#include "host/qt/QtHost.h"
#include "ui/MainWindow.h"

namespace {

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
    state.counters["per_record"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    host.DestroyModeless(window);
}

}  // namespace

BENCHMARK(BM_PostTopListOnScreen)
    ->Arg(10000)
    ->Arg(25000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char dir[] = "/tmp/qv-bench-XXXXXX";
    if (mkdtemp(dir)) setenv("XDG_CONFIG_HOME", dir, 1);
    // The offscreen platform reports every window operation it lacks; keep the output readable.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
        if (type == QtFatalMsg) abort();
        if (!m.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(m));
    });
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (dir[0]) rmdir(dir);
    return 0;
}
