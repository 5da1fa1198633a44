// log_line.cpp - the markers of the log kinds, their switches, and the
// prefix and time stamp of a line.
#include "logging/log_line.h"

#include "logging/log.h"
#include "logging/log_calendar.h"
#include "logging/log_switches.h"
#include "logging/strformat.h"

namespace qxlog {

const char* activeMarker(int kind) {
    switch (kind) {
        case CrToApi: return g_LogCRToCAPI ? "=>" : nullptr;
        case ApiToCr: return g_LogCAPIToCR ? "<=" : nullptr;
        case ApiToCom: return g_LogCAPIToCom ? "->" : nullptr;
        case ComToApi: return g_LogComToCAPI ? "<-" : nullptr;
        case Debug: return g_LogDebug ? "==" : nullptr;
        case Error:
        case Failure: return "!!";
        case Info: return "##";
        default: return nullptr;
    }
}

std::string formatLine(const qxplat::LocalTime& now, int file, const char* marker,
                       const char* text) {
    std::string prefix;
    if (file == ErrorLog) prefix = strformat("%s %s", dateText(now).c_str(), weekdayName(now));
    std::string week = strformat("%.2d", weekNumber(now));
    std::string millis = strformat("%03d", now.millisecond);
    std::string stamp = strformat("w%s %.2d:%.2d:%.2d.%s", week.c_str(), now.hour, now.minute,
                                  now.second, millis.c_str());
    // The text is an argument, never the format: a '%' in it stays as is.
    return strformat("%s%s %s %s\n", prefix.c_str(), stamp.c_str(), marker, text ? text : "");
}

}  // namespace qxlog
