// log_calendar.h - the calendar texts of the log files, computed from the
// platform's local time so that the clock seam drives all of them: English
// weekday and month abbreviations, "%Y-%m-%d", "%Y" and the "%W" week.
#ifndef QX_LOG_CALENDAR_H
#define QX_LOG_CALENDAR_H

#include <string>

#include "platform/platform.h"

namespace qxlog {

const char* weekdayName(const qxplat::LocalTime& time);  // "Sun".."Sat"
const char* monthName(const qxplat::LocalTime& time);    // "Jan".."Dec"
// Week of the year, Monday the first day, 0..53 (strftime's "%W").
int weekNumber(const qxplat::LocalTime& time);
std::string dateText(const qxplat::LocalTime& time);  // "2026-12-04"

}  // namespace qxlog

#endif  // QX_LOG_CALENDAR_H
