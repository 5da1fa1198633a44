// api_fixture.h - the fixture of the exported-interface tests: loads the
// library once per process into a log and config directory of its own,
// records what the application callbacks receive, reads back only the log
// text written since the case began, and leaves library and simulator
// fresh for the next case (under Wine all cases share one process).
#ifndef QX_API_FIXTURE_H
#define QX_API_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/api_loader.h"
#include "tests/support/test_env.h"

namespace qxtest {

const char* const kPort = "Type:RS232;Name:COM1";

// The translation whose message is longer than any caller buffer.
inline std::string longTranslation() {
    return "Die Einstellungen fehlen " + std::string(300, '#');
}

// What the application's callbacks saw; written on the callback thread.
struct Received {
    std::atomic<int> statusEvents{0};
    std::atomic<int> lastAmount{0};
    std::atomic<int> lastStatus{-1};
    std::atomic<int> lastMode{-1};
    std::atomic<int> otherEvents{0};

    void clear() {
        statusEvents = 0;
        lastAmount = 0;
        lastStatus = -1;
        lastMode = -1;
        otherEvents = 0;
    }
};

inline Received g_received;

inline void QXAPI onStatus(int amount, short status, short mode) {
    g_received.lastAmount = amount;
    g_received.lastStatus = status;
    g_received.lastMode = mode;
    ++g_received.statusEvents;
}
inline void QXAPI onError(int, const char*, const char*) { ++g_received.otherEvents; }
inline void QXAPI onCashLevel(int, int, const char*) { ++g_received.otherEvents; }
inline void QXAPI onLevelWarning(int, int, int, const char*, const char*, const char*,
                                 const char*) {
    ++g_received.otherEvents;
}
inline void QXAPI onCashSession(short, int, const char*) { ++g_received.otherEvents; }

// Reads back only the log text written since the case began.
class LogCursor {
public:
    LogCursor() = default;
    explicit LogCursor(std::string dir) : m_dir(std::move(dir)) {
        for (int i = 0; i < 3; ++i) m_start[i] = readLog(kBases[i], m_dir).size();
    }
    // Whether base ("qxapi", "qxlogic", "qxerror") has had a line with
    // exactly this marker ("=>", "!!", ...) and text written since.
    bool has(const std::string& base, const std::string& marker,
             const std::string& text) const {
        static const std::regex layout(R"(^.*?w\d\d \d\d:\d\d:\d\d\.\d{3} (\S\S) (.*?)\r?$)");
        std::smatch match;
        std::istringstream lines(since(base));
        for (std::string line; std::getline(lines, line);) {
            if (std::regex_match(line, match, layout) && match[1] == marker && match[2] == text)
                return true;
        }
        return false;
    }
    // The lines since that contain needle (for failure output).
    std::string containing(const std::string& base, const std::string& needle) const {
        std::string found;
        std::istringstream lines(since(base));
        for (std::string line; std::getline(lines, line);)
            if (line.find(needle) != std::string::npos) found += line + "\n";
        return found;
    }

private:
    std::string since(const std::string& base) const {
        std::string text = readLog(base, m_dir);
        for (int i = 0; i < 3; ++i)
            if (base == kBases[i]) text.erase(0, std::min(m_start[i], text.size()));
        return text;
    }
    static constexpr const char* kBases[3] = {"qxapi", "qxlogic", "qxerror"};
    std::string m_dir;
    std::size_t m_start[3] = {0, 0, 0};
};

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!apiLoaded()) prepareEnvironment();
        std::string error;
        m_api = loadApi(error);
        ASSERT_NE(m_api, nullptr) << error;
        m_api->sim.qxsim_reset();
        g_received.clear();
        log = LogCursor(m_api->logDir);
    }

    void TearDown() override {
        if (!m_api) return;
        char message[QX_BUFFER_CAPACITY];
        // Let a cash move finish, so its idle report reaches the device model
        // before exit closes the connection.
        sim().qxsim_wait_idle(2000);
        // A case may have registered receivers without initiating: an
        // init/exit round clears them for the next case.
        if (qx().exitQX(message) != QX_STATUS_OK) {
            registerAll();
            qx().initQX(kPort, "", message);
            qx().exitQX(message);
        }
        m_api->sim.qxsim_reset();
    }

    const QxExports& qx() const { return m_api->qx; }
    const SimControl& sim() const { return m_api->sim; }

    short registerAll() {
        char message[QX_BUFFER_CAPACITY];
        return qx().registerEvents23QX(onStatus, onError, onCashLevel, onLevelWarning,
                                       onCashSession, message);
    }

    // Registered, initiated and logged in as operator 1.
    void openSession() {
        char message[QX_BUFFER_CAPACITY] = "";
        ASSERT_EQ(registerAll(), QX_STATUS_OK);
        ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
        ASSERT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
        sim().qxsim_wait_idle(2000);
    }

    // The commands the simulator received, one per entry.
    std::vector<std::string> commands() const {
        std::vector<char> buffer(8192);
        sim().qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        std::vector<std::string> result;
        std::istringstream text(buffer.data());
        for (std::string line; std::getline(text, line);) result.push_back(line);
        return result;
    }

    // Waits (bounded) until the application has seen a status event with
    // this amount; the device reports on its own thread.
    bool awaitStatusAmount(int amount) const {
        for (int i = 0; i < 200; ++i) {
            if (g_received.statusEvents > 0 && g_received.lastAmount == amount) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    LogCursor log;

private:
    static void prepareEnvironment() {
        setEnv("QXLOGS", makeTempDir("api_logs"));
        const std::string config = makeTempDir("api_config");
        writeFile(config + "/qxlang.ini",
                  "[Lang]\ninitSettings is empty=" + longTranslation() + "\n");
        setEnv("QXCONFIG", config);
    }

    const LoadedApi* m_api = nullptr;
};

}  // namespace qxtest

#endif  // QX_API_FIXTURE_H
