// service_process.h - qxd, the till service, run by a telemetry test as a
// till machine runs it: its own process with a settings file of the
// test's making (a free loopback port, the [telemetry] section given),
// the simulator beside it, and a WebSocket client that controls the device
// as a browser till would.
#ifndef QX_SERVICE_PROCESS_H
#define QX_SERVICE_PROCESS_H

#include <memory>
#include <string>
#include <sys/types.h>

#include <nlohmann/json.hpp>

namespace qxtest {

class ServiceProcess {
public:
    // telemetrySection: the lines of [telemetry]; stock: the simulator's
    // stock file text ("" keeps its own).
    ServiceProcess(const std::string& telemetrySection, const std::string& stock);
    ~ServiceProcess();  // SIGTERM and wait, when still running
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts qxd and waits until it listens; false after 15 s.
    bool start();
    // Sends the signal and waits for the process to end.
    void signal(int number);
    int port() const { return m_port; }
    // What qxd wrote to standard output and error (its log).
    std::string log() const;
    // The token it made at its first start.
    std::string token() const;

private:
    std::string m_folder;
    int m_port;
    pid_t m_pid = -1;
};

// A WebSocket client of qxd's /v1/ws, offering the token.
class TillClient {
public:
    TillClient(int port, const std::string& token);
    ~TillClient();
    // Sends {id, op, args} and returns the answer, skipping events.
    nlohmann::json request(const std::string& op, nlohmann::json args = nlohmann::json::object());

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
    int m_nextId = 1;
};

}  // namespace qxtest

#endif  // QX_SERVICE_PROCESS_H
