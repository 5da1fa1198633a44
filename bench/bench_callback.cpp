// bench_callback.cpp - the whole callback entry on status texts (parse,
// device model, repeat check, log line, event forwarding with nobody
// registered) against the bare split of the same text.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_ratios.h"
#include "events/callback_handler.h"

namespace {

// Two texts in turn, so that neither is dropped as a repeat.
char g_first[] = "a0000125001";
char g_second[] = "a0000250001";

void BM_Callbackfunc(benchmark::State& state) {
    bool flip = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(callbackfunc(flip ? g_first : g_second));
        flip = !flip;
    }
}
BENCHMARK(BM_Callbackfunc);

void BM_FormatCallbackArg(benchmark::State& state) {
    const std::string texts[2] = {g_first, g_second};
    std::string command, extInfo;
    int amount = 0, status = 0, mode = 0;
    bool flip = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            formatCallbackArg(texts[flip], command, amount, status, mode, extInfo));
        flip = !flip;
    }
}
BENCHMARK(BM_FormatCallbackArg);

const bool registered = qxbench::addRatio("BM_Callbackfunc", "BM_FormatCallbackArg");

}  // namespace
