// bench_telemetry.cpp - what the MQTT telemetry costs the till and how fast
// its reports arrive, against a real Mosquitto broker on loopback started
// for the run: a whole sale with every driver event handed to the
// publisher on the device's thread, against the same sale without it and
// against the device's own busy time; and the time from a report to a
// subscriber's hands, at the median and the 99th percentile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_ratios.h"
#include "bench/poll_counter.h"
#include "bench/till_session.h"
#include "publisher.h"
#include "qxlogics.h"
#include "tests/telemetry/test_broker.h"
#include "tests/telemetry/topic_watcher.h"

namespace {

using qxd::telemetry::Publisher;
using qxd::telemetry::WallClock;

std::atomic<Publisher*> g_publisher{nullptr};

// The service's observer in miniature: every driver event to the publisher.
void QXAPI onStatus(int amount, short status, short mode) {
    if (Publisher* p = g_publisher) p->status(WallClock::now(), amount, status, mode);
}
void QXAPI onError(int code, const char* text, const char*) {
    if (Publisher* p = g_publisher) p->error(WallClock::now(), code, text);
}
void QXAPI onCashLevel(int denomination, int count, const char*) {
    if (Publisher* p = g_publisher) p->cashLevel(WallClock::now(), denomination, count);
}
void QXAPI onLevelWarning(int type, int denomination, int count, const char*, const char*,
                          const char* message, const char*) {
    if (Publisher* p = g_publisher)
        p->levelWarning(WallClock::now(), denomination, count, type, message);
}
void QXAPI onCashSession(short infoType, int amount, const char*) {
    if (Publisher* p = g_publisher) p->cashSession(WallClock::now(), infoType, amount);
}

// One broker for the whole run.
qxtest::TestBroker& broker() {
    static qxtest::TestBroker running;
    static const bool started = running.start();
    (void)started;
    return running;
}

qxd::telemetry::TelemetrySettings settings() {
    qxd::telemetry::TelemetrySettings s;
    s.enabled = true;
    s.port = broker().port();
    s.site = "bench";
    s.till = "till-1";
    return s;
}

// The till opened with the forwarding callbacks and a connected publisher.
class PublishedTill {
public:
    explicit PublishedTill(benchmark::State& state) {
        std::string why;
        if (!qxbench::openTill(why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        m_open = true;
        char message[QX_BUFFER_CAPACITY] = "";
        if (registerEvents23QX(onStatus, onError, onCashLevel, onLevelWarning, onCashSession,
                               message) != QX_STATUS_OK) {
            state.SkipWithError("registerEvents23QX refused the forwarding callbacks");
            return;
        }
        m_publisher = std::make_unique<Publisher>(settings(), [](const std::string&) {});
        m_publisher->start();
        for (int i = 0; i < 500 && !m_publisher->counts().connected; ++i) qxbench::sleepSteps(1, 10);
        if (!m_publisher->counts().connected) {
            state.SkipWithError("the publisher did not connect to the broker");
            return;
        }
        g_publisher = m_publisher.get();
        m_ready = true;
    }
    ~PublishedTill() {
        g_publisher = nullptr;
        if (m_publisher) m_publisher->stop();
        if (m_open) qxbench::closeTill();
    }
    bool ready() const { return m_ready; }
    Publisher& publisher() { return *m_publisher; }

private:
    bool m_open = false, m_ready = false;
    std::unique_ptr<Publisher> m_publisher;
};

void runSales(benchmark::State& state) {
    std::string why;
    int rest = 0;
    for (auto _ : state) {
        if (qxbench::saleCycle(2000, 1250, rest, why) != QX_STATUS_OK || rest != 0) {
            state.SkipWithError(why.empty() ? "the change was not paid in full" : why.c_str());
            break;
        }
    }
}

void BM_SalePublished(benchmark::State& state) {
    PublishedTill till(state);
    if (!till.ready()) return;
    runSales(state);
    const auto counts = till.publisher().counts();
    state.counters["messages"] = benchmark::Counter(static_cast<double>(counts.delivered),
                                                    benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SalePublished)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaleUnpublished(benchmark::State& state) {
    std::string why;
    if (!qxbench::openTill(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    runSales(state);
    qxbench::closeTill();
}
BENCHMARK(BM_SaleUnpublished)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

// The device's busy time in one sale (one cash move), slept bare.
void BM_SaleFloor(benchmark::State& state) {
    for (auto _ : state) qxbench::sleepSteps(1, qxbench::kCashMoveMs);
}
BENCHMARK(BM_SaleFloor)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// A report handed to the publisher until a subscriber on the same broker
// holds it: one at a time, so each time is a whole trip.
void BM_ReportToSubscriber(benchmark::State& state) {
    qxtest::WatcherOptions options;
    options.port = broker().port();
    options.filter = "qxlogics/bench/till-2/events";
    qxtest::TopicWatcher watcher(options);
    if (!watcher.start()) {
        state.SkipWithError("the subscriber did not connect");
        return;
    }
    auto s = settings();
    s.till = "till-2";
    Publisher publisher(s, [](const std::string&) {});
    publisher.start();
    for (int i = 0; i < 500 && !publisher.counts().connected; ++i) qxbench::sleepSteps(1, 10);
    std::vector<double> micros;
    std::size_t sent = 0;
    for (auto _ : state) {
        const auto at = WallClock::now();
        publisher.cashSession(at, 2, static_cast<int>(++sent));
        if (!watcher.waitForCount("events", sent, 5000)) {
            state.SkipWithError("a report did not arrive");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(
                             watcher.messages().back().at - at).count());
    }
    if (micros.empty()) return;
    state.counters["p50_us"] = percentile(micros, 0.50);
    state.counters["p99_us"] = percentile(micros, 0.99);
    publisher.stop();
}
BENCHMARK(BM_ReportToSubscriber)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

const bool floorRatio = qxbench::addRatio("BM_SalePublished/iterations:20/real_time",
                                          "BM_SaleFloor/iterations:20/real_time");
const bool offRatio = qxbench::addRatio("BM_SalePublished/iterations:20/real_time",
                                        "BM_SaleUnpublished/iterations:20/real_time");

}  // namespace
