// clock.cpp (POSIX) - the real local clock with milliseconds and the real
// sleep behind the seams of platform/common/clock_seams.cpp.
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {
namespace backend {

LocalTime realLocalNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    LocalTime time{};
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    time.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    time.weekday = local.tm_wday;
    time.yearDay = local.tm_yday;
    return time;
}

void realSleepMs(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace backend
}  // namespace qxplat
