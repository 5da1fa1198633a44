// device_reports.h - the record of device reports that the waits read.
//
// The callback handler appends every report it has handled, in arrival
// order, with the device model's values as that report left them, and
// wakes the waiting operation at once.  An operation reads the record from
// a cursor: set when it checks the status or prepares a command, moved past
// each report that ended one of its waits.  Every report from the cursor on
// is kept until the operation ends, so a report that comes and goes
// between two looks is never lost, however many follow it, and the values
// read after a wait are those of the report that ended it.
//
// A burst: a wait decides on a report's letter, status and mode, and takes
// the first report that suits it.  So once the record is long, a report
// whose letter, status and mode repeat those of the report kept before it
// is not kept: it would decide no wait before that one does (after that
// one, the model's current values - its own - still do).  A burst costs a
// record entry only where the device's status moves.
//
// Who calls what: the callback threads call append() and forwarded(), under
// the callback handler's own exclusion; the operation's thread, in the call
// that holds the library's one turn, calls the rest.  Every method takes
// the record's lock for itself and calls nothing outside the record while
// it holds it (a Decides runs under it, so it only reads the report); the
// two waits let go of it while they sleep.  What comes back is said at
// each method.
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

    // The callback thread: stamps, keeps and announces one report; returns
    // its sequence.  The report's events count as not yet forwarded until
    // forwarded() is called with that sequence.
    std::uint64_t append(DeviceReport report);
    void forwarded(std::uint64_t sequence);

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

    // Blocks until the events of report `sequence` have been forwarded to
    // the application, at most maxMs.
    void awaitForwarded(std::uint64_t sequence, int maxMs);

    // The operation is over: nothing is read before the next cursor, so
    // nothing is kept until then, and the memory of a large record is
    // given back.
    void endOperation();

    // Test support: an empty record, the cursor at its start.
    void clear();

private:
    // A guard against a runaway library that keeps changing its status,
    // far above any real burst: beyond it new reports are not kept, and
    // the waits read the model's current values instead.  The reports that
    // came first - those that decide the running wait - stay.
    static constexpr std::size_t kMostKept = std::size_t(1) << 20;
    // Up to this length every report is kept; the memory of this many
    // entries stays between operations.
    static constexpr std::size_t kKeptInFull = 1024;

    void forgetKept();

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_forwardedCv;
    // Every report from the cursor on: the cursor is at m_front.
    std::vector<DeviceReport> m_kept;
    std::size_t m_front = 0;
    std::vector<std::uint64_t> m_forwarding;  // handled, events not yet forwarded
    std::uint64_t m_last = 0;  // sequence of the newest report
    bool m_keeping = true;     // false between operations
};

// The one record; never destroyed, as the callback may outlive the core.
extern DeviceReports& g_deviceReports;

#endif  // QX_DEVICE_REPORTS_H
