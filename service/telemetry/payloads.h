// payloads.h - the JSON text of every message the publisher sends.  Each
// carries "time" (when the till saw it, UTC with microseconds) and "seq"
// (its number in its topic's stream).  Pure functions, any thread.
#ifndef QXD_TELEMETRY_PAYLOADS_H
#define QXD_TELEMETRY_PAYLOADS_H

#include <cstdint>
#include <string>

#include "till_snapshot.h"

namespace qxd::telemetry {

// "2026-12-07T14:52:16.123456Z"
std::string isoTime(WallClock::time_point at);

std::string statePayload(const TillState& state, std::uint64_t seq);
std::string levelsPayload(const CashLevels& levels, WallClock::time_point at,
                          std::uint64_t seq);
std::string onlinePayload(bool online, WallClock::time_point at, std::uint64_t seq);

// The events topic.
std::string errorEvent(WallClock::time_point at, std::uint64_t seq, int code,
                       const std::string& text);
std::string levelWarningEvent(WallClock::time_point at, std::uint64_t seq, int denomination,
                              const LevelEntry& entry);
std::string cashSessionEvent(WallClock::time_point at, std::uint64_t seq, int infoType,
                             int amount);
std::string operatorEvent(WallClock::time_point at, std::uint64_t seq, int user, bool loggedIn);
// Stands for the events first..last that a full queue dropped; it takes
// the last one's number, so the stream's numbers keep rising.
std::string droppedEvent(WallClock::time_point at, std::uint64_t first, std::uint64_t last);

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_PAYLOADS_H
