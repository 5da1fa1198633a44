// clock_seams.cpp - the local clock, the calendar clock, the sleep and the
// monotonic clock of the library, each behind a hook that tests may
// replace.  A hooked sleep also advances the virtual monotonic clock.
#include <atomic>
#include <chrono>
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

std::atomic<bool> g_sleepHooked{false};
std::atomic<std::int64_t> g_virtualMs{0};

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
        g_virtualMs += milliseconds;
        hook(milliseconds);
    } else {
        backend::realSleepMs(milliseconds);
    }
}

void setSleepHookForTesting(SleepHook hook) {
    g_sleepHooked = static_cast<bool>(hook);
    sleepHook().set(std::move(hook));
}

bool sleepIsHooked() { return g_sleepHooked; }

std::int64_t monotonicMs() {
    if (g_sleepHooked) return g_virtualMs;
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace qxplat
