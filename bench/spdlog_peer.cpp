// spdlog_peer.cpp - the spdlog logger of the log benchmark: the same line
// as WriteLog's (week number, time to the millisecond, marker, text), a
// basic file sink, a flush after every line, and a lock like WriteLog's.
#include "bench/spdlog_peer.h"

#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>

namespace qxbench {
namespace {

// "%W" of strftime (week of the year, Monday first), two digits: spdlog
// has no flag of its own for it.
class WeekFlag : public spdlog::custom_flag_formatter {
public:
    void format(const spdlog::details::log_msg&, const std::tm& tm,
                spdlog::memory_buf_t& dest) override {
        const int week = (tm.tm_yday + 7 - (tm.tm_wday + 6) % 7) / 7;
        const char digits[2] = {static_cast<char>('0' + week / 10),
                                static_cast<char>('0' + week % 10)};
        dest.append(digits, digits + 2);
    }
    std::unique_ptr<custom_flag_formatter> clone() const override {
        return std::make_unique<WeekFlag>();
    }
};

}  // namespace

SpdlogPeer::SpdlogPeer(const std::string& path) {
    auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, false);
    m_logger = std::make_shared<spdlog::logger>("qxbench_peer", std::move(sink));
    auto formatter = std::make_unique<spdlog::pattern_formatter>();
    formatter->add_flag<WeekFlag>('W').set_pattern("w%W %H:%M:%S.%e => %v");
    m_logger->set_formatter(std::move(formatter));
    m_logger->set_level(spdlog::level::trace);
    m_logger->flush_on(spdlog::level::trace);
}

SpdlogPeer::~SpdlogPeer() = default;

void SpdlogPeer::write(const char* text) {
    // A plain string view: spdlog copies it without parsing a format.
    m_logger->log(spdlog::level::info, spdlog::string_view_t(text));
}

}  // namespace qxbench
