// bench_main.cpp - runs the benchmarks briefly and prints, after Google
// Benchmark's own table, the time ratio of each subject to its peer: the
// median over the repetitions with their spread when repeated.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_ratios.h"
#include "bench/scratch_dir.h"
#include "logging/log.h"

namespace qxbench {
namespace {

std::vector<std::pair<std::string, std::string>>& ratios() {
    static std::vector<std::pair<std::string, std::string>> pairs;
    return pairs;
}

struct Spread {
    double median, low, high;
};

Spread spreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // The repetitions themselves; their median stands in when
            // only the aggregates are reported.
            if (run.run_type == Run::RT_Iteration)
                m_times[run.run_name.str()].push_back(run.GetAdjustedRealTime());
            else if (run.aggregate_name == "median")
                m_medians[run.run_name.str()].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        std::printf("\nRatios (subject time / peer time, same run; median [min..max]):\n");
        for (const auto& pair : ratios()) {
            std::vector<double> each = ratiosOf(m_times, pair);
            if (each.empty()) each = ratiosOf(m_medians, pair);
            if (each.empty()) continue;
            const Spread s = spreadOf(each);
            std::printf("  %-36s / %-36s %8.4g", pair.first.c_str(), pair.second.c_str(),
                        s.median);
            if (each.size() > 1) std::printf("  [%.4g..%.4g]", s.low, s.high);
            std::printf("\n");
        }
    }

private:
    using Times = std::map<std::string, std::vector<double>>;

    // Repetition i of the subject over repetition i of the peer: with
    // interleaved repetitions the two ran close together.
    static std::vector<double> ratiosOf(const Times& times,
                                        const std::pair<std::string, std::string>& pair) {
        std::vector<double> each;
        auto subject = times.find(pair.first);
        auto peer = times.find(pair.second);
        if (subject == times.end() || peer == times.end()) return each;
        const std::size_t n = std::min(subject->second.size(), peer->second.size());
        for (std::size_t i = 0; i < n; ++i) each.push_back(subject->second[i] / peer->second[i]);
        return each;
    }

    Times m_times;
    Times m_medians;
};

}  // namespace

bool addRatio(const char* subject, const char* peer) {
    ratios().emplace_back(subject, peer);
    return true;
}

}  // namespace qxbench

int main(int argc, char** argv) {
    // Short runs unless the caller asks for more.
    std::vector<char*> args(argv, argv + argc);
    static char shortRun[] = "--benchmark_min_time=0.05";
    bool timeGiven = false;
    for (char* arg : args) timeGiven = timeGiven || std::string(arg).rfind("--benchmark_min_time", 0) == 0;
    if (!timeGiven) args.push_back(shortRun);
    int count = static_cast<int>(args.size());
    // The library logs into the scratch folder and finds no settings or
    // language file but the ones written there.  Its load-time banner has
    // gone to the default folder already: the logger reopens here.
    setenv("QXLOGS", qxbench::scratchDir().c_str(), 1);
    setenv("QXCONFIG", qxbench::scratchDir().c_str(), 1);
    resetLogFilesForTesting();
    benchmark::Initialize(&count, args.data());
    qxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    qxbench::removeScratchDir();
    return 0;
}
