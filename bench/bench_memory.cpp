// bench_memory.cpp - resident size under load: after a warm-up, a million
// callbacks of the mix and a hundred thousand cheap exports, interleaved
// as a busy till sees them (ten callbacks to an export), logging on.
// Reports the resident size after the warm-up and at the end, their
// ratio, and flat when it grew by under 1 MiB.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/callback_mix.h"
#include "tests/support/process_probe.h"
#include "bench/till_session.h"
#include "events/callback_handler.h"
#include "qxlogics.h"

namespace {

constexpr long kCallbacks = 1000000;
constexpr long kOperations = 100000;
constexpr long kWarmUpShare = 10;  // the warm-up is a tenth of the run
constexpr long kFlatKiB = 1024;

// The exports of the run, each one whose answer does not depend on where
// the callbacks left the device model: a negative amount is refused
// whatever the state, once the device is not busy.
short operation(long n) {
    char message[QX_BUFFER_CAPACITY] = "";
    int value = 0;
    std::string master;
    switch (n % 4) {
    case 0: return qxbench::isOpenTill(value);
    case 1: return qxbench::infoTill(master);
    case 2: return dispenseQX(-1, "refund", &value, message) == QX_STATUS_INPUT_PARAM_ERROR
                       ? QX_STATUS_OK
                       : QX_STATUS_ERROR;
    default: return changeSettingsQX("LoggEveryCallback:0", 0, message);
    }
}

// `callbacks` callbacks and `operations` exports; the number of exports
// that did not answer as expected.  The exports run between whole cycles
// of the mix, where the device is idle again: mid-cycle it may be busy,
// and a dispense waits out a busy device before it looks at the amount.
long runLoad(std::vector<std::string>& texts, long callbacks, long operations) {
    const long cycles = callbacks / static_cast<long>(texts.size());
    const long operationsPerCycle = operations / cycles;
    long unexpected = 0, op = 0;
    for (long cycle = 0; cycle < cycles; ++cycle) {
        for (std::string& text : texts) callbackfunc(&text[0]);
        for (long i = 0; i < operationsPerCycle; ++i, ++op)
            if (operation(op) != QX_STATUS_OK) ++unexpected;
    }
    return unexpected;
}

void BM_ResidentSize(benchmark::State& state) {
    std::string why;
    if (!qxbench::openTill(why) || qxbench::loginTill() != QX_STATUS_OK) {
        state.SkipWithError(why.empty() ? "loginQX failed" : why.c_str());
        qxbench::closeTill();
        return;
    }
    std::vector<std::string> texts = qxbench::callbackMix();
    long unexpected = 0, warmKiB = 0, endKiB = 0;
    for (auto _ : state) {
        unexpected += runLoad(texts, kCallbacks / kWarmUpShare, kOperations / kWarmUpShare);
        warmKiB = qxtest::residentKiB();
        unexpected += runLoad(texts, kCallbacks, kOperations);
        endKiB = qxtest::residentKiB();
    }
    qxbench::closeTill();
    if (unexpected != 0) {
        state.SkipWithError(("exports answered unexpectedly: " + std::to_string(unexpected)).c_str());
        return;
    }
    state.counters["rss_warm_KiB"] = static_cast<double>(warmKiB);
    state.counters["rss_end_KiB"] = static_cast<double>(endKiB);
    state.counters["growth_KiB"] = static_cast<double>(endKiB - warmKiB);
    // The peer is the program's own size after the warm-up.
    state.counters["end_per_warm"] = static_cast<double>(endKiB) / static_cast<double>(warmKiB);
    state.counters["flat"] = endKiB - warmKiB < kFlatKiB ? 1 : 0;
}
BENCHMARK(BM_ResidentSize)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
