// bench_main.cpp - runs the benchmarks briefly and prints, after Google
// Benchmark's own table, the time ratio of each subject to its peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "bench/bench_ratios.h"

namespace qxbench {
namespace {

std::vector<std::pair<std::string, std::string>>& ratios() {
    static std::vector<std::pair<std::string, std::string>> pairs;
    return pairs;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) m_nsPerIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        std::printf("\nRatios (subject time / peer time, same run):\n");
        for (const auto& pair : ratios()) {
            auto subject = m_nsPerIteration.find(pair.first);
            auto peer = m_nsPerIteration.find(pair.second);
            if (subject == m_nsPerIteration.end() || peer == m_nsPerIteration.end()) continue;
            std::printf("  %-34s / %-30s %8.2f\n", pair.first.c_str(), pair.second.c_str(),
                        subject->second / peer->second);
        }
    }

private:
    std::map<std::string, double> m_nsPerIteration;
};

}  // namespace

const std::string& scratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/qxbench_XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

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
    setenv("QXLOGS", qxbench::scratchDir().c_str(), 1);
    setenv("QXCONFIG", qxbench::scratchDir().c_str(), 1);
    benchmark::Initialize(&count, args.data());
    qxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
