// session_test.cpp - init, exit and the destructor's closing of a session;
// login with the device verification, logout and the status and information
// queries.
#include <thread>

#include "settings/module_info.h"
#include "tests/support/core_fixture.h"
#include "tests/support/internal_env.h"

namespace coretest {
namespace {

const char* const kPort = "Type:RS232;Name:COM1";

void sleepFor(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST_F(CoreTest, InitExitAndTheDestructor) {
    outcome(initWith(), QX_STATUS_OK, "Done",
            {"CQXLogics::init called", std::string("Library Name: ") + QX_LIBRARY_NAME, "Library Path: ",
             "Library Version: ", "CQXLogics::initialize: PortName: COM1",
             "CQXLogics::initialize: strPortSettings: Type:RS232;Name:COM1",
             "CQXLogics::init, supplied parameter portSettings: Type:RS232;Name:COM1",
             "CQXLogics::init, supplied parameter initSettings: "},
            "state=Logged Out");
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR, "Already initiated",
            {"!CQXLogics::init: Already initiated"});
    outcome(g_theLogics.exit(message), QX_STATUS_OK, "Done",
            {"CQXLogics::exit(): Calling the exit function which will uninitiate",
             "CQXLogics::exit: setting callback functions to 0.",
             "CQXLogics::exit: done setting callback functions to 0.",
             "CQXLogics::exit: setting m_bInitiated = false", "CQXLogics::exit: returning ok"},
            "state=Uninitiated");
    EXPECT_EQ(g_pfnStatusCallback.load(), nullptr);
    outcome(g_theLogics.exit(message), QX_STATUS_ERROR, "Already de-initiated",
            {"!CQXLogics::exit: Already de-initiated"});
    {
        CQXLogics session;
        registerAllCallbacks();
        ASSERT_EQ(session.init(kPort, "", message), QX_STATUS_OK) << message;
    }
    once({"CQXLogics::~CQXLogics: Calling exitCom.", "CQXLogics::~CQXLogics: exitCom ans=Done",
          "Session Ending"});
    expectModel("state=Uninitiated");
    EXPECT_EQ(g_pfnErrorCallback.load(), nullptr);
}

// One start-up line names the OK checks that are off once the settings file and
// initSettings are applied; none when all three are on.
TEST_F(CoreTest, TheStartLineNamesTheOkChecksThatAreOff) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // settings file, initSettings, the checks named (null: no line)
        {nullptr, "", "PayOutOkCheck, ChangeOkCheck, RegretOkCheck"},
        {nullptr, "PayOutOkCheck:1;RegretOkCheck:2", "ChangeOkCheck, RegretOkCheck"},
        {"[Operation]\nPayOutOkCheck=1\nChangeOkCheck=1\nRegretOkCheck=1\n", "", nullptr},
        {"[Operation]\nPayOutOkCheck=1\nChangeOkCheck=1\nRegretOkCheck=1\n", "ChangeOkCheck:0",
         "ChangeOkCheck"},
    };
    for (const auto& [file, initSettings, named] : cases) {
        SCOPED_TRACE(initSettings);
        qxtest::useFreshLogDir("ok_checks");
        std::filesystem::remove(configDir + "/qxlogics.ini");
        if (file) qxtest::writeFile(configDir + "/qxlogics.ini", file);
        ASSERT_EQ(initWith(initSettings), QX_STATUS_OK) << message;
        EXPECT_EQ(logCount("OK checks off"), named ? 1u : 0u);
        if (named)
            once({std::string("CQXLogics::init: OK checks off: ") + named +
                  " (\"Done\" then only says that the device started the cash move; a till "
                  "that handles money sets them to 1)"});
        ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    }
}

// Error and status callbacks are needed, or a window, but not both.
TEST_F(CoreTest, ReceiverRules) {
    g_pfnStatusCallback = onStatus;
    g_pfnCashLevelCallback = onCashLevel;
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR, "No Event or callback defined",
            {"!CQXLogics::init: No Events defined"});
    g_hwndMessageTo = reinterpret_cast<QX_HWND>(static_cast<intptr_t>(0x1234));  // no window
    outcome(g_theLogics.init(kPort, "", message), QX_STATUS_ERROR,
            "Both event and callback defined",
            {"!CQXLogics::init: Both event and callback defined"});
    EXPECT_TRUE(commands().empty());
    g_pfnStatusCallback = nullptr;
    g_pfnCashLevelCallback = nullptr;
    ASSERT_EQ(g_theLogics.init(kPort, "", message), QX_STATUS_OK) << message;  // window alone
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    EXPECT_EQ(g_hwndMessageTo.load(), nullptr);  // exit forgets the window
    g_pfnStatusCallback = onStatus;
    g_pfnErrorCallback = onError;
    g_pfnLevelWarningCallback = onLevelWarning;
    EXPECT_EQ(g_theLogics.init(kPort, "", message), QX_STATUS_OK) << message;
}

// A failed init leaves the library uninitiated; each init reads the settings
// file, and its initSettings override the file.
TEST_F(CoreTest, FailedInitsAndInitSettings) {
    qxtest::writeFile(configDir + "/qxlogics.ini",
                      "[Operation]\nStatusOkTimeout=5\nAskPayOutAmountLimit=1234\n");
    registerAllCallbacks();
    outcome(g_theLogics.init("Type:RS232", "", message), QX_STATUS_ERROR, "Invalid portname",
            {"!CQXLogics::initialize: Invalid portname"}, "state=Uninitiated");
    ASSERT_EQ(qxsim_set_option("initiate_result", 1), 0);
    EXPECT_NE(g_theLogics.init("Type:RS232;Name:COM9", "", message), QX_STATUS_OK);
    ASSERT_EQ(qxsim_set_option("initiate_result", 0), 0);
    EXPECT_FALSE(g_theLogics.isInitiated());
    EXPECT_EQ(errorCount("CQXLogics::init: CQXLogics::initialize failed, return code = "), 2u);
    outcome(initWith("StatusOkTimeout:7"), QX_STATUS_OK, "Done",
            {"!CQXLogics::initialize: CDorvoLink::initialize failed",
             "!CQXLogics::initialize: CDorvoLink::initialize return code: ",
             "CQXLogics::changeSettings(\"StatusOkTimeout:7\", 0)"});
    EXPECT_EQ(logCount("CQXLogics::getIniFileSettings: StatusOkTimeout: 5 (from ini file)"), 3u);
    EXPECT_EQ(g_theLogics.Settings().GetInt(StatusOkTimeout), 7);
    EXPECT_EQ(g_theLogics.Settings().GetInt(AskPayOutAmountLimit), 1234);
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
    int isOpen() {
        int open = -1;
        EXPECT_EQ(g_theLogics.isOpen(&open, message), QX_STATUS_OK);
        return open;
    }
};

// The state follows the status the device reported at the opening; the
// status and information queries send nothing; AutoDisable disables pay-in.
TEST_F(LoginTest, FirstLoginVerifiesTheDeviceAndOpensIt) {
    outcome(g_theLogics.login(1234, -7, message), QX_STATUS_OK, "Done",
            {"CQXLogics::login(1234,-7)", "CQXLogics::login: calling verifyQX()",
             "CQXLogics::verifyQX()", "CQXLogics::verifyQX: Master Version: 01.23",
             "CQXLogics::verifyQX: Supported Commands: abcdefghx1234",
             "CQXLogics::login: VerifyQX done: nReturn=0",
             "CQXLogics::login: Resetting low level warning state"});
    EXPECT_EQ(loginFields(), "34|07");
    EXPECT_EQ(commands().at(0), "x|QXLOGICS");
    EXPECT_EQ(sentCount('g'), 0);  // AutoDisable is off
    expectModel(g_nLastCallbackStatus == 0 ? "verify=3,level=1,warning=3,state=Payin Enabled"
                                           : "verify=3,level=1,warning=3,state=Payin Disabled");
    settle();
    EXPECT_EQ(isOpen(), 1);
    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    const size_t sent = commands().size();
    EXPECT_EQ(g_theLogics.info(&level, commandsText, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(n(level) + " " + commandsText + " " + master + " " + info,
              "1 abcdefghx1234 01.23 QuaxVault");
    EXPECT_EQ(g_theLogics.getCashLevelInfo(info), QX_STATUS_OK);
    EXPECT_EQ(g_theLogics.getLevelWarningInfo(&level, info, info, info, info), QX_STATUS_OK);
    EXPECT_EQ(commands().size(), sent);  // the queries send nothing
    once({"CQXLogics::isOpen()", "CQXLogics::isOpen status = 1.", "CQXLogics::info()",
          "CQXLogics::info: level=1, commands=\"abcdefghx1234\", master=\"01.23\", "
          "info=\"QuaxVault\", message=\"Done\".",
          "CQXLogics::getCashLevelInfo() starting", "CQXLogics::getCashLevelInfo() returning ok",
          "CQXLogics::getLevelWarningInfo() starting",
          "CQXLogics::getLevelWarningInfo() returning ok"});
    g_theLogics.changeSettings("AutoDisable:1", 0, message);  // pay-in disabled at login
    ok(g_theLogics.login(1, 1, message), "state=Payin Disabled");
    EXPECT_EQ(sentCount('g'), 1);
}

TEST_F(LoginTest, VerificationTimeoutIsNotRetriedByTheNextLogin) {
    ASSERT_EQ(qxsim_set_option("drop_verify", 1), 0);
    qxplat::setSleepHookForTesting([](int ms) {  // only the "x" reply's wait runs out at once
        if (g_chLastCommand.load() != 'X') sleepFor(ms);
    });
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    expectModel("verify=1,level=0");
    ASSERT_EQ(g_theLogics.login(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(sentCount('x'), 1);
    once({"!CQXLogics::verifyQX: verifyQX timed out",
          "!CQXLogics::login: VerifyQX failed: nReturn=6",
          "CQXLogics::login: Not calling verifyQX since a previous attempt",
          "CQXLogics::login: Not changing already set values for verifyQXStatus=1 and QXLevel=0"});
}

// A later login that the device refuses, or whose opening report never comes, fails.
TEST_F(LoginTest, OpeningRefusedOrTimedOut) {
    ok(g_theLogics.login(1, 1, message));
    ok(g_theLogics.logout(message));
    qxsim_override_answer('a', "002", 1);
    outcome(g_theLogics.login(1, 1, message), QX_STATUS_ERROR, "Error",
            {"!CQXLogics::login: CDorvoLink::login failed"});
    ASSERT_EQ(qxsim_set_option("drop_callbacks", 3), 0);
    skipSleeps();
    outcome(g_theLogics.login(1, 1, message), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::login: Opening timed out"});
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

// After an exit with pay-in enabled the next login waits for the device's
// new report, not the mode and status of the last session.
TEST_F(LoginTest, ASecondSessionOpensOnTheDevicesNewReport) {
    ok(g_theLogics.login(1, 1, message));
    ok(g_theLogics.enablePayin(message));
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK);
    qxsim_reset();  // the device comes up again with pay-in disabled
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));  // and answers after the wait starts
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    EXPECT_EQ(isOpen(), 0);
    ok(g_theLogics.login(1, 1, message), "state=Payin Disabled");
}

// Mode 1 with status 1 at the opening names no pay-in state.
TEST_F(LoginTest, BusyStatusAtTheOpeningLeavesItLoggedOut) {
    qxsim_override_answer('a', "000", 1);
    qxplat::setSleepHookForTesting([](int ms) {
        if (g_chLastCommand.load() != 'A') return sleepFor(ms);
        g_nLastCallbackStatus = 1;
        g_nLastCallbackMode = 1;
    });
    ok(g_theLogics.login(1, 1, message), "state=Logged Out");
    once({"CQXLogics::login: Last callback status == unexpected! g_nLastCallbackStatus=1"});
}

// Logout retries once when the device answers busy; its mode wait runs
// through an error status to its time-out.
TEST_F(LoginTest, Logout) {
    ok(g_theLogics.login(1, 1, message));
    outcome(g_theLogics.logout(message), QX_STATUS_OK, "Done", {"CQXLogics::logout()"},
            "state=Logged Out,command=B");
    settle();
    EXPECT_EQ(isOpen(), 0);
    ok(g_theLogics.login(1, 1, message));
    qxsim_override_answer('b', "001", 2);
    outcome(g_theLogics.logout(message), QX_STATUS_BUSY, "Busy",
            {"!CQXLogics::logout: CDorvoLink::logout failed, return code = 1, message = Busy",
             "CQXLogics::logout: Quaxvault was Busy. Wait for Ok and try again",
             "CQXLogics::logout() internal class dorvoLink.logout was busy, now trying again"});
    EXPECT_EQ(sentCount('b'), 3);
    EXPECT_NE(g_QXState.load(), QXS_LOGGED_OUT);
    qxsim_override_answer('b', "000", 1);  // accepted but never reported
    g_nLastCallbackStatus = 2;
    static int sleeps;
    sleeps = 0;
    qxplat::setSleepHookForTesting([](int) { ++sleeps; });
    outcome(g_theLogics.logout(message), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::logout: Closing timed out, returning QX_STATUS_TIMEOUT"});
    EXPECT_EQ(sleeps, 501);
    EXPECT_EQ(errorCount("CQXLogics::waitForMode: Error entered"), 0u);
}

}  // namespace
}  // namespace coretest
