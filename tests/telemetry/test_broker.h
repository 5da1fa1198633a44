// test_broker.h - a real Mosquitto broker for the telemetry tests: Debian's
// /usr/sbin/mosquitto, started on a free loopback port with a config file
// of the test's own in a temporary folder, stopped (or killed) by the test.
#ifndef QX_TEST_BROKER_H
#define QX_TEST_BROKER_H

#include <string>
#include <sys/types.h>

namespace qxtest {

// A free TCP port on 127.0.0.1 (bound once and let go).
int freeLoopbackPort();

struct BrokerOptions {
    bool persistence = false;     // keeps sessions and messages across a restart
    std::string user, password;   // when set, only this user may connect
    // TLS: the listener presents server.pem/server.key of this folder,
    // signed by its ca.pem; requireClientCert asks clients for one too.
    std::string tlsDir;
    bool requireClientCert = false;
};

class TestBroker {
public:
    explicit TestBroker(BrokerOptions options = {});
    ~TestBroker();  // stops it
    TestBroker(const TestBroker&) = delete;
    TestBroker& operator=(const TestBroker&) = delete;

    // Starts it and waits until it accepts connections; false after 10 s.
    bool start();
    // SIGTERM (it saves its persistence file) and wait.
    void stop();
    int port() const { return m_port; }
    std::string folder() const { return m_folder; }
    // The broker's own log.
    std::string log() const;

private:
    void writeConfig();

    BrokerOptions m_options;
    std::string m_folder;
    int m_port;
    pid_t m_pid = -1;
};

}  // namespace qxtest

#endif  // QX_TEST_BROKER_H
