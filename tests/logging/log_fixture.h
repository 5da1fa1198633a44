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

// A log file's text with Windows line ends read as "\n": the files are
// written in text mode, as the till's tools expect on each platform.
inline std::string logText(const std::string& path) {
    std::string text = readFile(path);
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    }
    return lines;
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
    std::string contentOf(const std::string& fileName) const { return logText(pathOf(fileName)); }
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
