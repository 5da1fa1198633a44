// lifecycle_test.cpp - init (receiver rules, settings file and
// initSettings, port opening), exit and the destructor's closing of an
// open session, against the simulated device.
#include <unistd.h>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using LifecycleTest = CoreTest;

TEST_F(LifecycleTest, InitOpensThePortAndWritesTheLibraryBanner) {
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(g_theLogics.isInitiated());
    EXPECT_EQ(g_QXState.load(), QXS_LOGGED_OUT);
    EXPECT_EQ(logCount("CQXLogics::init called"), 1u);
    EXPECT_EQ(logCount("Library Name: qxlogics.dll"), 1u);
    EXPECT_EQ(logCount("Library Version: "), 1u);
    EXPECT_EQ(logCount("CQXLogics::initialize: PortName: COM1"), 1u);
    EXPECT_EQ(logCount("CQXLogics::init, supplied parameter portSettings: Type:RS232;Name:COM1"),
              1u);

    EXPECT_EQ(g_theLogics.init("Type:RS232;Name:COM1", "", message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Already initiated");
    EXPECT_EQ(errorCount("CQXLogics::init: Already initiated"), 1u);
}

TEST_F(LifecycleTest, ReceiverRules) {
    char text[QX_BUFFER_CAPACITY];
    // Status and cash level without an error callback: incomplete.
    g_pfnStatusCallback = onStatus;
    g_pfnCashLevelCallback = onCashLevel;
    EXPECT_EQ(g_theLogics.init("Type:RS232;Name:COM1", "", text), QX_STATUS_ERROR);
    EXPECT_STREQ(text, "No Event or callback defined");
    EXPECT_EQ(errorCount("CQXLogics::init: No Events defined"), 1u);

    // A window as well as callbacks.
#if defined(_WIN32)
    // Any non-null handle will do: a post to a handle that is no window fails.
    g_hwndMessageTo = reinterpret_cast<QX_HWND>(static_cast<intptr_t>(0x1234));
#else
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    g_hwndMessageTo = QX_HWND_FROM_FD(fds[1]);
#endif
    EXPECT_EQ(g_theLogics.init("Type:RS232;Name:COM1", "", text), QX_STATUS_ERROR);
    EXPECT_STREQ(text, "Both event and callback defined");
    EXPECT_EQ(errorCount("CQXLogics::init: Both event and callback defined"), 1u);
    EXPECT_EQ(sentCount('a') + sentCount('x'), 0);

    // The window alone.
    g_pfnStatusCallback = nullptr;
    g_pfnCashLevelCallback = nullptr;
    ASSERT_EQ(g_theLogics.init("Type:RS232;Name:COM1", "", text), QX_STATUS_OK) << text;
    ASSERT_EQ(g_theLogics.exit(text), QX_STATUS_OK);
    EXPECT_EQ(g_hwndMessageTo.load(), nullptr);  // exit forgets the window
#if !defined(_WIN32)
    close(fds[0]);
    close(fds[1]);
#endif

    // Status, error and level warning, no cash level, no window.
    g_pfnStatusCallback = onStatus;
    g_pfnErrorCallback = onError;
    g_pfnLevelWarningCallback = onLevelWarning;
    EXPECT_EQ(g_theLogics.init("Type:RS232;Name:COM1", "", text), QX_STATUS_OK) << text;
}

TEST_F(LifecycleTest, InitSettingsOverrideTheSettingsFile) {
    qxtest::writeFile(configDir + "/qxlogics.ini",
                      "[Operation]\nStatusOkTimeout=5\nAskPayOutAmountLimit=1234\n");
    ASSERT_EQ(initWith("StatusOkTimeout:7"), QX_STATUS_OK) << message;
    EXPECT_EQ(g_theLogics.Settings().GetInt(StatusOkTimeout), 7);
    EXPECT_EQ(g_theLogics.Settings().GetInt(AskPayOutAmountLimit), 1234);
    EXPECT_EQ(logCount("CQXLogics::getIniFileSettings: StatusOkTimeout: 5 (from ini file)"), 1u);
    EXPECT_EQ(logCount("CQXLogics::changeSettings(\"StatusOkTimeout:7\", 0)"), 1u);
}

TEST_F(LifecycleTest, MissingPortNameAndRefusedPortLeaveItUninitiated) {
    registerAllCallbacks();
    EXPECT_EQ(g_theLogics.init("Type:RS232", "", message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Invalid portname");
    EXPECT_EQ(errorCount("CQXLogics::initialize: Invalid portname"), 1u);
    EXPECT_FALSE(g_theLogics.isInitiated());
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);

    ASSERT_EQ(qxsim_set_option("initiate_result", 1), 0);
    const short result = g_theLogics.init("Type:RS232;Name:COM9", "", message);
    EXPECT_NE(result, QX_STATUS_OK);
    EXPECT_EQ(errorCount("CQXLogics::initialize: CDorvoLink::initialize failed"), 1u);
    // Both failures of initialize are reported by init too.
    EXPECT_EQ(errorCount("CQXLogics::init: CQXLogics::initialize failed, return code = "), 2u);
    EXPECT_FALSE(g_theLogics.isInitiated());
    // A second init reads the settings file again.
    EXPECT_EQ(logCount("About to assign default settings"), 2u);
    ASSERT_EQ(qxsim_set_option("initiate_result", 0), 0);
}

TEST_F(LifecycleTest, ExitClosesOnceAndForgetsTheCallbacks) {
    ASSERT_EQ(initWith(), QX_STATUS_OK) << message;
    ASSERT_EQ(g_theLogics.exit(message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_FALSE(g_theLogics.isInitiated());
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);
    EXPECT_EQ(g_pfnStatusCallback.load(), nullptr);
    EXPECT_EQ(g_pfnErrorCallback.load(), nullptr);
    EXPECT_EQ(logCount("CQXLogics::exit: returning ok"), 1u);

    EXPECT_EQ(g_theLogics.exit(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Already de-initiated");
    EXPECT_EQ(errorCount("CQXLogics::exit: Already de-initiated"), 1u);
}

TEST_F(LifecycleTest, DestructorClosesAnOpenSession) {
    {
        CQXLogics session;
        registerAllCallbacks();
        ASSERT_EQ(session.init("Type:RS232;Name:COM1", "", message), QX_STATUS_OK) << message;
    }
    EXPECT_EQ(logCount("CQXLogics::~CQXLogics: Calling exitCom."), 1u);
    EXPECT_EQ(logCount("CQXLogics::~CQXLogics: exitCom ans=Done"), 1u);
    EXPECT_EQ(logCount("Session Ending"), 1u);
    EXPECT_EQ(g_QXState.load(), QXS_UNINITIATED);
    EXPECT_EQ(g_pfnStatusCallback.load(), nullptr);
}

}  // namespace
}  // namespace coretest
