// spdlog_peer.h - the log benchmark's peer: a logger of the spdlog library
// that writes WriteLog's line layout ("w49 14:03:07.250 => text") through a
// file sink flushed after every line.  spdlog's headers stay in the .cpp.
#ifndef QX_BENCH_SPDLOG_PEER_H
#define QX_BENCH_SPDLOG_PEER_H

#include <memory>
#include <string>

namespace spdlog {
class logger;
}

namespace qxbench {

class SpdlogPeer {
public:
    // Appends to the file at path (created when missing).
    explicit SpdlogPeer(const std::string& path);
    ~SpdlogPeer();
    SpdlogPeer(const SpdlogPeer&) = delete;
    SpdlogPeer& operator=(const SpdlogPeer&) = delete;

    // One line with the "=>" marker, flushed at once.
    void write(const char* text);

private:
    std::shared_ptr<spdlog::logger> m_logger;
};

}  // namespace qxbench

#endif  // QX_BENCH_SPDLOG_PEER_H
