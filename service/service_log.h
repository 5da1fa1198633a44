// service_log.h - the service's log: one line per start, stop, client and
// refusal, to standard error (the journal under systemd).  Tests read the
// lines through a sink of their own.
//
// Who calls: any thread; lines are written whole, one at a time.
#ifndef QXD_SERVICE_LOG_H
#define QXD_SERVICE_LOG_H

#include <functional>
#include <mutex>
#include <string>

namespace qxd {

class ServiceLog {
public:
    using Sink = std::function<void(const std::string& line)>;
    // With no sink, lines go to standard error.
    explicit ServiceLog(Sink sink = nullptr) : m_sink(std::move(sink)) {}

    void info(const std::string& text);
    // Something a client asked for and did not get: "refused: <why> (<peer>)".
    void refused(const std::string& why, const std::string& peer);

private:
    void write(const std::string& line);
    std::mutex m_mutex;
    Sink m_sink;
};

}  // namespace qxd

#endif  // QXD_SERVICE_LOG_H
