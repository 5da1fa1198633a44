// login_test.cpp - login (numeric and text), the device verification it
// runs, AutoDisable, logout with its one retry, isOpen and info, against
// the simulated device; the commands it received are checked.
#include <chrono>
#include <thread>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

class LoginTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ASSERT_EQ(initWith(initSettings()), QX_STATUS_OK) << message;
    }
    virtual const char* initSettings() const { return ""; }

    // The login command's operator and password fields: "34|07".
    std::string loginFields() const {
        for (const std::string& command : commands())
            if (command[0] == 'a') return command.substr(2, 5);
        return "";
    }
};

TEST_F(LoginTest, FirstLoginVerifiesTheDeviceAndOpensIt) {
    ASSERT_EQ(g_theLogics.login(1234, -7, message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(loginFields(), "34|07");
    ASSERT_GE(commands().size(), 2u);
    EXPECT_EQ(commands()[0], "x|QXLOGICS");
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
    EXPECT_EQ(g_theLogics.getQXLevel(), 1);
    EXPECT_EQ(logCount("CQXLogics::login(1234,-7)"), 1u);
    EXPECT_EQ(logCount("CQXLogics::verifyQX: Master Version: 01.23"), 1u);
    EXPECT_EQ(g_nCurrentLowLevelWarningState.load(), LOW_LEVEL_WARNING_TRUE);
    // Logged out before: the state follows the status the device reported.
    const int status = g_nLastCallbackStatus.load();
    EXPECT_EQ(g_QXState.load(), status == 0 ? QXS_PAYIN_ENABLED : QXS_PAYIN_DISABLED);

    settle();
    int open = -1;
    EXPECT_EQ(g_theLogics.isOpen(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 1);
    EXPECT_EQ(logCount("CQXLogics::isOpen status = 1."), 1u);

    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY],
        info[QX_BUFFER_CAPACITY];
    const size_t sent = commands().size();
    EXPECT_EQ(g_theLogics.info(&level, commandsText, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(level, 1);
    EXPECT_STREQ(commandsText, "abcdefghx1234");
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(info, "QuaxVault");
    EXPECT_EQ(logCount("CQXLogics::info: level=1, commands=\"abcdefghx1234\", "
                     "master=\"01.23\", info=\"QuaxVault\", message=\"Done\"."),
              1u);
    EXPECT_EQ(commands().size(), sent);  // the queries send nothing
}

TEST_F(LoginTest, VerificationTimeoutIsNotRetriedByTheNextLogin) {
    ASSERT_EQ(qxsim_set_option("drop_verify", 1), 0);
    // Only the wait for the "x" reply runs without sleeping.
    qxplat::setSleepHookForTesting([](int ms) {
        if (g_chLastCommand.load() != 'X')
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(errorCount("CQXLogics::verifyQX: verifyQX timed out"), 1u);
    EXPECT_EQ(errorCount("CQXLogics::login: VerifyQX failed: nReturn=6"), 1u);
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 1);
    EXPECT_EQ(g_theLogics.getQXLevel(), 0);

    settle();
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(sentCount('x'), 1);
    EXPECT_EQ(logCount("CQXLogics::login: Not changing already set values for "
                     "verifyQXStatus=1 and QXLevel=0"),
              1u);
}

TEST_F(LoginTest, LegacySystemSkipsVerificationAndReportsBasicCommands) {
    char text[QX_BUFFER_CAPACITY];
    g_theLogics.changeSettings("LegacySystem:1;AutoDisable:1", 0, text);
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(sentCount('x'), 0);
    EXPECT_EQ(sentCount('g'), 0);  // no AutoDisable on a legacy system
    EXPECT_EQ(logCount("CQXLogics::login: Legacy system, not calling verifyQX()"), 1u);

    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY] = "x", master[QX_BUFFER_CAPACITY] = "x";
    g_theLogics.info(&level, commandsText, master, nullptr, message);
    EXPECT_EQ(level, 0);
    EXPECT_STREQ(commandsText, "ABCDEF");
    EXPECT_STREQ(master, "");
}

TEST_F(LoginTest, TextLoginConvertsTheLastDigits) {
    ASSERT_EQ(g_theLogics.login("00", "pass", message), QX_STATUS_OK) << message;
    EXPECT_EQ(loginFields(), "00|01");
    EXPECT_EQ(logCount("CQXLogics::login calling numeric login with params(0,1)"), 1u);
    EXPECT_EQ(logCount("CQXLogics::login(00,pass)"), 1u);
}

TEST_F(LoginTest, TextLoginWithoutTextsUsesOneAndOne) {
    ASSERT_EQ(g_theLogics.login(nullptr, nullptr, message), QX_STATUS_OK) << message;
    EXPECT_EQ(loginFields(), "01|01");
    qxsim_reset();
    ASSERT_EQ(g_theLogics.login("op1234", "x5", message), QX_STATUS_OK) << message;
    EXPECT_EQ(loginFields(), "34|05");
}

TEST_F(LoginTest, AutoDisableTimingOutStillLogsIn) {
    char text[QX_BUFFER_CAPACITY];
    g_theLogics.changeSettings("AutoDisable:1", 0, text);
    // The device opens idle with pay-in enabled and takes the disable
    // command without ever reporting it, so the disable wait runs out.
    qxsim_override_answer('a', "000", 1);
    qxsim_override_answer('g', "000", 1);
    qxplat::setSleepHookForTesting([opened = false](int ms) mutable {
        if (g_chLastCommand.load() == 'G') return;
        if (g_chLastCommand.load() == 'A' && !opened) {
            opened = true;
            qxsim_inject_callback("a0000000001");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(sentCount('g'), 1);
    EXPECT_EQ(errorCount("CQXLogics::login: AutoDisable failed: nReturn=6"), 1u);
}

// Exit while logged in with pay-in enabled, then a new session: the login
// waits for the device's new report, not the mode and status of the last.
TEST_F(LoginTest, ASecondSessionOpensOnTheDevicesNewReport) {
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    ASSERT_EQ(g_theLogics.enablePayin(message), QX_STATUS_OK) << message;
    settle();
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    qxsim_reset();  // the device comes up again with pay-in disabled
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));  // and answers after the wait starts
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    int open = -1;
    EXPECT_EQ(g_theLogics.isOpen(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 0);
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(g_QXState.load(), QXS_PAYIN_DISABLED);
}

TEST_F(LoginTest, RefusedLoginCommandReturnsTheLinksCode) {
    qxsim_override_answer('a', "002", 1);
    EXPECT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_ERROR);
    EXPECT_EQ(errorCount("CQXLogics::login: CDorvoLink::login failed"), 1u);
    // What had happened before the command stays.
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
}

TEST_F(LoginTest, BusyStatusAtOpeningLeavesTheStateLoggedOut) {
    // The device takes the login command but only the hook reports the
    // opening: mode 1 with status 1, which names no pay-in state.
    qxsim_override_answer('a', "000", 1);
    qxplat::setSleepHookForTesting([](int ms) {
        if (g_chLastCommand.load() == 'A') {
            g_nLastCallbackStatus = 1;
            g_nLastCallbackMode = 1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    EXPECT_EQ(logCount("CQXLogics::login: Last callback status == unexpected! "
                     "g_nLastCallbackStatus=1"),
              1u);
}

TEST_F(LoginTest, LogoutClosesTheDevice) {
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    settle();
    ASSERT_EQ(g_theLogics.logout(message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    EXPECT_EQ(g_chLastCommand.load(), 'B');
    settle();
    int open = -1;
    g_theLogics.isOpen(&open, message);
    EXPECT_EQ(open, 0);
}

TEST_F(LoginTest, LogoutModeWaitRunsThroughAnErrorStatus) {
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    settle();
    // Accepted but never reported: only the time-out ends the mode wait.
    qxsim_override_answer('b', "000", 1);
    g_nLastCallbackStatus = 2;
    static int sleeps;
    sleeps = 0;
    qxplat::setSleepHookForTesting([](int) { ++sleeps; });
    EXPECT_EQ(g_theLogics.logout(message), QX_STATUS_TIMEOUT);
    EXPECT_STREQ(message, "Timed out");
    EXPECT_EQ(sleeps, 501);
    EXPECT_EQ(errorCount("CQXLogics::logout: Closing timed out, returning QX_STATUS_TIMEOUT"),
              1u);
    EXPECT_EQ(errorCount("CQXLogics::waitForMode: Error entered"), 0u);
}

TEST_F(LoginTest, LogoutAnsweredBusyTwiceReturnsTheSecondAnswer) {
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    settle();
    qxsim_override_answer('b', "001", 2);
    EXPECT_EQ(g_theLogics.logout(message), QX_STATUS_BUSY);
    EXPECT_STREQ(message, "Busy");
    EXPECT_EQ(sentCount('b'), 2);
    EXPECT_EQ(logCount("CQXLogics::logout: Quaxvault was Busy. Wait for Ok and try again"), 1u);
    EXPECT_EQ(errorCount("CQXLogics::logout: CDorvoLink::logout failed, return code = 1, "
                     "message = Busy"),
              1u);
    EXPECT_NE(g_QXState.load(), QXS_LOGGED_OUT);
}

}  // namespace
}  // namespace coretest
