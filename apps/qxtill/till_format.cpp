// till_format.cpp - the till's words for status codes, money and device
// states.
#include "till_format.h"

#include <cstdio>
#include <cstdlib>

namespace till {

std::string statusCodeName(int code) {
    static const char* const names[] = {
        "QX_STATUS_OK",           "QX_STATUS_BUSY",
        "QX_STATUS_ERROR",        "QX_STATUS_WARNING",
        "QX_STATUS_INPUT_PARAM_ERROR", "QX_STATUS_CLOSED",
        "QX_STATUS_TIMEOUT",      "QX_STATUS_SEND_FAILED",
        "QX_STATUS_NOT_POSSIBLE", "QX_STATUS_MOVE_ERROR",
        "QX_STATUS_DEPOSIT_TOO_BIG", "QX_STATUS_LIMIT_EXCEEDED",
        "QX_STATUS_NOT_SUPPORTED"};
    if (code >= 0 && code < static_cast<int>(sizeof names / sizeof names[0]))
        return names[code];
    return "code " + std::to_string(code);
}

std::string codeAndName(int code) { return std::to_string(code) + " " + statusCodeName(code); }

std::string formatResult(int code, const std::string& message) {
    return codeAndName(code) + ": " + message;
}

std::string formatMoney(long long minorUnits) {
    // Two decimals: the library's default CurrencyDecimals.
    unsigned long long magnitude =
        minorUnits < 0 ? 0ULL - static_cast<unsigned long long>(minorUnits)
                       : static_cast<unsigned long long>(minorUnits);
    char text[32];
    std::snprintf(text, sizeof text, "%s%llu.%02llu", minorUnits < 0 ? "-" : "",
                  magnitude / 100, magnitude % 100);
    return text;
}

std::string deviceStatusName(int status) {
    switch (status) {
        case 0: return "idle, pay-in enabled";
        case 1: return "busy";
        case 2: return "error";
        case 3: return "idle, pay-in disabled";
        default: return "unknown status";
    }
}

std::string deviceModeName(int mode) {
    switch (mode) {
        case 0: return "closed";
        case 1: return "open";
        default: return "unknown mode";
    }
}

std::string sessionTypeName(int infoType) {
    static const char* const names[] = {"BO/WD", "BO/RF", "CR/WD", "CR/RF", "QuaxV"};
    if (infoType >= 0 && infoType < 5) return names[infoType];
    return "type " + std::to_string(infoType);
}

std::string sessionTypeWords(int infoType, long long amount) {
    const std::string money = formatMoney(amount);
    switch (infoType) {
        case 0: return "the back office took " + money + " out of the device";
        case 1: return "the back office put " + money + " into the device";
        case 2: return "this till session paid " + money + " out of the device";
        case 3: return "this till session took " + money + " into the cash box";
        case 4: return "the device restarted";
        default: return "a cash report the till does not know";
    }
}

std::string cashLevelWords(int denomination, int count) {
    const std::string items = "the " + formatMoney(denomination) + " pieces";
    if (count == 0) return items + " have run out: refill them now";
    if (count == 999) return items + " are nearly full: take some to the safe";
    return "only " + std::to_string(count) + " of " + items + " left: refill soon";
}

}  // namespace till
