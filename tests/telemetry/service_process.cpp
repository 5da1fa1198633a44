// service_process.cpp - qxd's process and a Boost.Beast WebSocket client.
#include "service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include "tests/support/test_env.h"
#include "tests/telemetry/test_broker.h"

extern char** environ;

namespace qxtest {
namespace {

namespace net = boost::asio;
namespace websocket = boost::beast::websocket;

// qxd is built beside the test program.
std::string serviceProgram() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/qxd";
}

// The test's environment with the service's own variables.
std::vector<std::string> environmentFor(const std::string& folder, bool stock) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    variables["QXLOGS"] = folder + "/logs";
    variables["QXCONFIG"] = folder;
    variables["QXSIM_MS_PER_CHAR"] = "0";
    variables["QXSIM_BUSY_MS"] = "0";
    if (stock) variables["QXSIM_CONFIG"] = folder + "/stock.txt";
    std::vector<std::string> list;
    for (const auto& [name, value] : variables) list.push_back(name + "=" + value);
    return list;
}

}  // namespace

ServiceProcess::ServiceProcess(const std::string& telemetrySection, const std::string& stock)
    : m_folder(makeTempDir("qxd")), m_port(freeLoopbackPort()) {
    std::filesystem::create_directories(m_folder + "/logs");
    writeFile(m_folder + "/qxd.conf", "[service]\nport = " + std::to_string(m_port) +
                                          "\ntoken_file = " + m_folder + "/token\n\n" +
                                          "[telemetry]\n" + telemetrySection);
    if (!stock.empty()) writeFile(m_folder + "/stock.txt", stock);
}

ServiceProcess::~ServiceProcess() {
    if (m_pid > 0) signal(SIGTERM);
}

bool ServiceProcess::start() {
    const std::string program = serviceProgram(), config = m_folder + "/qxd.conf";
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--config"),
                          const_cast<char*>(config.c_str()), nullptr};
    std::vector<std::string> variables =
        environmentFor(m_folder, std::filesystem::exists(m_folder + "/stock.txt"));
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = m_folder + "/qxd.log";
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return m_pid = -1, false;
    for (int waited = 0; waited < 15000; waited += 20) {
        if (log().find("listening on port") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void ServiceProcess::signal(int number) {
    if (m_pid <= 0) return;
    kill(m_pid, number);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::string ServiceProcess::log() const {
    return readFile(m_folder + "/qxd.log");
}

std::string ServiceProcess::token() const {
    std::string text = readFile(m_folder + "/token");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

struct TillClient::Connection {
    net::io_context io;
    websocket::stream<net::ip::tcp::socket> socket{io};
};

TillClient::TillClient(int port, const std::string& token)
    : m_connection(std::make_unique<Connection>()) {
    net::ip::tcp::resolver resolver(m_connection->io);
    net::connect(m_connection->socket.next_layer(),
                 resolver.resolve("127.0.0.1", std::to_string(port)));
    m_connection->socket.set_option(
        websocket::stream_base::decorator([&](websocket::request_type& request) {
            request.set(boost::beast::http::field::sec_websocket_protocol,
                        "qxd.v1, qxd.token." + token);
        }));
    m_connection->socket.handshake("127.0.0.1:" + std::to_string(port), "/v1/ws");
}

TillClient::~TillClient() {
    boost::system::error_code ignored;
    m_connection->socket.close(websocket::close_code::normal, ignored);
}

nlohmann::json TillClient::request(const std::string& op, nlohmann::json args) {
    const int id = m_nextId++;
    m_connection->socket.write(
        net::buffer(nlohmann::json({{"id", id}, {"op", op}, {"args", args}}).dump()));
    for (;;) {
        boost::beast::flat_buffer buffer;
        m_connection->socket.read(buffer);
        const auto message = nlohmann::json::parse(boost::beast::buffers_to_string(buffer.data()));
        if (message.value("id", nlohmann::json()) == id) return message;
    }
}

}  // namespace qxtest
