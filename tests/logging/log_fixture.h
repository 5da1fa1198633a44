// log_fixture.h - the frame of the logger tests: a fresh log directory,
// a fake local clock on Friday 4 December 2026 14:03:07.250 (week 48 as
// "%W" counts it), all switches on, and paths of the day's files.
#ifndef QX_TESTS_LOG_FIXTURE_H
#define QX_TESTS_LOG_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "logging/log.h"
#include "logging/log_switches.h"
#include "platform/platform.h"
#include "tests/logging/fake_clock.h"
#include "tests/support/internal_env.h"
#include "tests/support/test_env.h"

namespace qxtest {

inline void allLogSwitches(bool on) {
    g_LogCRToCAPI = on;
    g_LogCAPIToCR = on;
    g_LogComToCAPI = on;
    g_LogCAPIToCom = on;
    g_LogDebug = on;
}

class LogTest : public ::testing::Test {
protected:
    LogTest() : clock(localTimeOf(2026, 12, 4, 14, 3, 7, 250)) {}

    void SetUp() override {
        allLogSwitches(true);
        dir = useFreshLogDir("log");
    }
    void TearDown() override {
        resetLogFilesForTesting();
        allLogSwitches(true);
    }

    std::string pathOf(const std::string& fileName) const {
        return dir + qxplat::pathSeparator() + fileName;
    }
    std::string contentOf(const std::string& fileName) const { return readFile(pathOf(fileName)); }
    bool exists(const std::string& fileName) const {
        return std::filesystem::exists(pathOf(fileName));
    }
    bool writable(const std::string& fileName) const {
        auto perms = std::filesystem::status(pathOf(fileName)).permissions();
        return (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
    }

    FakeClock clock;
    std::string dir;
};

}  // namespace qxtest

#endif  // QX_TESTS_LOG_FIXTURE_H
