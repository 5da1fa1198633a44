// cash_fixture.h - what the cash-operation tests share: a logged-in session
// against the simulated device, the commands the device received, the log
// lines of the logic and error logs, and the events the application saw.
#ifndef QX_CASH_FIXTURE_H
#define QX_CASH_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "platform/platform.h"
#include "sim/qxsim.h"
#include "tests/events/events_fixture.h"
#include "tests/support/internal_env.h"

namespace cashtest {

using evtest::Recorder;

// Command texts with the field separator shown as '|'.
inline std::vector<std::string> splitCommands(const std::string& record) {
    std::vector<std::string> commands;
    std::string current;
    for (char c : record) {
        if (c == '\n') {
            commands.push_back(current);
            current.clear();
        } else {
            current += c == '\x1C' ? '|' : c;
        }
    }
    return commands;
}

class CashTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxsim_reset();
        g_theLogics.resetForTesting();
        resetDeviceModelForTesting();
        clearReceivers();
        clearInfoQueuesForTesting();
        resetEventLoggingForTesting();
        evtest::defaultMirrors();
        qxtest::setEnv("QXCONFIG", qxtest::makeTempDir("cashconfig"));
        qxtest::useFreshLogDir("cash");
        Recorder::get().clear();
        ASSERT_EQ(QX_STATUS_OK,
                  g_theLogics.registerEvents23(
                      evtest::onStatus, evtest::onError, evtest::onCashLevel,
                      evtest::onLevelWarning, evtest::onCashSession, message));
        ASSERT_EQ(QX_STATUS_OK,
                  g_theLogics.init("Type:RS232;Name:COM1", initSettings(), message))
            << message;
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.login(1, 1, message)) << message;
        settle();
        m_firstCommand = allCommands().size();
    }
    void TearDown() override {
        qxplat::setSleepHookForTesting({});
        qxplat::setCalendarClockForTesting({});
        g_theLogics.exit(message);
        clearReceivers();
    }

    // Settings given to init; a fixture variant may change them.
    virtual const char* initSettings() const { return ""; }

    // Lets the device deliver every callback it has queued.
    static void settle() { ASSERT_EQ(0, qxsim_wait_idle(5000)); }

    static std::vector<std::string> allCommands() {
        std::vector<char> buffer(1 << 16);
        qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        return splitCommands(buffer.data());
    }
    // The commands sent since the session was set up (or since forget()).
    std::vector<std::string> commands() const {
        std::vector<std::string> all = allCommands();
        return std::vector<std::string>(all.begin() + static_cast<long>(m_firstCommand),
                                        all.end());
    }
    void forgetCommands() { m_firstCommand = allCommands().size(); }
    bool sent(char letter) const {
        for (const std::string& command : commands())
            if (!command.empty() && command[0] == letter) return true;
        return false;
    }

    static std::vector<std::string> logic(const std::string& needle) {
        return qxtest::logLinesContaining("qxlogic", needle);
    }
    static std::vector<std::string> errors(const std::string& needle) {
        return qxtest::logLinesContaining("qxerror", needle);
    }
    static bool logged(const std::string& needle) { return !logic(needle).empty(); }

    static std::vector<std::string> events() { return Recorder::get().lines(); }

    // Pay-in enabled and amount inserted, reported by the device.
    void payIn(int amount) {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message)) << message;
        ASSERT_EQ(0, qxsim_insert(amount));
        settle();
        ASSERT_EQ(amount, g_nLastCallbackAmount.load());
    }
    void disable() {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.disablePayin(message)) << message;
        settle();
    }
    void changeSettings(const char* text, short durationType) {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.changeSettings(text, durationType, message));
    }
    // Waits run out at once: every poll step passes without sleeping.
    static void skipSleeps() {
        qxplat::setSleepHookForTesting([](int) {});
    }

    char message[QX_BUFFER_CAPACITY] = "";
    std::size_t m_firstCommand = 0;
};

}  // namespace cashtest

#endif  // QX_CASH_FIXTURE_H
