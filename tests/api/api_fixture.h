// api_fixture.h - the one fixture of the exports level: the library and the simulator loaded at
// run time as a till loads them, the log lines written since the case began, and the child
// process a fault case runs its scenario in.
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
#include "tests/support/test_env.h"

namespace qxtest {

const char* const kPort = "Type:RS232;Name:COM1";

// The translation of "initSettings is empty": longer than any caller buffer.
inline std::string longTranslation() { return "Die Einstellungen fehlen " + std::string(300, '#'); }

// The amount of the last status event the application received; -1 before any.
inline std::atomic<int> g_lastAmount{-1};
inline void QXAPI onStatus(int amount, short, short) { g_lastAmount = amount; }
inline void QXAPI onError(int, const char*, const char*) {}
inline void QXAPI onCashLevel(int, int, const char*) {}
inline void QXAPI onLevelWarning(int, int, int, const char*, const char*, const char*,
                                 const char*) {}
inline void QXAPI onCashSession(short, int, const char*) {}

// True in the child process of a fault case (see runInChild).
inline bool inScenario() { return std::getenv("QX_FAULT_SCENARIO") != nullptr; }

// The log text of a folder written since the cursor was made (or all of it).
class LogCursor {
public:
    LogCursor() = default;
    LogCursor(std::string dir, bool fromNow) : m_dir(std::move(dir)) {
        for (const char* base : {"qxapi", "qxlogic", "qxerror"})
            m_start[base] = fromNow ? readLog(base, m_dir).size() : 0;
    }
    std::string since(const std::string& base) const {
        const std::string text = readLog(base, m_dir);
        return text.substr(std::min(m_start.at(base), text.size()));
    }
    // Lines of base ("qxapi", ...) with this marker ("=>", "==", "!!") and exactly this text.
    int count(const std::string& base, const std::string& marker, const std::string& text) const {
        static const std::regex layout(R"(^.*?w\d\d \d\d:\d\d:\d\d\.\d{3} (\S\S) (.*?)\r?$)");
        std::istringstream lines(since(base));
        std::smatch match;
        int found = 0;
        for (std::string line; std::getline(lines, line);)
            found += std::regex_match(line, match, layout) && match[1] == marker && match[2] == text;
        return found;
    }

private:
    std::string m_dir;
    std::map<std::string, std::size_t> m_start;
};

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
        std::string error;
        m_api = loadApi(error);
        ASSERT_NE(m_api, nullptr) << error;
        sim().qxsim_reset();
        g_lastAmount = -1;
        // A child reads its logs whole (and must not read a full device behind them).
        log = LogCursor(m_api->logDir, !inScenario());
    }

    // Library and simulator fresh for the next case: under Wine all cases share one process.
    void TearDown() override {
        if (!m_api) return;
        sim().qxsim_wait_idle(2000);  // a cash move's last report before exit closes the line
        if (qx().exitQX(message) != QX_STATUS_OK) {  // receivers registered: clear them
            registerAll();
            qx().initQX(kPort, "", message);
            qx().exitQX(message);
        }
        sim().qxsim_reset();
    }

    const QxExports& qx() const { return m_api->qx; }
    const SimControl& sim() const { return m_api->sim; }

    short registerAll() {
        return qx().registerEvents23QX(onStatus, onError, onCashLevel, onLevelWarning,
                                       onCashSession, message);
    }
    // Registered, initiated and logged in as operator 1.
    void openSession() {
        ASSERT_EQ(registerAll(), QX_STATUS_OK);
        ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
        ASSERT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
        sim().qxsim_wait_idle(2000);
    }
    // A whole session: registered, initiated (the second time warned off), logged in, a sale of
    // 700 paid with 1000, logged out, exited (the second time refused).  "Done" may be
    // translated, the other texts are not.
    void sellOnce(const char* done = "Done") {
        ASSERT_EQ(registerAll(), QX_STATUS_OK);
        EXPECT_STREQ(message, done);
        ASSERT_EQ(qx().initQX(kPort, "LogDebug:1", message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(qx().initQX(kPort, "", message), QX_STATUS_WARNING);
        EXPECT_STREQ(message, "Already initiated");
        ASSERT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
        sim().qxsim_wait_idle(2000);
        ASSERT_EQ(qx().enablePayinQX(message), QX_STATUS_OK) << message;
        ASSERT_EQ(sim().qxsim_insert(1000), 0);
        ASSERT_TRUE(awaitStatusAmount(1000));
        int rest = -1;
        EXPECT_EQ(qx().amountDueQX(700, "sale 1", &rest, message), QX_STATUS_OK) << message;
        EXPECT_EQ(rest, 0);
        sim().qxsim_wait_idle(3000);
        EXPECT_EQ(qx().logoutQX(message), QX_STATUS_OK) << message;
        EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(qx().exitQX(message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
    }
    // How many commands the simulator received that start with prefix.
    int sent(const std::string& prefix) const {
        std::string buffer(8192, '\0');
        sim().qxsim_commands(&buffer[0], static_cast<int>(buffer.size()));
        std::istringstream commands(buffer.c_str());
        int found = 0;
        for (std::string line; std::getline(commands, line);) found += line.rfind(prefix, 0) == 0;
        return found;
    }
    // Waits (bounded) for a status event with this amount: the device reports on its thread.
    bool awaitStatusAmount(int amount) const {
        for (int i = 0; i < 200 && g_lastAmount != amount; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return g_lastAmount == amount;
    }
    // Each line is a marker and a text of the API log ("=> initQX(...)"); failures ("!!") are
    // in the error log as well.
    void expectLogged(const std::vector<std::string>& lines) const {
        for (const std::string& line : lines) {
            const std::string marker = line.substr(0, 2), text = line.substr(3);
            EXPECT_GT(log.count("qxapi", marker, text), 0) << line << " in:\n" << log.since("qxapi");
            EXPECT_TRUE(marker != "!!" || log.count("qxerror", marker, text) > 0) << line;
        }
    }

    char message[QX_BUFFER_CAPACITY] = "";
    LogCursor log;

private:
    const LoadedApi* m_api = nullptr;
};

// Runs the current case again in a child process, filtered to itself, with these variables set:
// the library reads its folders and settings as it loads, once per process.  The child must
// pass; its output is returned.
inline std::string runInChild(std::map<std::string, std::string> environment) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string output = makeTempDir("scenario") + "/output.txt";
    environment["QX_FAULT_SCENARIO"] = "1";
    for (const auto& entry : environment) setEnv(entry.first, entry.second);
    const int exitCode = std::system((programPath() + " --gtest_filter=" + test->test_suite_name() +
                                      "." + test->name() + " > " + output + " 2>&1")
                                         .c_str());
    for (const auto& entry : environment) unsetEnv(entry.first);
    const std::string text = readFile(output);
    EXPECT_EQ(exitCode, 0) << text;
    EXPECT_NE(text.find("[  PASSED  ] 1 test"), std::string::npos) << text;
    return text;
}

}  // namespace qxtest

#endif  // QX_API_FIXTURE_H
