// fake_clock.h - a settable local clock for the logger tests: install it,
// move it to any date and time, and every log line follows.
#ifndef QX_TESTS_FAKE_CLOCK_H
#define QX_TESTS_FAKE_CLOCK_H

#include <memory>
#include <mutex>

#include "platform/platform.h"

namespace qxtest {

// Local time of a calendar date, with its weekday and day of the year.
inline qxplat::LocalTime localTimeOf(int year, int month, int day, int hour = 12,
                                     int minute = 0, int second = 0, int millisecond = 0) {
    // Days since 1970-01-01 of the civil date (proleptic Gregorian).
    int y = month <= 2 ? year - 1 : year;
    int era = (y >= 0 ? y : y - 399) / 400;
    int yearOfEra = y - era * 400;
    int shifted = (month + 9) % 12;
    int dayOfYearMar = (153 * shifted + 2) / 5 + day - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYearMar;
    long days = static_cast<long>(era) * 146097 + dayOfEra - 719468;
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    qxplat::LocalTime time{};
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.millisecond = millisecond;
    time.weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    time.yearDay = before[month - 1] + (leap && month > 2 ? 1 : 0) + day - 1;
    return time;
}

// Installs itself as the local clock; the real clock returns on destruction.
class FakeClock {
public:
    explicit FakeClock(const qxplat::LocalTime& start) : m_state(std::make_shared<State>()) {
        m_state->now = start;
        std::shared_ptr<State> state = m_state;
        qxplat::setLocalClockForTesting([state] {
            std::lock_guard<std::mutex> lock(state->mutex);
            return state->now;
        });
    }
    ~FakeClock() { qxplat::setLocalClockForTesting(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void set(const qxplat::LocalTime& now) {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->now = now;
    }

private:
    struct State {
        std::mutex mutex;
        qxplat::LocalTime now{};
    };
    std::shared_ptr<State> m_state;
};

}  // namespace qxtest

#endif  // QX_TESTS_FAKE_CLOCK_H
