// test_broker.cpp - the broker's config file and its process.
#include "test_broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/test_env.h"

extern char** environ;

namespace qxtest {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

int runQuiet(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

}  // namespace

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

TestBroker::TestBroker(BrokerOptions options)
    : m_options(std::move(options)), m_folder(makeTempDir("broker")), m_port(freeLoopbackPort()) {
    writeConfig();
}

TestBroker::~TestBroker() {
    stop();
}

void TestBroker::writeConfig() {
    std::ostringstream config;
    // Started by root, the broker would switch to its own system user and
    // lose the test's files.
    const passwd* me = getpwuid(getuid());
    config << "user " << (me ? me->pw_name : "root") << "\n"
           << "listener " << m_port << " 127.0.0.1\n"
           << "log_dest file " << m_folder << "/mosquitto.log\n"
           << "log_type error\nlog_type warning\nlog_type notice\nlog_type information\n"
           << "connection_messages true\n";
    if (m_options.persistence)
        config << "persistence true\npersistence_location " << m_folder << "/\n";
    if (m_options.user.empty()) {
        config << "allow_anonymous true\n";
    } else {
        const std::string file = m_folder + "/passwords";
        runQuiet("mosquitto_passwd -c -b '" + file + "' '" + m_options.user + "' '" +
                 m_options.password + "'");
        config << "allow_anonymous false\npassword_file " << file << "\n";
    }
    if (!m_options.tlsDir.empty()) {
        config << "cafile " << m_options.tlsDir << "/ca.pem\n"
               << "certfile " << m_options.tlsDir << "/server.pem\n"
               << "keyfile " << m_options.tlsDir << "/server.key\n"
               << "require_certificate " << (m_options.requireClientCert ? "true" : "false")
               << "\n";
    }
    writeFile(m_folder + "/mosquitto.conf", config.str());
}

bool TestBroker::start() {
    const std::string program = "/usr/sbin/mosquitto", config = m_folder + "/mosquitto.conf";
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-c"),
                          const_cast<char*>(config.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = m_folder + "/stdout.log";
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        return false;
    }
    for (int waited = 0; waited < 10000; waited += 20) {
        if (accepts(m_port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void TestBroker::stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

std::string TestBroker::log() const {
    return readFile(m_folder + "/mosquitto.log") + readFile(m_folder + "/stdout.log");
}

}  // namespace qxtest
