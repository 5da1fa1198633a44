// bench_log.cpp - one WriteLog line (time stamp, marker, flush) against
// the bare fprintf + fflush of the same text to an open FILE*.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_ratios.h"
#include "logging/log.h"

namespace {

const char* const kLine = "CQXLogics::dispense(1250, refund, amountRest)";

void BM_WriteLog(benchmark::State& state) {
    WriteLog(kLine, CrToApi, LogicLog);  // the log files are opened here
    for (auto _ : state) WriteLog(kLine, CrToApi, LogicLog);
}
BENCHMARK(BM_WriteLog);

void BM_FprintfFlush(benchmark::State& state) {
    std::string path = qxbench::scratchDir() + "/peer.log";
    FILE* file = std::fopen(path.c_str(), "a+");
    if (!file) {
        state.SkipWithError("cannot open the peer file");
        return;
    }
    for (auto _ : state) {
        std::fprintf(file, "%s\n", kLine);
        std::fflush(file);
    }
    std::fclose(file);
}
BENCHMARK(BM_FprintfFlush);

const bool registered = qxbench::addRatio("BM_WriteLog", "BM_FprintfFlush");

}  // namespace
