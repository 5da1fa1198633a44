// api_fixture.h - the fixture of the exports level: the library and simulator loaded as a till
// loads them, the log lines written since the case began, a fault case's child process.
#ifndef QX_API_FIXTURE_H
#define QX_API_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/api_loader.h"
#include "tests/support/process_probe.h"
#include "tests/support/run_program.h"
#include "tests/support/test_env.h"

namespace qxtest {

const char* const kPort = "Type:RS232;Name:COM1";

// The translation of "initSettings is empty": 256 characters, one more than a caller's buffer
// holds with its terminator.
inline std::string longTranslation() { return "Die Einstellungen fehlen " + std::string(231, '#'); }

// The amount of the last status event the application received; -1 before any.
inline std::atomic<int> g_lastAmount{-1};
inline void QXAPI onStatus(int amount, short, short) { g_lastAmount = amount; }
inline void QXAPI onError(int, const char*, const char*) {}
inline void QXAPI onCashLevel(int, int, const char*) {}
inline void QXAPI onLevelWarning(int, int, int, const char*, const char*, const char*,
                                 const char*) {}
inline void QXAPI onCashSession(short, int, const char*) {}

// Whether the condition holds, looked at every millisecond for at most 5 s: for what the
// driver's delivery thread does a moment after the device's reports.
template <typename Condition>
bool within5s(Condition condition) {
    for (int ms = 0; !condition() && ms < 5000; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

// True in the child process of a fault case (see runInChild).
inline bool inScenario() { return std::getenv("QX_FAULT_SCENARIO") != nullptr; }

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!apiLoaded() && !inScenario()) {  // a fault case's child has its folders
            setEnv("QXLOGS", makeTempDir("api_logs"));
            const std::string config = makeTempDir("api_config");
            writeFile(config + "/qxlang.ini",
                      "[Lang]\ninitSettings is empty=" + longTranslation() + "\n");
            setEnv("QXCONFIG", config);
        }
        ASSERT_EQ(loadApi(), "");
        QX(qxsim_reset)();
        g_lastAmount = -1;
        // A child reads its logs whole (and must not read a full device behind them).
        for (const char* base : {"qxapi", "qxlogic", "qxerror"})
            m_logStart[base] = inScenario() ? 0 : readLog(base).size();
    }

    // Library and simulator fresh for the next case: under Wine all cases share one process.
    void TearDown() override {
        if (!apiLoaded()) return;
        // A cash move's last report before exit closes the line.
        EXPECT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        if (QX(exitQX)(message) != QX_STATUS_OK) {  // receivers registered: clear them
            registerAll();
            QX(initQX)(kPort, "", message);
            QX(exitQX)(message);
        }
        QX(qxsim_reset)();
    }

    // The text of a log ("qxapi", "qxlogic", "qxerror") written since the case began.
    std::string logSince(const std::string& base) const {
        const std::string text = readLog(base);
        return text.substr(std::min(m_logStart.at(base), text.size()));
    }
    // Its lines with this marker ("=>", "==", "!!") and exactly this text.
    int logCount(const std::string& base, const std::string& marker,
                 const std::string& text) const {
        static const std::regex layout(R"(^.*?w\d\d \d\d:\d\d:\d\d\.\d{3} (\S\S) (.*?)\r?$)");
        std::istringstream lines(logSince(base));
        std::smatch m;
        int found = 0;
        for (std::string line; std::getline(lines, line);)
            found += std::regex_match(line, m, layout) && m[1] == marker && m[2] == text;
        return found;
    }
    // Each line is a marker and a text of the API log; failures ("!!") are in the error log too.
    void expectLogged(const std::vector<std::string>& lines) const {
        for (const std::string& line : lines) {
            const std::string marker = line.substr(0, 2), text = line.substr(3);
            EXPECT_GT(logCount("qxapi", marker, text), 0) << line << " in:\n" << logSince("qxapi");
            EXPECT_TRUE(marker != "!!" || logCount("qxerror", marker, text) > 0) << line;
        }
    }

    short registerAll() {
        return QX(registerEvents23QX)(onStatus, onError, onCashLevel, onLevelWarning,
                                       onCashSession, message);
    }
    // A whole session, initiating and exiting twice, with a sale of 700 paid with 1000.  "Done"
    // may be translated, the other texts are not.
    void sellOnce(const char* done = "Done") {
        ASSERT_EQ(registerAll(), QX_STATUS_OK);
        EXPECT_STREQ(message, done);
        ASSERT_EQ(QX(initQX)(kPort, "LogDebug:1", message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_WARNING);
        EXPECT_STREQ(message, "Already initiated");
        ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        ASSERT_EQ(QX(enablePayinQX)(message), QX_STATUS_OK) << message;
        ASSERT_EQ(QX(qxsim_insert)(1000), 0);
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        ASSERT_TRUE(within5s([] { return g_lastAmount == 1000; }))
            << "the paid-in amount reached the application";
        int rest = -1;
        EXPECT_EQ(QX(amountDueQX)(700, "sale 1", &rest, message), QX_STATUS_OK) << message;
        EXPECT_EQ(rest, 0);
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        EXPECT_EQ(QX(logoutQX)(message), QX_STATUS_OK) << message;
        EXPECT_EQ(QX(exitQX)(message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(QX(exitQX)(message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
    }
    // How many commands the simulator received that start with prefix.
    int sent(const std::string& prefix) const {
        std::string buffer(8192, '\0');
        QX(qxsim_commands)(&buffer[0], static_cast<int>(buffer.size()));
        std::istringstream commands(buffer.c_str());
        int found = 0;
        for (std::string line; std::getline(commands, line);) found += line.rfind(prefix, 0) == 0;
        return found;
    }

    char message[QX_BUFFER_CAPACITY] = "";

private:
    std::map<std::string, std::size_t> m_logStart;
};

// Runs the current case again in a child process with these variables (the library reads its
// folders and settings as it loads, once per process); the child must pass.  Its output.
inline std::string runInChild(const std::map<std::string, std::string>& environment) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    ProgramRun child;
    child.program = programPath();
    child.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." +
                       test->name()};
    child.environment.insert(environment.begin(), environment.end());
    child.environment["QX_FAULT_SCENARIO"] = "1";
    child.output = makeTempDir("scenario") + "/output.txt";
    const int exitCode = runProgram(child);
    const std::string text = readFile(child.output);
    EXPECT_EQ(exitCode, 0) << text;
    EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
    return text;
}

}  // namespace qxtest

#endif  // QX_API_FIXTURE_H
