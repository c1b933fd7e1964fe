// What every benchmark of the Qt windows needs before its first benchmark: the offscreen platform,
// a private configuration directory (removed at the end) and quiet platform messages, then the
// application object and the benchmark library's own options.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "bench/BenchReport.h"

namespace benchtools {

class OffscreenBench {
public:
    OffscreenBench(int& argc, char** argv) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (mkdtemp(dir_)) {
            setenv("XDG_CONFIG_HOME", dir_, 1);
        } else {
            dir_[0] = '\0';
        }
        // The offscreen platform reports every window operation it lacks; keep the output
        // readable.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            if (type == QtFatalMsg) abort();
            if (!m.startsWith(QLatin1String("This plugin does not support")))
                std::fprintf(stderr, "%s\n", qPrintable(m));
        });
        app_ = std::make_unique<QApplication>(argc, argv);
        benchmark::Initialize(&argc, argv);
        ok_ = !benchmark::ReportUnrecognizedArguments(argc, argv);
    }
    ~OffscreenBench() {
        app_.reset();
        if (dir_[0]) rmdir(dir_);
    }
    OffscreenBench(const OffscreenBench&) = delete;
    OffscreenBench& operator=(const OffscreenBench&) = delete;

    // False when the command line held options the benchmark library does not know.
    bool ok() const { return ok_; }

private:
    char dir_[32] = "/tmp/qv-bench-XXXXXX";
    std::unique_ptr<QApplication> app_;
    bool ok_ = false;
};

// The main program of a Qt benchmark on prepared data: the offscreen set-up, `prepare` (which
// fails with a reason), every benchmark, then `compare` printing what the benchmarks measured.
inline int RunWithData(int argc, char** argv, const char* name,
                       const std::function<bool(std::string&)>& prepare,
                       const std::function<void(const Collector&)>& compare) {
    OffscreenBench bench(argc, argv);
    if (!bench.ok()) return 1;
    std::string error;
    if (!prepare(error)) {
        std::fprintf(stderr, "%s: %s\n", name, error.c_str());
        return 1;
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    std::fflush(stdout);
    compare(collector);
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchtools
