// device_reports.cpp - the one record of device reports (device_reports.h):
// every report from the operation's cursor on, under one lock, with a
// condition variable that wakes the waiting operation and another that
// tells it when a report's events have reached the application.
#include "core/device_reports.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/platform.h"

DeviceReports& g_deviceReports = *new DeviceReports;

namespace {

constexpr int kHookedStepMs = 10;

std::chrono::steady_clock::time_point onSteadyClock(std::int64_t ms) {
    return std::chrono::steady_clock::time_point{std::chrono::milliseconds(ms)};
}

// What a wait decides on.
bool sameForTheWaits(const DeviceReport& a, const DeviceReport& b) {
    return a.status == b.status && a.mode == b.mode &&
           std::strcmp(a.command, b.command) == 0;
}

}  // namespace

std::uint64_t DeviceReports::append(DeviceReport report) {
    std::uint64_t sequence;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        sequence = report.sequence = ++m_last;
        report.atMs = qxplat::monotonicMs();
        m_forwarding.push_back(sequence);
        const std::size_t kept = m_kept.size() - m_front;
        const bool keep = m_keeping && kept < kMostKept &&
                          (kept < kKeptInFull || !sameForTheWaits(m_kept.back(), report));
        if (keep) m_kept.push_back(report);
    }
    m_arrived.notify_all();
    return sequence;
}

void DeviceReports::forwarded(std::uint64_t sequence) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = std::find(m_forwarding.begin(), m_forwarding.end(), sequence);
        if (found != m_forwarding.end()) m_forwarding.erase(found);
        if (m_forwarding.empty() && m_forwarding.capacity() > kKeptInFull)
            std::vector<std::uint64_t>().swap(m_forwarding);
    }
    m_forwardedCv.notify_all();
}

void DeviceReports::forgetKept() {
    if (m_kept.capacity() > kKeptInFull)
        std::vector<DeviceReport>().swap(m_kept);
    else
        m_kept.clear();
    m_front = 0;
}

void DeviceReports::startCursorHere() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_kept.clear();
    m_front = 0;
    m_keeping = true;
}

bool DeviceReports::takeFirst(const Decides& decides, DeviceReport* taken,
                              std::uint64_t* seen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    *seen = m_last;
    auto found = std::find_if(m_kept.begin() + static_cast<std::ptrdiff_t>(m_front),
                              m_kept.end(), decides);
    if (found == m_kept.end()) return false;
    *taken = *found;
    m_front = static_cast<std::size_t>(found - m_kept.begin()) + 1;
    return true;
}

std::uint64_t DeviceReports::newest() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last;
}

void DeviceReports::waitForNewer(std::uint64_t seen, std::int64_t deadlineMs) {
    if (qxplat::sleepIsHooked()) {
        qxplat::sleepMs(kHookedStepMs);
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_until(lock, onSteadyClock(deadlineMs), [&] { return m_last > seen; });
}

void DeviceReports::awaitForwarded(std::uint64_t sequence, int maxMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_forwardedCv.wait_for(lock, std::chrono::milliseconds(maxMs), [&] {
        return std::find(m_forwarding.begin(), m_forwarding.end(), sequence) ==
               m_forwarding.end();
    });
}

void DeviceReports::endOperation() {
    std::lock_guard<std::mutex> lock(m_mutex);
    forgetKept();
    m_keeping = false;
}

void DeviceReports::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_last = 0;
    forgetKept();
    std::vector<std::uint64_t>().swap(m_forwarding);
    m_keeping = true;
}
