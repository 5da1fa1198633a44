// payloads.cpp - builds the messages with nlohmann-json.
#include "payloads.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace qxd::telemetry {
namespace {

using nlohmann::json;

// Civil date from days since 1970-01-01 (proleptic Gregorian): no
// calendar call of the operating system, the same on every platform.
void civilFromDays(long long days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

json stamped(WallClock::time_point at, std::uint64_t seq) {
    return json{{"time", isoTime(at)}, {"seq", seq}};
}

const char* statusText(int status) {
    switch (status) {
    case 0: return "idle, pay-in enabled";
    case 1: return "busy";
    case 2: return "error";
    case 3: return "idle, pay-in disabled";
    default: return "unknown";
    }
}

const char* warningText(int warningType) {
    switch (warningType) {
    case 1: return "empty";
    case 2: return "low";
    case 3: return "high";
    default: return "none";
    }
}

// The device's own names of the session kinds; 4 is its restart notice.
const char* sessionKind(int infoType) {
    static const char* const kinds[] = {"BO/WD", "BO/RF", "CR/WD", "CR/RF", "restart"};
    return infoType >= 0 && infoType <= 4 ? kinds[infoType] : "unknown";
}

}  // namespace

std::string isoTime(WallClock::time_point at) {
    using namespace std::chrono;
    const long long micros = duration_cast<microseconds>(at.time_since_epoch()).count();
    long long seconds = micros / 1000000, fraction = micros % 1000000;
    if (fraction < 0) fraction += 1000000, --seconds;
    long long days = seconds / 86400, secondOfDay = seconds % 86400;
    if (secondOfDay < 0) secondOfDay += 86400, --days;
    int year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%06lldZ", year, month,
                  day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, fraction);
    return text;
}

std::string statePayload(const TillState& state, std::uint64_t seq) {
    json body = stamped(state.at, seq);
    body["initiated"] = state.initiated;
    body["open"] = state.mode == 1;
    body["status"] = state.status;
    body["statusText"] = statusText(state.status);
    body["mode"] = state.mode;
    body["modeText"] = state.mode == 1 ? "open" : state.mode == 0 ? "closed" : "unknown";
    body["amount"] = state.amount;
    body["operator"] = state.user;
    body["lastError"] = state.hasError ? json{{"code", state.errorCode},
                                              {"text", state.errorText},
                                              {"time", isoTime(state.errorAt)}}
                                       : json(nullptr);
    body["driverVersion"] = state.driverVersion;
    body["deviceVersion"] = state.deviceVersion;
    body["droppedEvents"] = state.droppedEvents;
    return body.dump();
}

std::string levelsPayload(const CashLevels& levels, WallClock::time_point at,
                          std::uint64_t seq) {
    json body = stamped(at, seq);
    json list = json::array();
    for (auto it = levels.rbegin(); it != levels.rend(); ++it)
        list.push_back({{"denomination", it->first},
                        {"count", it->second.count},
                        {"warning", warningText(it->second.warningType)},
                        {"message", it->second.message},
                        {"time", isoTime(it->second.at)}});
    body["levels"] = std::move(list);
    return body.dump();
}

std::string onlinePayload(bool online, WallClock::time_point at, std::uint64_t seq) {
    json body = stamped(at, seq);
    body["online"] = online;
    return body.dump();
}

std::string errorEvent(WallClock::time_point at, std::uint64_t seq, int code,
                       const std::string& text) {
    json body = stamped(at, seq);
    body["type"] = "error";
    body["code"] = code;
    body["text"] = text;
    return body.dump();
}

std::string levelWarningEvent(WallClock::time_point at, std::uint64_t seq, int denomination,
                              const LevelEntry& entry) {
    json body = stamped(at, seq);
    body["type"] = "levelWarning";
    body["denomination"] = denomination;
    body["count"] = entry.count;
    body["warning"] = warningText(entry.warningType);
    body["message"] = entry.message;
    return body.dump();
}

std::string cashSessionEvent(WallClock::time_point at, std::uint64_t seq, int infoType,
                             int amount) {
    json body = stamped(at, seq);
    body["type"] = "cashSession";
    body["infoType"] = infoType;
    body["kind"] = sessionKind(infoType);
    body["amount"] = amount;
    return body.dump();
}

std::string operatorEvent(WallClock::time_point at, std::uint64_t seq, int user, bool loggedIn) {
    json body = stamped(at, seq);
    body["type"] = loggedIn ? "login" : "logout";
    body["user"] = user;
    return body.dump();
}

std::string droppedEvent(WallClock::time_point at, std::uint64_t first, std::uint64_t last) {
    json body = stamped(at, last);
    body["type"] = "dropped";
    body["count"] = last - first + 1;
    body["firstSeq"] = first;
    body["lastSeq"] = last;
    return body.dump();
}

}  // namespace qxd::telemetry
