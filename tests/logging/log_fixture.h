// log_fixture.h - the frame of the logger tests: a settable local clock, a
// fresh log directory and every log switch on.
#ifndef QX_TESTS_LOG_FIXTURE_H
#define QX_TESTS_LOG_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "logging/log_switches.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace qxtest {

// Local time of a calendar date, with its weekday and day of the year.
inline qxplat::LocalTime localTimeOf(int year, int month, int day, int hour = 12, int minute = 0,
                                     int second = 0, int millisecond = 0) {
    std::tm noon{};
    noon.tm_year = year - 1900;
    noon.tm_mon = month - 1;
    noon.tm_mday = day;
    noon.tm_hour = 12;
    std::mktime(&noon);  // fills in the weekday and the day of the year
    return {year, month, day, hour, minute, second, millisecond, noon.tm_wday, noon.tm_yday};
}

// The local clock stands at `now` until the real clock is put back.
inline void setClock(const qxplat::LocalTime& now) {
    qxplat::setLocalClockForTesting([now] { return now; });
}

// Friday 4 December 2026 14:03:07.250 (week 48).
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setClock(localTimeOf(2026, 12, 4, 14, 3, 7, 250));
        dir = useFreshLogDir("log");
    }
    void TearDown() override {
        resetLogFilesForTesting();
        for (auto* on : {&g_LogCRToCAPI, &g_LogCAPIToCR, &g_LogComToCAPI, &g_LogCAPIToCom})
            *on = true;
        g_LogDebug = true;
        qxplat::setLocalClockForTesting(nullptr);
    }
    std::string pathOf(const std::string& name) const {
        return dir + qxplat::pathSeparator() + name;
    }
    // "\r\n" read as "\n": the files are written in text mode.
    static std::string logText(const std::string& path) {
        return std::regex_replace(readFile(path), std::regex("\r\n"), "\n");
    }
    std::string contentOf(const std::string& name) const { return logText(pathOf(name)); }
    // The lines of a file written at the fixture's time, without their stamps (the error
    // file's date too), each ended by '|'.
    std::string linesOf(const std::string& name) const {
        static const std::regex stamp("(2026-12-04 Fri)?w48 14:03:07\\.250 ");
        std::string text = std::regex_replace(contentOf(name), stamp, "");
        std::replace(text.begin(), text.end(), '\n', '|');
        return text;
    }
    bool writable(const std::string& name) const {
        auto perms = std::filesystem::status(pathOf(name)).permissions();
        return (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
    }

    std::string dir;
};

}  // namespace qxtest

#endif  // QX_TESTS_LOG_FIXTURE_H
