// window_test.cpp (Windows) - event delivery to a real window: a
// message-only window with its own thread and message loop receives the
// four registered messages with their wParam and lParam, and the texts
// behind them wait in the queues.
#include <windows.h>

#include "tests/support/core_fixture.h"
#include "tests/support/event_window.h"

namespace {

using coretest::DeviceTest;
using qxtest::EventKind;
using qxtest::EventWindow;
using qxtest::PostedEvent;

TEST_F(DeviceTest, RegisteredMessagesReachAMessageOnlyWindow) {
    const UINT status = RegisterWindowMessageA("WM_QX_CALLBACK_STATUS");
    const UINT error = RegisterWindowMessageA("WM_QX_CALLBACK_ERROR");
    const UINT cashLevel = RegisterWindowMessageA("WM_QX_CALLBACK_CASHLEVEL");
    const UINT cashSession = RegisterWindowMessageA("WM_QX_CALLBACK_CASHSESSION");
    EXPECT_EQ(status, statusMessageNumber());
    EXPECT_EQ(error, errorMessageNumber());
    EXPECT_EQ(cashLevel, cashLevelMessageNumber());
    EXPECT_EQ(cashSession, cashSessionMessageNumber());

    EventWindow window;
    ASSERT_NE(nullptr, window.handle());
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerHwnd(window.handle(), message));
    g_nLastCallbackStatus = 0;
    g_nLastCallbackMode = 1;
    device("b000000000199 100          ");
    device("b0000000001CR/RF00004200");
    device("b0000000021E-TRANSPORT   12");
    device("a0000125031");

    const std::vector<PostedEvent> got = window.drain();
    ASSERT_EQ(5u, got.size());
    const PostedEvent want[] = {{EventKind::CashLevel, 99, 10000},
                                {EventKind::CashSession, 3, 4200},
                                {EventKind::Status, 102, 0},
                                {EventKind::Error, 0, 12},
                                {EventKind::Status, 103, 1250}};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].kind, got[i].kind);
        EXPECT_EQ(want[i].wParam, got[i].wParam);
        EXPECT_EQ(want[i].lParam, got[i].lParam);
    }
    std::string text;
    EXPECT_EQ(0, retrieveFromCashLevelWarningsQueue(text));
    EXPECT_EQ("99 100          ", text);
    EXPECT_EQ(0, retrieveFromCashSessionQueue(text));
    EXPECT_EQ("CR/RF00004200", text);
    EXPECT_EQ(0, retrieveFromErrorQueue(text));
    EXPECT_EQ("Error Code 12", text);
    clearReceivers();
}

}  // namespace
