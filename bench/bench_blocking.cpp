// bench_blocking.cpp - a paid dispense (PayOutOkCheck on) while the till's
// status callback blocks until that dispense returns, the SendMessage /
// Invoke pattern, against its floor: the simulated device's busy time for
// one dispense, slept bare.  The ratio says what a blocking application
// costs a dispense beyond the device's own time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "bench/bench_ratios.h"
#include "bench/poll_counter.h"
#include "bench/scratch_dir.h"
#include "bench/till_session.h"
#include "core/device_model.h"
#include "platform/platform.h"
#include "qxlogics.h"
#include "sim/qxsim.h"

namespace {

// The till's UI thread is in dispenseQX; the status callback waits for it.
struct UiThread {
    std::mutex mutex;
    std::condition_variable returned;
    bool dispenseReturned = false;
    std::atomic<bool> armed{false};
    std::atomic<bool> blocking{false};
};
UiThread g_ui;

void QXAPI statusWaitingForTheTill(int, short, short) {
    if (!g_ui.armed.exchange(false)) return;
    g_ui.blocking = true;
    std::unique_lock<std::mutex> lock(g_ui.mutex);
    g_ui.returned.wait_for(lock, std::chrono::seconds(5), [] { return g_ui.dispenseReturned; });
    g_ui.blocking = false;
}
void QXAPI ignoreError(int, const char*, const char*) {}
void QXAPI ignoreCashLevel(int, int, const char*) {}
void QXAPI ignoreWarning(int, int, int, const char*, const char*, const char*, const char*) {}
void QXAPI ignoreSession(short, int, const char*) {}

const char* const kPort = "Type:RS232;Name:COM1";

bool openBlockingTill(benchmark::State& state) {
    if (!std::getenv("QXCONFIG")) setenv("QXCONFIG", qxbench::scratchDir().c_str(), 1);
    qxplat::setLibraryDirectoryForTesting(
        qxplat::directoryOf(qxplat::ownModuleFileName("qxlogics.dll")));
    qxsim_reset();
    qxsim_set_option("ms_per_char", 0);
    qxsim_set_option("busy_ms", qxbench::kCashMoveMs);
    resetDeviceModelForTesting();
    char message[QX_BUFFER_CAPACITY] = "";
    if (registerEvents23QX(statusWaitingForTheTill, ignoreError, ignoreCashLevel, ignoreWarning,
                           ignoreSession, message) != QX_STATUS_OK ||
        initQX(kPort, "PayOutOkCheck:1", message) != QX_STATUS_OK ||
        loginQX(1, 1, message) != QX_STATUS_OK || qxsim_wait_idle(5000) != 0) {
        state.SkipWithError(message);
        return false;
    }
    return true;
}

// Untimed: a status event that makes the callback block.
void blockTheCallback(int round) {
    {
        std::lock_guard<std::mutex> lock(g_ui.mutex);
        g_ui.dispenseReturned = false;
    }
    g_ui.armed = true;
    char report[16];
    std::snprintf(report, sizeof report, "a%08d31", 1 + round % 9999);
    qxsim_inject_callback(report);
    while (!g_ui.blocking) std::this_thread::sleep_for(std::chrono::microseconds(100));
}

void releaseTheCallback() {
    {
        std::lock_guard<std::mutex> lock(g_ui.mutex);
        g_ui.dispenseReturned = true;
    }
    g_ui.returned.notify_all();
    while (g_ui.blocking) std::this_thread::sleep_for(std::chrono::microseconds(100));
}

void BM_DispenseBlockingCallback(benchmark::State& state) {
    if (!openBlockingTill(state)) return qxbench::closeTill();
    char message[QX_BUFFER_CAPACITY] = "";
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        blockTheCallback(++round);
        state.ResumeTiming();
        int rest = 0;
        const short paid = dispenseQX(1000, "change", &rest, message);
        state.PauseTiming();
        releaseTheCallback();
        qxsim_wait_idle(5000);
        state.ResumeTiming();
        if (paid != QX_STATUS_OK) {
            state.SkipWithError(message);
            break;
        }
    }
    qxbench::closeTill();
}
BENCHMARK(BM_DispenseBlockingCallback)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The device's busy time for one dispense, slept bare.
void BM_DispenseBusyFloor(benchmark::State& state) {
    for (auto _ : state) qxbench::sleepSteps(1, qxbench::kCashMoveMs);
}
BENCHMARK(BM_DispenseBusyFloor)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool blocking = qxbench::addRatio("BM_DispenseBlockingCallback/iterations:20/real_time",
                                        "BM_DispenseBusyFloor/iterations:20/real_time");

}  // namespace
