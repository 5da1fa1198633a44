// device_reports.h - the record of device reports that the waits read.
//
// The callback handler appends every report it has handled, in arrival
// order, with the device model's values as that report left them, and
// wakes the waiting operation at once.  An operation reads the record from
// a cursor: set when it prepares a command, moved past each report that
// ended one of its waits.  So a report that comes and goes between two
// looks is never lost, and the values read after a wait are those of the
// report that ended it, whatever arrived since.
#ifndef QX_DEVICE_REPORTS_H
#define QX_DEVICE_REPORTS_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// One report and the model's values once it was handled.
struct DeviceReport {
    std::uint64_t sequence = 0;  // 1 for the first report ever recorded
    std::int64_t atMs = 0;       // arrival on the monotonic clock
    char command[4] = "";        // "a", "b", "c", "x", ...; "" when malformed
    int status = -1;             // g_nLastCallbackStatus
    int mode = -1;               // g_nLastCallbackMode
    int amount = 0;              // g_nLastCallbackAmount
    int rest = 0;                // g_nLastRestAmount
    char masterVersion[6] = "";
    char supportedCommands[38] = "";
};

class DeviceReports {
public:
    using Decides = std::function<bool(const DeviceReport&)>;

    // The callback thread: stamps, keeps and announces one report.
    void append(DeviceReport report);

    // The operation's thread: the cursor moves to the end of the record, so
    // only reports arriving from now on are read.
    void startCursorHere();

    // The first report since the cursor for which decides is true; the
    // cursor moves past it.  False when none is; then *seen tells how far
    // the record was read, for waitForNewer.
    bool takeFirst(const Decides& decides, DeviceReport* taken, std::uint64_t* seen);

    // Sequence of the newest report, 0 before the first.
    std::uint64_t newest();

    // Blocks until a report after `seen` arrives or the monotonic clock
    // reaches deadlineMs.  Under a hooked sleep it takes one 10 ms step.
    void waitForNewer(std::uint64_t seen, std::int64_t deadlineMs);

    // Test support: an empty record, the cursor at its start.
    void clear();

private:
    // Enough for the busiest operation; an overrun drops the oldest.
    static constexpr std::size_t kCapacity = 256;

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<DeviceReport> m_ring = std::vector<DeviceReport>(kCapacity);
    std::uint64_t m_last = 0;    // sequence of the newest report
    std::uint64_t m_cursor = 1;  // sequence of the first report not yet read
};

// The one record; never destroyed, as the callback may outlive the core.
extern DeviceReports& g_deviceReports;

#endif  // QX_DEVICE_REPORTS_H
