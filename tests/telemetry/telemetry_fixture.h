// telemetry_fixture.h - what the telemetry cases share: a broker of their
// own, the publisher's settings for it, its log lines, and JSON reading.
#ifndef QX_TELEMETRY_FIXTURE_H
#define QX_TELEMETRY_FIXTURE_H

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "publisher.h"
#include "tests/telemetry/test_broker.h"
#include "tests/telemetry/topic_watcher.h"

namespace qxtest {

using nlohmann::json;
using qxd::telemetry::WallClock;

// The publisher's log, kept for the cases to read.
class LogLines {
public:
    qxd::telemetry::LogSink sink() {
        return [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line);
        };
    }
    // The first line containing all of the needles, "" when none does.
    std::string find(std::initializer_list<std::string> needles) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& line : m_lines) {
            bool all = true;
            for (const auto& needle : needles) all = all && line.find(needle) != std::string::npos;
            if (all) return line;
        }
        return "";
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

inline qxd::telemetry::TelemetrySettings settingsFor(int port) {
    qxd::telemetry::TelemetrySettings settings;
    settings.enabled = true;
    settings.port = port;
    settings.site = "store-7";
    settings.till = "till-2";
    settings.topicPrefix = "qxtest";
    settings.reconnectMinSeconds = settings.reconnectMaxSeconds = 1;
    return settings;
}

// Polls a condition of another thread's making; false after timeoutMs.
template <class Condition>
bool eventually(Condition condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// The newest message of a leaf ("state", ...), {} when none came.
inline json newest(const std::vector<ReceivedMessage>& all, const std::string& leaf) {
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (endsWithLeaf(it->topic, leaf)) return json::parse(it->payload);
    return json::object();
}

inline std::vector<json> payloads(const std::vector<ReceivedMessage>& messages) {
    std::vector<json> parsed;
    for (const auto& message : messages) parsed.push_back(json::parse(message.payload));
    return parsed;
}

}  // namespace qxtest

#endif  // QX_TELEMETRY_FIXTURE_H
