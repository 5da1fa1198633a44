// bench_callback.cpp - callbackfunc on the callback mix (parse, device
// model, repeat check, log lines, the hand-over of events to the delivery
// thread, which calls counting callbacks), with the
// switchable log kinds on and off, against a plain copy + strtol split of
// the same texts.  Reported as callbacks per second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_ratios.h"
#include "bench/callback_mix.h"
#include "bench/event_counter.h"
#include "bench/log_switch_scope.h"
#include "core/device_model.h"
#include "events/callback_handler.h"
#include "events/event_delivery.h"
#include "events/receivers.h"

namespace {

void BM_CallbackMix(benchmark::State& state) {
    qxbench::LogSwitchScope logging(state.range(0) != 0);
    std::vector<std::string> texts = qxbench::callbackMix();  // the entry takes char*
    resetDeviceModelForTesting();
    if (!qxbench::registerEventCounter()) {
        state.SkipWithError("the library refused the callbacks");
        return;
    }
    // Events go out on the delivery thread, as in a session.
    g_eventDelivery.start();
    qxbench::resetEventCounts();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(callbackfunc(&texts[next][0]));
        if (++next == texts.size()) next = 0;
    }
    state.SetItemsProcessed(state.iterations());
    g_eventDelivery.waitIdleForTesting(60000);
    state.counters["events_per_cb"] =
        static_cast<double>(qxbench::eventCounts().total()) / state.iterations();
    // The loop may stop mid-cycle with the device busy or in error.
    resetDeviceModelForTesting();
    clearReceivers();
}
BENCHMARK(BM_CallbackMix)->ArgName("logging")->Arg(1)->Arg(0);

void BM_CopyStrtolMix(benchmark::State& state) {
    const std::vector<std::string>& texts = qxbench::callbackMix();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qxbench::splitWithStrtol(texts[next]));
        if (++next == texts.size()) next = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyStrtolMix);

const bool withLogging = qxbench::addRatio("BM_CallbackMix/logging:1", "BM_CopyStrtolMix");
const bool withoutLogging = qxbench::addRatio("BM_CallbackMix/logging:0", "BM_CopyStrtolMix");
const bool loggingShare =
    qxbench::addRatio("BM_CallbackMix/logging:1", "BM_CallbackMix/logging:0");

}  // namespace
