// service_harness.h - the till service in the test's own process, talking
// to it over real loopback sockets: a fixture that runs qxd's Service on
// a free port against the linked driver and simulator, a WebSocket client
// built on Beast whose every wait has one generous bound, and the
// simulator's command record to show what reached the device.
#ifndef QX_TESTS_SERVICE_HARNESS_H
#define QX_TESTS_SERVICE_HARNESS_H

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "sim/qxsim.h"
#include "service.h"
#include "tests/support/test_env.h"

namespace qxdtest {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using qxd::Json;

constexpr auto kWait = std::chrono::milliseconds(qxtest::kIdleWaitMs);
const std::string kToken(64, 'a');

inline std::string goodProtocols() { return "qxd.v1, qxd.token." + kToken; }

struct Handshake {
    std::string host = "127.0.0.1";
    std::string origin;  // none when empty
    std::string protocols = goodProtocols();
    std::string address = "127.0.0.1";
};

// One WebSocket client.  Every read runs its own io_context for at most
// kWait, so a missing answer fails the test instead of hanging it.
class WsClient {
public:
    WsClient(unsigned short port, const Handshake& hs = Handshake()) : m_ws(m_io) {
        beast::get_lowest_layer(m_ws).connect(tcp::endpoint(net::ip::make_address(hs.address), port));
        m_ws.set_option(websocket::stream_base::decorator([hs](websocket::request_type& request) {
            if (!hs.origin.empty()) request.set(http::field::origin, hs.origin);
            if (!hs.protocols.empty()) request.set(http::field::sec_websocket_protocol, hs.protocols);
        }));
        websocket::response_type response;
        beast::error_code ec;
        m_ws.handshake(response, hs.host, "/v1/ws", ec);
        open = !ec;
        error = ec.message();
    }

    bool open = false;
    bool closed = false;       // the connection ended
    std::string error;         // why the handshake failed
    std::vector<Json> events;  // every event read so far, in order

    void sendText(const std::string& text) { m_ws.text(true), m_ws.write(net::buffer(text)); }
    void sendBinary(const std::string& bytes) { m_ws.binary(true), m_ws.write(net::buffer(bytes)); }

    // The next message; null on a closed connection or after kWait.
    Json next() {
        beast::flat_buffer buffer;
        bool done = false;
        beast::error_code error;
        m_ws.async_read(buffer, [&](beast::error_code ec, std::size_t) { done = true, error = ec; });
        m_io.restart();
        m_io.run_for(kWait);
        if (!done) {
            beast::get_lowest_layer(m_ws).cancel();
            m_io.restart();
            m_io.run();
        }
        if (done && error) closed = true;
        if (!done || error) return nullptr;
        Json message = Json::parse(beast::buffers_to_string(buffer.data()));
        if (message.contains("event")) events.push_back(message);
        return message;
    }

    // Sends a request and reads up to its answer (events on the way are kept).
    Json request(const std::string& op, const Json& args = Json::object()) {
        const int id = ++m_lastId;
        sendText(Json{{"id", id}, {"op", op}, {"args", args}}.dump());
        return answerTo(id);
    }
    // The next answer, past the events before it.
    Json nextAnswer() {
        for (Json message = next(); !message.is_null(); message = next())
            if (message.contains("id")) return message;
        return nullptr;
    }
    Json answerTo(const Json& id) {
        for (Json message = next(); !message.is_null(); message = next())
            if (message.contains("id") && message["id"] == id) return message;
        return nullptr;
    }
    // Reads until an event with that name and, when given, field value.
    Json waitEvent(const std::string& name, const std::string& field = "", const Json& value = nullptr) {
        const auto matches = [&](const Json& e) {
            return e["event"] == name && (field.empty() || e.value(field, Json()) == value);
        };
        for (const Json& e : events)
            if (matches(e)) return e;
        for (Json message = next(); !message.is_null(); message = next())
            if (message.contains("event") && matches(message)) return message;
        return nullptr;
    }
    // True when the service closed the connection within kWait.
    bool closedByService() {
        while (!next().is_null()) {
        }
        return closed;
    }
    // Vanishes without a closing handshake.
    void drop() {
        beast::error_code ec;
        beast::get_lowest_layer(m_ws).close(ec);
    }
    tcp::socket& socket() { return beast::get_lowest_layer(m_ws); }

private:
    net::io_context m_io;
    websocket::stream<tcp::socket> m_ws;
    int m_lastId = 0;
};

// GET of a path with a Host header; the status and body.
inline std::pair<unsigned, std::string> httpGet(unsigned short port, const std::string& target,
                                                const std::string& host = "127.0.0.1") {
    net::io_context io;
    tcp::socket socket(io);
    socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    http::request<http::empty_body> request(http::verb::get, target, 11);
    request.set(http::field::host, host);
    http::write(socket, request);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    beast::error_code ec;
    http::read(socket, buffer, response, ec);
    return {response.result_int(), response.body()};
}

// The HTTP status of an upgrade request to /v1/ws made by hand (Beast's
// client keeps a declined handshake's answer to itself): 101 when admitted.
inline unsigned upgradeStatus(unsigned short port, const Handshake& hs) {
    net::io_context io;
    tcp::socket socket(io);
    socket.connect(tcp::endpoint(net::ip::make_address(hs.address), port));
    http::request<http::empty_body> request(http::verb::get, "/v1/ws", 11);
    request.set(http::field::host, hs.host);
    request.set(http::field::upgrade, "websocket");
    request.set(http::field::connection, "Upgrade");
    request.set(http::field::sec_websocket_key, "dGhlIHNhbXBsZSBub25jZQ==");
    request.set(http::field::sec_websocket_version, "13");
    if (!hs.origin.empty()) request.set(http::field::origin, hs.origin);
    if (!hs.protocols.empty()) request.set(http::field::sec_websocket_protocol, hs.protocols);
    http::write(socket, request);
    beast::flat_buffer buffer;
    http::response_parser<http::empty_body> response;
    response.skip(true);  // a 101 has no body to wait for
    beast::error_code ec;
    http::read_header(socket, buffer, response, ec);
    return ec ? 0 : response.get().result_int();
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxsim_reset();
        settings.port = 0;
        settings.origins = {"http://till.example:8080"};
    }
    // Starts the service with the settings as the test left them.
    void startService() {
        m_log = std::make_unique<qxd::ServiceLog>([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line);
        });
        m_service = std::make_unique<qxd::Service>(settings, kToken, qxd::linkedDriver(), *m_log);
        std::string error;
        ASSERT_TRUE(m_service->start(error)) << error;
        port = m_service->port();
        m_thread = std::thread([this] { m_service->run(); });
    }
    void TearDown() override {
        if (!m_service) return;
        m_service->stop();
        m_thread.join();
        m_service.reset();
    }

    // The commands the device received since the reset.
    static std::string commands() {
        std::vector<char> buffer(1 << 20);
        qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }
    // Whether a log line holds needle now.
    bool hasLine(const std::string& needle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& line : m_lines)
            if (line.find(needle) != std::string::npos) return true;
        return false;
    }
    // Waits for a log line holding needle.
    bool logged(const std::string& needle) {
        const auto end = std::chrono::steady_clock::now() + kWait;
        while (!hasLine(needle)) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    // Every device event has been handed to the network thread: the driver
    // forwards reports from its own delivery thread, which may still hold
    // some after the simulator went idle, so this waits until none came
    // for 50 ms.
    void drainEvents() {
        struct Counter : qxd::EventObserver {
            std::atomic<std::uint64_t> seen{0};
            void onDeviceEvent(const qxd::DeviceEvent&) override { ++seen; }
        };
        auto counter = std::make_shared<Counter>();
        m_service->events().subscribe(counter);
        const auto end = std::chrono::steady_clock::now() + kWait;
        std::uint64_t before;
        do {
            before = counter->seen;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ASSERT_TRUE(m_service->events().drain(qxtest::kIdleWaitMs));
        } while (counter->seen != before && std::chrono::steady_clock::now() < end);
        m_service->events().unsubscribe(counter);
        EXPECT_EQ(counter->seen, before) << "the device's events did not stop";
    }
    // A fresh client is served at once: its request answered, the health too.
    void expectAnswering() {
        WsClient probe(port);
        ASSERT_TRUE(probe.open) << probe.error;
        EXPECT_TRUE(probe.request("isOpen").contains("code"));
        EXPECT_EQ(200u, httpGet(port, "/v1/health").first);
    }
    // Claims the device and opens a session: initiated, logged in, pay-in on.
    static void openSession(WsClient& till) {
        for (const char* op : {"claim", "init"}) ASSERT_EQ(0, till.request(op)["code"]) << op;
        ASSERT_EQ(0, till.request("login", {{"user", 1}, {"password", 1}})["code"]);
        ASSERT_EQ(0, till.request("enablePayin")["code"]);
    }

    qxd::Settings settings;
    unsigned short port = 0;

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::unique_ptr<qxd::ServiceLog> m_log;
    std::unique_ptr<qxd::Service> m_service;
    std::thread m_thread;
};

}  // namespace qxdtest

#endif  // QX_TESTS_SERVICE_HARNESS_H
