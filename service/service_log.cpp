// service_log.cpp - log lines to standard error or the sink.
#include "service_log.h"

#include <cstdio>

namespace qxd {

void ServiceLog::info(const std::string& text) { write(text); }

void ServiceLog::refused(const std::string& why, const std::string& peer) {
    write("refused: " + why + " (" + peer + ")");
}

void ServiceLog::write(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_sink) {
        m_sink(line);
        return;
    }
    std::fprintf(stderr, "qxd: %s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace qxd
