// bench_operations.cpp - what an export costs beyond its device waits,
// through the real exports and the simulator answering at once: isOpenQX,
// infoQX and a refused dispenseQX (microseconds, no wait), each against
// the log lines it writes; and a whole sale cycle against its floor, the
// simulated device's own busy time for that sale, slept bare.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_ratios.h"
#include "bench/poll_counter.h"
#include "bench/till_session.h"
#include "logging/log.h"
#include "qxlogics.h"

namespace {

// Opens the till (and logs in when asked) for one benchmark; closes it.
class Till {
public:
    Till(benchmark::State& state, bool loggedIn) {
        std::string why;
        if (!qxbench::openTill(why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        m_open = true;
        if (loggedIn && qxbench::loginTill() != QX_STATUS_OK) {
            state.SkipWithError("loginQX failed");
            return;
        }
        m_ready = true;
    }
    ~Till() {
        if (m_open) qxbench::closeTill();
    }
    bool ready() const { return m_ready; }

private:
    bool m_open = false;
    bool m_ready = false;
};

void reportPollSteps(benchmark::State& state, const qxbench::PollCounter& polls) {
    state.counters["poll_steps"] =
        benchmark::Counter(static_cast<double>(polls.steps()), benchmark::Counter::kAvgIterations);
}

void BM_IsOpenQX(benchmark::State& state) {
    Till till(state, true);
    if (!till.ready()) return;
    qxbench::PollCounter polls;
    int open = 0;
    for (auto _ : state) {
        if (qxbench::isOpenTill(open) != QX_STATUS_OK || open != 1) {
            state.SkipWithError("isOpenQX did not report the open device");
            break;
        }
    }
    reportPollSteps(state, polls);
}
BENCHMARK(BM_IsOpenQX);

void BM_InfoQX(benchmark::State& state) {
    Till till(state, true);
    if (!till.ready()) return;
    qxbench::PollCounter polls;
    std::string master;
    for (auto _ : state) {
        if (qxbench::infoTill(master) != QX_STATUS_OK || master.empty()) {
            state.SkipWithError("infoQX did not report the master version");
            break;
        }
    }
    reportPollSteps(state, polls);
}
BENCHMARK(BM_InfoQX);

void BM_DispenseRefusedQX(benchmark::State& state) {
    Till till(state, false);
    if (!till.ready()) return;
    qxbench::PollCounter polls;
    for (auto _ : state) {
        if (qxbench::refusedDispense() != QX_STATUS_CLOSED) {
            state.SkipWithError("dispenseQX was not refused as closed");
            break;
        }
    }
    reportPollSteps(state, polls);
}
BENCHMARK(BM_DispenseRefusedQX);

// The floor of a cheap export: the log lines it writes, each flushed.
// isOpenQX and infoQX write four (the export's entry and result lines, the
// core's opening and trace lines); a refused dispenseQX six, as its error
// and failure lines go to the error log too.
void BM_ExportLogLines(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < lines; ++i)
            WriteLog("isOpenQX: Ok! Returning 0 (QX_STATUS_OK): Done", Debug,
                     i % 2 ? LogicLog : ApiLog);
    }
}
BENCHMARK(BM_ExportLogLines)->ArgName("lines")->Arg(4)->Arg(6);

// One sale against the simulator: its cash moves, counted untimed.
int saleCashMoves(benchmark::State& state) {
    Till till(state, false);
    if (!till.ready()) return 0;
    std::string why;
    int rest = 0;
    if (qxbench::saleCycle(2000, 1250, rest, why) != QX_STATUS_OK) return 0;
    return qxbench::cashMoves();
}

void BM_SaleCycle(benchmark::State& state) {
    Till till(state, false);
    if (!till.ready()) return;
    std::string why;
    int rest = 0;
    for (auto _ : state) {
        if (qxbench::saleCycle(2000, 1250, rest, why) != QX_STATUS_OK || rest != 0) {
            state.SkipWithError(why.empty() ? "the change was not paid in full" : why.c_str());
            break;
        }
    }
    state.counters["cash_moves"] =
        static_cast<double>(qxbench::cashMoves()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SaleCycle)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The device's own busy time in one sale, slept bare: what a driver that
// sees every report at once would take at the least.
void BM_SaleBusyFloor(benchmark::State& state) {
    const int moves = saleCashMoves(state);
    if (moves == 0) {
        if (!state.error_occurred()) state.SkipWithError("the counted sale failed");
        return;
    }
    for (auto _ : state) qxbench::sleepSteps(moves, qxbench::kCashMoveMs);
    state.counters["cash_moves"] = moves;
}
BENCHMARK(BM_SaleBusyFloor)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool isOpen = qxbench::addRatio("BM_IsOpenQX", "BM_ExportLogLines/lines:4");
const bool info = qxbench::addRatio("BM_InfoQX", "BM_ExportLogLines/lines:4");
const bool refused = qxbench::addRatio("BM_DispenseRefusedQX", "BM_ExportLogLines/lines:6");
const bool sale = qxbench::addRatio("BM_SaleCycle/iterations:20/real_time",
                                    "BM_SaleBusyFloor/iterations:20/real_time");

}  // namespace
