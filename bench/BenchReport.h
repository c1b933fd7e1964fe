// A console reporter that also keeps what each benchmark measured, so that a program can print
// its comparison of several benchmarks after them.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace benchtools {

class Collector : public benchmark::ConsoleReporter {
public:
    // Colours only at a terminal (the flag that chooses them applies to the default reporter).
    Collector() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations == 0 || r.run_type != Run::RT_Iteration) continue;
            seconds[r.benchmark_name()] =
                r.real_accumulated_time / static_cast<double>(r.iterations);
            for (const auto& [key, counter] : r.counters)
                counters[r.benchmark_name()][key] = counter.value;
        }
    }

    // Seconds per iteration of a benchmark (its full name), -1 when it did not run.
    double Seconds(const std::string& name) const {
        const auto it = seconds.find(name);
        return it == seconds.end() ? -1.0 : it->second;
    }
    // A counter's value, -1 when the benchmark did not run or has no such counter.
    double Counter(const std::string& name, const std::string& key) const {
        const auto it = counters.find(name);
        if (it == counters.end()) return -1.0;
        const auto value = it->second.find(key);
        return value == it->second.end() ? -1.0 : value->second;
    }

    std::map<std::string, double> seconds;
    std::map<std::string, std::map<std::string, double>> counters;
};

}  // namespace benchtools
