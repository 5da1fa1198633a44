// log_calendar.cpp - weekday and month names, the week number and the date
// text of the log files.  Fixed English tables: the file names must not
// follow the system's language.
#include "logging/log_calendar.h"

#include <cstdio>

namespace qxlog {

const char* weekdayName(const qxplat::LocalTime& time) {
    static const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return time.weekday >= 0 && time.weekday < 7 ? names[time.weekday] : "???";
}

const char* monthName(const qxplat::LocalTime& time) {
    static const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return time.month >= 1 && time.month <= 12 ? names[time.month - 1] : "???";
}

int weekNumber(const qxplat::LocalTime& time) {
    int daysSinceMonday = (time.weekday + 6) % 7;
    return (time.yearDay + 7 - daysSinceMonday) / 7;
}

std::string dateText(const qxplat::LocalTime& time) {
    // Checked against the logger's date for every line: one pass.
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
    return text;
}

}  // namespace qxlog
