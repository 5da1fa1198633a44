// clock.cpp (POSIX) - the real local clock with milliseconds and the real
// sleep behind the seams of platform/common/clock_seams.cpp.
#include <time.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {
namespace backend {

LocalTime realLocalNow() {
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    auto millisTotal = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
    std::time_t wholeSeconds = static_cast<std::time_t>(millisTotal / 1000);
    int millis = static_cast<int>(millisTotal % 1000);
    std::tm local{};
    localtime_r(&wholeSeconds, &local);
    LocalTime time{};
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    time.millisecond = millis;
    time.weekday = local.tm_wday;
    time.yearDay = local.tm_yday;
    return time;
}

void realSleepMs(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace backend
}  // namespace qxplat
