// clock.cpp (Windows) - GetLocalTime and Sleep behind the seams of
// platform/common/clock_seams.cpp.
#include <windows.h>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {
namespace {

// SYSTEMTIME has no day of the year: count it from the month and day.
int dayOfYear(int year, int month, int day) {
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return before[month - 1] + (leap && month > 2 ? 1 : 0) + day - 1;
}

}  // namespace

namespace backend {

LocalTime realLocalNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalTime time{};
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.millisecond = now.wMilliseconds;
    time.weekday = now.wDayOfWeek;
    time.yearDay = dayOfYear(time.year, time.month, time.day);
    return time;
}

void realSleepMs(int milliseconds) {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace backend
}  // namespace qxplat
