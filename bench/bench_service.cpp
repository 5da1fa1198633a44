// bench_service.cpp - qxd_bench: what the till service adds on loopback.
//   BM_QueryDirect / BM_QueryOverWebSocket: isOpenQX called directly, and
//     the same query as a request over the service's WebSocket, answered.
//   BM_EventToObserver / BM_EventToWebSocket: from the device's report
//     (a status callback the simulator delivers) to an observer in the
//     service's process, and to the WebSocket client's read of the event.
// After Google Benchmark's table it prints what the WebSocket adds at the
// median over the repetitions (both of a pair measured in the same run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "service.h"
#include "sim/qxsim.h"

namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
using tcp = net::ip::tcp;
const std::string kToken(64, 'a');

// The service running on a free port with the device open, and one client
// that controls it.
struct Bench {
    qxd::ServiceLog log{[](const std::string&) {}};
    std::unique_ptr<qxd::Service> service;
    std::thread network;
    net::io_context io;
    beast::websocket::stream<tcp::socket> ws{io};
    beast::flat_buffer buffer;
    int id = 0;

    Bench() {
        qxsim_reset();
        qxd::Settings settings;
        settings.port = 0;
        service = std::make_unique<qxd::Service>(settings, kToken, qxd::linkedDriver(), log);
        std::string error;
        if (!service->start(error)) std::abort();
        network = std::thread([this] { service->run(); });
        ws.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), service->port()));
        ws.next_layer().set_option(tcp::no_delay(true));
        ws.set_option(beast::websocket::stream_base::decorator([](beast::websocket::request_type& r) {
            r.set(beast::http::field::sec_websocket_protocol, "qxd.v1, qxd.token." + kToken);
        }));
        ws.handshake("127.0.0.1", "/v1/ws");
        for (const char* op : {"claim", "init"}) roundTrip(op);
    }
    ~Bench() {
        ws.close(beast::websocket::close_code::normal);
        service->stop();
        network.join();
    }
    std::string read() {
        buffer.consume(buffer.size());
        ws.read(buffer);
        return beast::buffers_to_string(buffer.data());
    }
    // Sends a request and reads up to its answer.
    void roundTrip(const char* op) {
        const std::string key = "\"id\":" + std::to_string(++id) + ",";
        ws.write(net::buffer("{\"id\":" + std::to_string(id) + ",\"op\":\"" + op + "\"}"));
        while (read().find(key) == std::string::npos) {
        }
    }
};

// A status report unlike the one before it: the driver passes a report
// that repeats the previous one word for word on to nobody.
void reportStatus() {
    static int amount = 0;
    amount = (amount + 1) % 100000000;
    char text[16];
    std::snprintf(text, sizeof text, "a%08d01", amount);
    qxsim_inject_callback(text);
}

Bench& bench() {
    static Bench instance;
    return instance;
}

void BM_QueryDirect(benchmark::State& state) {
    bench();
    char message[QX_BUFFER_CAPACITY];
    int open = 0;
    for (auto _ : state) benchmark::DoNotOptimize(isOpenQX(&open, message));
}
BENCHMARK(BM_QueryDirect);

void BM_QueryOverWebSocket(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) b.roundTrip("isOpen");
}
BENCHMARK(BM_QueryOverWebSocket);

// Wakes the benchmark when the service's fan-out hands it a status event.
struct Waker : qxd::EventObserver {
    std::mutex mutex;
    std::condition_variable seen;
    std::uint64_t count = 0;
    void onDeviceEvent(const qxd::DeviceEvent& event) override {
        if (event.kind != qxd::EventKind::Status) return;
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        seen.notify_one();
    }
};

void BM_EventToObserver(benchmark::State& state) {
    Bench& b = bench();
    auto waker = std::make_shared<Waker>();
    b.service->events().subscribe(waker);
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(waker->mutex);
        const std::uint64_t before = waker->count;
        const auto start = std::chrono::steady_clock::now();
        reportStatus();
        waker->seen.wait(lock, [&] { return waker->count > before; });
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    b.service->events().unsubscribe(waker);
    qxsim_wait_idle(30000);
    b.roundTrip("isOpen");  // past every event the run left behind
}
BENCHMARK(BM_EventToObserver)->UseManualTime();

void BM_EventToWebSocket(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        reportStatus();
        while (b.read().find("\"event\":\"status\"") == std::string::npos) {
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_EventToWebSocket)->UseManualTime();

// Keeps each repetition's time per benchmark for the closing lines.
class Reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;  // microseconds
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime() *
                                                            (run.time_unit == benchmark::kNanosecond ? 1e-3 : 1));
        ConsoleReporter::ReportRuns(runs);
    }
    double median(const std::string& name) {
        std::vector<double> v = times[name];
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double direct = reporter.median("BM_QueryDirect"), socket = reporter.median("BM_QueryOverWebSocket");
    const double observer = reporter.median("BM_EventToObserver"), client = reporter.median("BM_EventToWebSocket");
    std::printf("\nquery: %.1f us direct, %.1f us over the WebSocket: %.1f us added (%.0fx)\n", direct,
                socket, socket - direct, direct > 0 ? socket / direct : 0);
    std::printf("event: %.1f us to an observer, %.1f us to the WebSocket client: %.1f us added\n",
                observer, client, client - observer);
    return 0;
}
