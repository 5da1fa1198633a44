// waits.cpp - the waiting primitives of the core: waitForStatus (one or
// two wanted values), waitForCallback and waitForMode.
//
// Each wait reads the record of device reports from the operation's
// cursor, in arrival order: the first report that carries the wanted value
// or, where errors count, the error status decides.  With no such report
// the model's current values decide.  Otherwise the wait sleeps until the
// next report arrives or the time-out passes, so it sees every report as
// if it polled infinitely fast.  Elapsed time is the monotonic clock's,
// from the start of the wait to the arrival of the deciding report; a
// wanted value at exactly the time-out is still a time-out.  Before the
// operation goes on, the deciding report's events are let reach the
// application, for at most one poll step: a till that updates its display
// from the status event sees it before the call returns, and an
// application callback that blocks costs no more than that step - nothing
// once it has blocked for a step already.
#include <algorithm>
#include <functional>
#include <string>

#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/device_reports.h"
#include "core/outcomes.h"
#include "events/event_delivery.h"
#include "logging/log_shapes.h"
#include "platform/platform.h"

namespace {

enum class Outcome { Wanted, Error, TimedOut };

constexpr int kPollStepMs = 10;

// What one wait looks for.
struct Watch {
    std::function<bool(const DeviceReport&)> wants;
    bool errorEnds;
};

bool isError(const DeviceReport& report) { return report.status == QX_DEVICE_ERROR; }

short resultAt(std::int64_t elapsedMs, int timeoutMs) {
    return elapsedMs < timeoutMs ? QX_STATUS_OK : QX_STATUS_TIMEOUT;
}

short errorEntered(const char* method) {
    logError(logicPrefix(method) + "Error entered");
    return QX_STATUS_ERROR;
}

// The current values decide only while no report has arrived since the
// record was read: otherwise that report is read first, in its order.
bool currentDecides(const Watch& watch, std::uint64_t seen, DeviceReport& now) {
    now = snapshotDeviceModel(g_strLastCallbackCommand.get(), false);
    if (!(watch.errorEnds && isError(now)) && !watch.wants(now)) return false;
    return g_deviceReports.newest() == seen;
}

Outcome await(const Watch& watch, int timeoutMs, DeviceReport& ended,
              std::int64_t& elapsedMs) {
    const std::int64_t start = qxplat::monotonicMs();
    const auto decides = [&](const DeviceReport& report) {
        return (watch.errorEnds && isError(report)) || watch.wants(report);
    };
    while (true) {
        std::uint64_t seen = 0;
        if (g_deviceReports.takeFirst(decides, &ended, &seen)) {
            elapsedMs = std::max<std::int64_t>(0, ended.atMs - start);
            // A quick application hears of the report before the call goes
            // on; one that blocks in a callback holds up no wait.
            if (!g_eventDelivery.blockedFor(kPollStepMs))
                g_deviceReports.awaitForwarded(ended.sequence, kPollStepMs);
        } else if (currentDecides(watch, seen, ended)) {
            elapsedMs = qxplat::monotonicMs() - start;
        } else {
            elapsedMs = qxplat::monotonicMs() - start;
            if (elapsedMs > timeoutMs) return Outcome::TimedOut;
            g_deviceReports.waitForNewer(seen, start + timeoutMs + 1);
            continue;
        }
        // Within one report the error status wins, even when it is wanted.
        return watch.errorEnds && isError(ended) ? Outcome::Error : Outcome::Wanted;
    }
}

}  // namespace

short CQXLogics::waitForStatus(int wanted, int timeoutMs) {
    return waitForStatus(wanted, wanted, timeoutMs);
}

short CQXLogics::waitForStatus(int wantedA, int wantedB, int timeoutMs) {
    const Watch watch{[=](const DeviceReport& report) {
                          return report.status == wantedA || report.status == wantedB;
                      },
                      true};
    std::int64_t elapsed = 0;
    switch (await(watch, timeoutMs, m_lastWaitReport, elapsed)) {
    case Outcome::Error: return errorEntered("waitForStatus");
    case Outcome::Wanted: return resultAt(elapsed, timeoutMs);
    default: return QX_STATUS_TIMEOUT;
    }
}

short CQXLogics::waitForCallback(const char* command, int timeoutMs) {
    const std::string wanted = command ? command : "";
    const Watch watch{[&](const DeviceReport& report) { return wanted == report.command; },
                      true};
    std::int64_t elapsed = 0;
    const Outcome outcome = await(watch, timeoutMs, m_lastWaitReport, elapsed);
    if (outcome == Outcome::Error) return errorEntered("waitForCallback");
    // Cleared on success and on time-out: a second wait needs a new callback.
    g_strLastCallbackCommand.clear();
    return outcome == Outcome::Wanted ? resultAt(elapsed, timeoutMs) : QX_STATUS_TIMEOUT;
}

short CQXLogics::waitForMode(int wantedMode, int timeoutMs, bool ignoreError) {
    const Watch watch{[=](const DeviceReport& report) { return report.mode == wantedMode; },
                      !ignoreError};
    std::int64_t elapsed = 0;
    const Outcome outcome = await(watch, timeoutMs, m_lastWaitReport, elapsed);
    if (outcome == Outcome::Error) return errorEntered("waitForMode");
    g_nLastCallbackMode.store(-1, std::memory_order_relaxed);
    return outcome == Outcome::Wanted ? resultAt(elapsed, timeoutMs) : QX_STATUS_TIMEOUT;
}
