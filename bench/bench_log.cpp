// bench_log.cpp - one WriteLog line (time stamp, marker, flush) against
// the bare fprintf + fflush of the same text to an open FILE*, the floor
// that any logger flushing every line stands on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_ratios.h"
#include "bench/log_line_text.h"
#include "bench/scratch_dir.h"
#include "logging/log.h"

namespace {

void BM_WriteLog(benchmark::State& state) {
    WriteLog(qxbench::kLogLineText, CrToApi, LogicLog);  // the log files are opened here
    for (auto _ : state) WriteLog(qxbench::kLogLineText, CrToApi, LogicLog);
}
BENCHMARK(BM_WriteLog);

void BM_FprintfFlush(benchmark::State& state) {
    std::string path = qxbench::scratchDir() + "/fprintf_peer.log";
    FILE* file = std::fopen(path.c_str(), "a+");
    if (!file) {
        state.SkipWithError("cannot open the peer file");
        return;
    }
    for (auto _ : state) {
        std::fprintf(file, "%s\n", qxbench::kLogLineText);
        std::fflush(file);
    }
    std::fclose(file);
}
BENCHMARK(BM_FprintfFlush);

const bool registered = qxbench::addRatio("BM_WriteLog", "BM_FprintfFlush");

}  // namespace
