// till_snapshot.h - what the publisher remembers of one till between
// reports: the device's state and its last cash levels, the two retained
// topics' content.  Plain data, guarded by the publisher's lock.
#ifndef QXD_TELEMETRY_TILL_SNAPSHOT_H
#define QXD_TELEMETRY_TILL_SNAPSHOT_H

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace qxd::telemetry {

using WallClock = std::chrono::system_clock;

struct TillState {
    WallClock::time_point at{};  // of the last change
    bool initiated = false;      // initQX succeeded and exitQX did not follow
    int status = -1, mode = -1;  // of the last status report; -1 before the first
    int amount = 0;              // paid in (or rest) in that report, minor units
    int user = 0;                // the operator logged in, 0 for none
    bool hasError = false;       // an error was reported since the service started
    int errorCode = 0;
    std::string errorText;
    WallClock::time_point errorAt{};
    std::string driverVersion, deviceVersion;
    std::uint64_t droppedEvents = 0;  // events lost to a full queue since start
};

// The last cash-level report of one denomination.
struct LevelEntry {
    WallClock::time_point at{};
    int count = 0;
    int warningType = 0;  // 1 empty, 2 low, 3 high, 0 when only the count came
    std::string message;
};

// Keyed by denomination in minor units.
using CashLevels = std::map<int, LevelEntry>;

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_TILL_SNAPSHOT_H
