// clock_seams.cpp - the local clock, the calendar clock and the sleep of
// the library, each behind a hook that tests may replace.
#include <ctime>

#include "platform/common/backend.h"
#include "platform/common/seam.h"
#include "platform/platform.h"

namespace qxplat {
namespace {

Seam<LocalClock>& localClock() {
    static auto* seam = new Seam<LocalClock>();
    return *seam;
}

Seam<CalendarClock>& calendarClock() {
    static auto* seam = new Seam<CalendarClock>();
    return *seam;
}

Seam<SleepHook>& sleepHook() {
    static auto* seam = new Seam<SleepHook>();
    return *seam;
}

}  // namespace

LocalTime localNow() {
    LocalClock clock = localClock().get();
    return clock ? clock() : backend::realLocalNow();
}

std::time_t calendarNow() {
    CalendarClock clock = calendarClock().get();
    return clock ? clock() : std::time(nullptr);
}

void setLocalClockForTesting(LocalClock clock) { localClock().set(std::move(clock)); }

void setCalendarClockForTesting(CalendarClock clock) {
    calendarClock().set(std::move(clock));
}

void sleepMs(int milliseconds) {
    SleepHook hook = sleepHook().get();
    if (hook) {
        hook(milliseconds);
    } else {
        backend::realSleepMs(milliseconds);
    }
}

void setSleepHookForTesting(SleepHook hook) { sleepHook().set(std::move(hook)); }

}  // namespace qxplat
