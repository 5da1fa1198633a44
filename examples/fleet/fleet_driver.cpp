// fleet_driver.cpp - plays the cashier at many tills at once: connects to
// each qxd's WebSocket (the port and the token file given), claims the
// device, opens it, and then, round after round, logs in, pays 1.00 out
// and logs out at every till in turn.  A refused request is counted, not
// fatal: a till that ran out of coins goes on with its log-ins.  Each round makes the driver report
// status changes, a cash session and the operator's log-in and log-out,
// which the services publish.
//
//   fleet-driver ROUNDS PAUSE_MS PORT:TOKENFILE [PORT:TOKENFILE ...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

namespace {

namespace net = boost::asio;
namespace websocket = boost::beast::websocket;
using nlohmann::json;

class Till {
public:
    Till(net::io_context& io, const std::string& port, const std::string& token)
        : m_socket(io) {
        net::ip::tcp::resolver resolver(io);
        net::connect(m_socket.next_layer(), resolver.resolve("127.0.0.1", port));
        m_socket.set_option(websocket::stream_base::decorator([&](websocket::request_type& r) {
            r.set(boost::beast::http::field::sec_websocket_protocol, "qxd.v1, qxd.token." + token);
        }));
        m_socket.handshake("127.0.0.1:" + port, "/v1/ws");
    }

    // The answer's code; events on the way are skipped.
    int request(const std::string& op, const json& args = json::object()) {
        const int id = ++m_id;
        m_socket.write(net::buffer(json({{"id", id}, {"op", op}, {"args", args}}).dump()));
        for (;;) {
            boost::beast::flat_buffer buffer;
            m_socket.read(buffer);
            const json message = json::parse(boost::beast::buffers_to_string(buffer.data()));
            if (message.value("id", json()) == id) return message.value("code", -1);
        }
    }

private:
    websocket::stream<net::ip::tcp::socket> m_socket;
    int m_id = 0;
};

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fleet-driver ROUNDS PAUSE_MS PORT:TOKENFILE...\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]), pauseMs = std::atoi(argv[2]);
    net::io_context io;
    std::vector<std::unique_ptr<Till>> tills;
    for (int i = 3; i < argc; ++i) {
        const std::string where = argv[i];
        const auto colon = where.find(':');
        tills.push_back(std::make_unique<Till>(io, where.substr(0, colon),
                                               firstLine(where.substr(colon + 1))));
        Till& till = *tills.back();
        if (till.request("claim") != 0 || till.request("init") != 0) {
            std::fprintf(stderr, "fleet-driver: till %s would not open\n", where.c_str());
            return 1;
        }
    }
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        for (auto& till : tills) {
            failures += till->request("login", {{"user", 1}, {"password", 1}}) != 0;
            failures += till->request("dispense", {{"amount", 100}, {"text", "float"}}) != 0;
            failures += till->request("logout") != 0;
        }
        if (pauseMs) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    std::printf("fleet-driver: %d rounds at %zu tills, %d requests refused\n", rounds,
                tills.size(), failures);
    // A till whose stock ran out refuses its payouts: the monitor shows why.
    return 0;
}
