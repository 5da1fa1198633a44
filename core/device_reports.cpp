// device_reports.cpp - the one record of device reports (device_reports.h):
// a ring of the newest reports under one lock, with a condition variable
// that wakes the waiting operation.
#include "core/device_reports.h"

#include <chrono>

#include "platform/platform.h"

DeviceReports& g_deviceReports = *new DeviceReports;

namespace {

constexpr int kHookedStepMs = 10;

}  // namespace

void DeviceReports::append(DeviceReport report) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        report.sequence = ++m_last;
        report.atMs = qxplat::monotonicMs();
        m_ring[report.sequence % kCapacity] = report;
    }
    m_arrived.notify_all();
}

void DeviceReports::startCursorHere() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cursor = m_last + 1;
}

bool DeviceReports::takeFirst(const Decides& decides, DeviceReport* taken,
                              std::uint64_t* seen) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Reports older than the ring holds are gone; read from the oldest kept.
    if (m_last >= kCapacity && m_cursor <= m_last - kCapacity) m_cursor = m_last - kCapacity + 1;
    *seen = m_last;
    for (std::uint64_t sequence = m_cursor; sequence <= m_last; ++sequence) {
        const DeviceReport& report = m_ring[sequence % kCapacity];
        if (!decides(report)) continue;
        *taken = report;
        m_cursor = sequence + 1;
        return true;
    }
    return false;
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
    const std::chrono::steady_clock::time_point deadline{
        std::chrono::milliseconds(deadlineMs)};
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_until(lock, deadline, [&] { return m_last > seen; });
}

void DeviceReports::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_last = 0;
    m_cursor = 1;
}
