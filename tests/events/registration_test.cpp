// registration_test.cpp - choosing callbacks or a window: what each
// registration stores, refuses and logs.
#include "tests/support/core_fixture.h"

namespace {

using EventsTest = coretest::CoreTest;
using namespace coretest;

QX_HWND someWindow() { return QX_HWND_FROM_FD(1000); }

TEST_F(EventsTest, RegisterEventsStoresItsCallbacksOnly) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerEvents(onStatus, onError, onCashLevel, message));
    EXPECT_STREQ("Done", message);
    EXPECT_EQ(onStatus, g_pfnStatusCallback.load());
    EXPECT_EQ(onError, g_pfnErrorCallback.load());
    EXPECT_EQ(onCashLevel, g_pfnCashLevelCallback.load());
    EXPECT_EQ(nullptr, g_pfnLevelWarningCallback.load());
    EXPECT_EQ(nullptr, g_pfnCashSessionCallback.load());
    // A later form adds its own and keeps what the earlier one stored.
    ASSERT_EQ(0, g_theLogics.registerEvents3(onStatus, onError, onLevelWarning,
                                             onCashSession, message));
    EXPECT_EQ(onCashLevel, g_pfnCashLevelCallback.load());
    EXPECT_EQ(onLevelWarning, g_pfnLevelWarningCallback.load());
    EXPECT_EQ(onCashSession, g_pfnCashSessionCallback.load());
    EXPECT_EQ(1u, logic("=> CQXLogics::registerEvents3()").size());
}

TEST_F(EventsTest, MissingCallbackStoresNothing) {
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(4, g_theLogics.registerEvents2(onStatus, onError, onCashLevel, nullptr,
                                             message));
    EXPECT_STREQ("empty callbacks", message);
    EXPECT_EQ(nullptr, g_pfnStatusCallback.load());
    EXPECT_EQ(nullptr, g_pfnErrorCallback.load());
    EXPECT_EQ(nullptr, g_pfnCashLevelCallback.load());
    EXPECT_EQ(1u, errors("CQXLogics::registerEvents2: empty callbacks").size());

    EXPECT_EQ(4, g_theLogics.registerBasicEvents(onStatus, nullptr, message));
    EXPECT_EQ(nullptr, g_pfnStatusCallback.load());
    EXPECT_EQ(1u, errors("CQXLogics::registerBasicEvents: empty callbacks").size());
}

TEST_F(EventsTest, WindowAfterCallbacksIsRefused) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerEvents(onStatus, onError, onCashLevel, message));
    EXPECT_EQ(2, g_theLogics.registerHwnd(someWindow(), message));
    EXPECT_STREQ("callbacks already set", message);
    EXPECT_EQ(nullptr, g_hwndMessageTo.load());
    EXPECT_EQ(1u, errors("CQXLogics::registerHwnd: callbacks are already set").size());
}

TEST_F(EventsTest, SessionCallbackAloneDoesNotBlockAWindow) {
    g_pfnCashSessionCallback = onCashSession;
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(4, g_theLogics.registerHwnd(nullptr, message));
    EXPECT_STREQ("empty Hwnd", message);
    EXPECT_EQ(0, g_theLogics.registerHwnd(someWindow(), message));
    EXPECT_STREQ("Done", message);
    EXPECT_EQ(someWindow(), g_hwndMessageTo.load());
    EXPECT_EQ(1u, logic("CQXLogics::registerHwnd() returning Ok").size());
}

TEST_F(EventsTest, CallbacksAfterWindowAreRefused) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerHwnd(someWindow(), message));
    EXPECT_EQ(2, g_theLogics.registerEvents(onStatus, onError, onCashLevel, message));
    EXPECT_STREQ("Hwnd already set", message);
    EXPECT_EQ(nullptr, g_pfnStatusCallback.load());
    EXPECT_EQ(nullptr, g_pfnCashLevelCallback.load());
    EXPECT_EQ(1u, errors("CQXLogics::registerBasicEvents: Hwnd is already set").size());
    EXPECT_EQ(1u, errors("registerEvents: registerBasicEvents failed! Returning 2: Hwnd "
                         "already set").size());
    clearReceivers();
    EXPECT_EQ(nullptr, g_hwndMessageTo.load());
}

}  // namespace
