// session_test.cpp - init, exit and the destructor's closing of a session,
// login with the device verification, logout, isOpen and info, against the
// simulated device.
#include <thread>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

const char* const kPort = "Type:RS232;Name:COM1";

TEST_F(CoreTest, InitOpensThePortOnce) {
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(g_theLogics.isInitiated());
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    once({"CQXLogics::init called", "Library Name: qxlogics.dll", "Library Version: ",
          "CQXLogics::initialize: PortName: COM1",
          "CQXLogics::init, supplied parameter portSettings: Type:RS232;Name:COM1"});
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR, "Already initiated",
            "CQXLogics::init: Already initiated");
}

// Error and status callbacks are needed, or a window, but not both.
TEST_F(CoreTest, ReceiverRules) {
    g_pfnStatusCallback = onStatus;
    g_pfnCashLevelCallback = onCashLevel;
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR, "No Event or callback defined",
            "CQXLogics::init: No Events defined");
#if defined(_WIN32)
    // Any non-null handle will do: a post to a handle that is no window fails.
    g_hwndMessageTo = reinterpret_cast<QX_HWND>(static_cast<intptr_t>(0x1234));
#else
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    g_hwndMessageTo = QX_HWND_FROM_FD(fds[1]);
#endif
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR,
            "Both event and callback defined", "CQXLogics::init: Both event and callback defined");
    EXPECT_EQ(sentCount('a') + sentCount('x'), 0);

    g_pfnStatusCallback = nullptr;
    g_pfnCashLevelCallback = nullptr;
    ASSERT_EQ(g_theLogics.init(kPort, "", message), QX_STATUS_OK) << message;  // window alone
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    EXPECT_EQ(g_hwndMessageTo.load(), nullptr);  // exit forgets the window
#if !defined(_WIN32)
    close(fds[0]);
    close(fds[1]);
#endif
    g_pfnStatusCallback = onStatus;
    g_pfnErrorCallback = onError;
    g_pfnLevelWarningCallback = onLevelWarning;
    EXPECT_EQ(g_theLogics.init(kPort, "", message), QX_STATUS_OK) << message;
}

TEST_F(CoreTest, InitSettingsOverrideTheSettingsFile) {
    qxtest::writeFile(configDir + "/qxlogics.ini",
                      "[Operation]\nStatusOkTimeout=5\nAskPayOutAmountLimit=1234\n");
    ASSERT_EQ(initWith("StatusOkTimeout:7"), QX_STATUS_OK) << message;
    EXPECT_EQ(g_theLogics.Settings().GetInt(StatusOkTimeout), 7);
    EXPECT_EQ(g_theLogics.Settings().GetInt(AskPayOutAmountLimit), 1234);
    once({"CQXLogics::getIniFileSettings: StatusOkTimeout: 5 (from ini file)",
          "CQXLogics::changeSettings(\"StatusOkTimeout:7\", 0)"});
}

TEST_F(CoreTest, MissingPortNameAndRefusedPortLeaveItUninitiated) {
    registerAllCallbacks();
    outcome(g_theLogics.init("Type:RS232", "", message), QX_STATUS_ERROR, "Invalid portname",
            "CQXLogics::initialize: Invalid portname");
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);
    ASSERT_EQ(qxsim_set_option("initiate_result", 1), 0);
    EXPECT_NE(g_theLogics.init("Type:RS232;Name:COM9", "", message), QX_STATUS_OK);
    ASSERT_EQ(qxsim_set_option("initiate_result", 0), 0);
    once({"CQXLogics::initialize: CDorvoLink::initialize failed"}, "qxerror");
    // Both failures are reported by init too, and each init read the settings file.
    EXPECT_EQ(errorCount("CQXLogics::init: CQXLogics::initialize failed, return code = "), 2u);
    EXPECT_EQ(logCount("About to assign default settings"), 2u);
    EXPECT_FALSE(g_theLogics.isInitiated());
}

TEST_F(CoreTest, ExitClosesOnceAndForgetsTheCallbacks) {
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    outcome(g_theLogics.exit(message), QX_STATUS_OK, "Done");
    EXPECT_FALSE(g_theLogics.isInitiated());
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);
    EXPECT_EQ(g_pfnStatusCallback.load(), nullptr);
    EXPECT_EQ(g_pfnErrorCallback.load(), nullptr);
    once({"CQXLogics::exit: returning ok"});
    outcome(g_theLogics.exit(message), QX_STATUS_ERROR, "Already de-initiated",
            "CQXLogics::exit: Already de-initiated");
}

TEST_F(CoreTest, DestructorClosesAnOpenSession) {
    {
        CQXLogics session;
        registerAllCallbacks();
        ASSERT_EQ(session.init(kPort, "", message), QX_STATUS_OK) << message;
    }
    once({"CQXLogics::~CQXLogics: Calling exitCom.", "CQXLogics::~CQXLogics: exitCom ans=Done",
          "Session Ending"});
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);
    EXPECT_EQ(g_pfnStatusCallback.load(), nullptr);
}

class LoginTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    }
    // The login command's operator and password fields: "34|07".
    std::string loginFields() const {
        for (const std::string& command : commands())
            if (command[0] == 'a') return command.substr(2, 5);
        return "";
    }
    // The device takes the command but leaves the reports to the sleep hook.
    void hook(std::function<void(int)> onSleep) { qxplat::setSleepHookForTesting(onSleep); }
    static void sleepFor(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void loggedIn() {
        ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
        settle();
    }
};

TEST_F(LoginTest, FirstLoginVerifiesTheDeviceAndOpensIt) {
    outcome(g_theLogics.login(1234, -7, message), QX_STATUS_OK, "Done");
    EXPECT_EQ(loginFields(), "34|07");
    ASSERT_GE(commands().size(), 2u);
    EXPECT_EQ(commands()[0], "x|QXLOGICS");
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
    EXPECT_EQ(g_theLogics.getQXLevel(), 1);
    EXPECT_EQ(g_nCurrentLowLevelWarningState.load(), LOW_LEVEL_WARNING_TRUE);
    // Logged out before: the state follows the status the device reported.
    const int status = g_nLastCallbackStatus.load();
    EXPECT_EQ(g_QXState.load(), status == 0 ? QXS_PAYIN_ENABLED : QXS_PAYIN_DISABLED);
    settle();

    int open = -1, level = -1;
    EXPECT_EQ(g_theLogics.isOpen(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 1);
    char commandsText[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    const size_t sent = commands().size();
    EXPECT_EQ(g_theLogics.info(&level, commandsText, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(level, 1);
    EXPECT_STREQ(commandsText, "abcdefghx1234");
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(info, "QuaxVault");
    EXPECT_EQ(commands().size(), sent);  // the queries send nothing
    once({"CQXLogics::login(1234,-7)", "CQXLogics::verifyQX: Master Version: 01.23",
          "CQXLogics::isOpen status = 1.",
          "CQXLogics::info: level=1, commands=\"abcdefghx1234\", master=\"01.23\", "
          "info=\"QuaxVault\", message=\"Done\"."});
}

TEST_F(LoginTest, VerificationTimeoutIsNotRetriedByTheNextLogin) {
    ASSERT_EQ(qxsim_set_option("drop_verify", 1), 0);
    hook([](int ms) {  // only the wait for the "x" reply runs out at once
        if (g_chLastCommand.load() != 'X') sleepFor(ms);
    });
    loggedIn();
    once({"CQXLogics::verifyQX: verifyQX timed out", "CQXLogics::login: VerifyQX failed: nReturn=6"},
         "qxerror");
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 1);
    EXPECT_EQ(g_theLogics.getQXLevel(), 0);
    loggedIn();
    EXPECT_EQ(sentCount('x'), 1);
    once({"CQXLogics::login: Not changing already set values for verifyQXStatus=1 and QXLevel=0"});
}

TEST_F(LoginTest, LegacySystemSkipsVerificationAndReportsBasicCommands) {
    g_theLogics.changeSettings("LegacySystem:1;AutoDisable:1", 0, message);
    loggedIn();
    EXPECT_EQ(sentCount('x'), 0);
    EXPECT_EQ(sentCount('g'), 0);  // no AutoDisable on a legacy system
    once({"CQXLogics::login: Legacy system, not calling verifyQX()"});
    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY] = "x", master[QX_BUFFER_CAPACITY] = "x";
    g_theLogics.info(&level, commandsText, master, nullptr, message);
    EXPECT_EQ(level, 0);
    EXPECT_STREQ(commandsText, "ABCDEF");
    EXPECT_STREQ(master, "");
}

// The text login sends the last two digits of each text, 1 for none.
TEST_F(LoginTest, TextLoginConvertsTheLastDigits) {
    struct Case {
        const char *user, *password, *fields, *opening, *numeric;
    } cases[] = {
        {"00", "pass", "00|01", "CQXLogics::login(00,pass)", "params(0,1)"},
        {nullptr, nullptr, "01|01", "CQXLogics::login(,)", "params(1,1)"},
        {"op1234", "x5", "34|05", "CQXLogics::login(op1234,x5)", "params(34,5)"},
    };
    for (const Case& c : cases) {
        qxsim_reset();
        ASSERT_EQ(g_theLogics.login(c.user, c.password, message), QX_STATUS_OK) << message;
        EXPECT_EQ(loginFields(), c.fields);
        once({c.opening, std::string("CQXLogics::login calling numeric login with ") + c.numeric});
    }
}

TEST_F(LoginTest, AutoDisableTimingOutStillLogsIn) {
    g_theLogics.changeSettings("AutoDisable:1", 0, message);
    // The device opens with pay-in enabled and never reports the disable.
    qxsim_override_answer('a', "000", 1);
    qxsim_override_answer('g', "000", 1);
    hook([opened = false](int ms) mutable {
        if (g_chLastCommand.load() == 'G') return;
        if (g_chLastCommand.load() == 'A' && !opened) {
            opened = true;
            qxsim_inject_callback("a0000000001");
        }
        sleepFor(ms);
    });
    outcome(g_theLogics.login(1, 1, message), QX_STATUS_OK, "Done",
            "CQXLogics::login: AutoDisable failed: nReturn=6");
    EXPECT_EQ(sentCount('g'), 1);
}

// After an exit with pay-in enabled the next login waits for the device's
// new report, not the mode and status of the last session.
TEST_F(LoginTest, ASecondSessionOpensOnTheDevicesNewReport) {
    loggedIn();
    ASSERT_EQ(g_theLogics.enablePayin(message), QX_STATUS_OK) << message;
    settle();
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    qxsim_reset();  // the device comes up again with pay-in disabled
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));  // and answers after the wait starts
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    int open = -1;
    EXPECT_EQ(g_theLogics.isOpen(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 0);
    loggedIn();
    EXPECT_EQ(g_QXState.load(), QXS_PAYIN_DISABLED);
}

TEST_F(LoginTest, RefusedLoginKeepsWhatWentBefore) {
    qxsim_override_answer('a', "002", 1);
    outcome(g_theLogics.login(1, 1, message), QX_STATUS_ERROR, message,
            "CQXLogics::login: CDorvoLink::login failed");
    EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);

    // Mode 1 with status 1 at the opening names no pay-in state.
    qxsim_override_answer('a', "000", 1);
    hook([](int ms) {
        if (g_chLastCommand.load() != 'A') return sleepFor(ms);
        g_nLastCallbackStatus = 1;
        g_nLastCallbackMode = 1;
    });
    loggedIn();
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    once({"CQXLogics::login: Last callback status == unexpected! g_nLastCallbackStatus=1"});
}

TEST_F(LoginTest, LogoutClosesTheDevice) {
    loggedIn();
    outcome(g_theLogics.logout(message), QX_STATUS_OK, "Done");
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    EXPECT_EQ(g_chLastCommand.load(), 'B');
    settle();
    int open = -1;
    g_theLogics.isOpen(&open, message);
    EXPECT_EQ(open, 0);
}

// Accepted but never reported: only the time-out ends the mode wait, which
// runs through the error status.
TEST_F(LoginTest, LogoutModeWaitRunsThroughAnErrorStatus) {
    loggedIn();
    qxsim_override_answer('b', "000", 1);
    g_nLastCallbackStatus = 2;
    static int sleeps;
    sleeps = 0;
    hook([](int) { ++sleeps; });
    outcome(g_theLogics.logout(message), QX_STATUS_TIMEOUT, "Timed out",
            "CQXLogics::logout: Closing timed out, returning QX_STATUS_TIMEOUT");
    EXPECT_EQ(sleeps, 501);
    EXPECT_EQ(errorCount("CQXLogics::waitForMode: Error entered"), 0u);
}

TEST_F(LoginTest, LogoutAnsweredBusyTwiceReturnsTheSecondAnswer) {
    loggedIn();
    qxsim_override_answer('b', "001", 2);
    outcome(g_theLogics.logout(message), QX_STATUS_BUSY, "Busy",
            "CQXLogics::logout: CDorvoLink::logout failed, return code = 1, message = Busy");
    EXPECT_EQ(sentCount('b'), 2);
    once({"CQXLogics::logout: Quaxvault was Busy. Wait for Ok and try again"});
    EXPECT_NE(g_QXState.load(), QXS_LOGGED_OUT);
}

}  // namespace
}  // namespace coretest
