// window_test.cpp (Windows) - event delivery to a real window: a
// message-only window with its own thread and message loop receives the
// four registered messages with their wParam and lParam, and the texts
// behind them wait in the queues.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "tests/events/events_fixture.h"

namespace {

using evtest::DeviceTest;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A message-only window on its own thread, recording every event message.
class MessageWindow {
public:
    MessageWindow() {
        m_thread = std::thread([this] { run(); });
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return m_started; });
    }
    ~MessageWindow() {
        PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }
    HWND handle() const { return m_window; }
    // Waits (a few seconds at most) until count messages arrived.
    std::vector<Received> waitFor(std::size_t count) {
        for (int step = 0; step < 500 && received().size() < count; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return received();
    }

private:
    std::vector<Received> received() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message >= 0xC000) {  // registered messages
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_received.push_back({message, wParam, lParam});
            return 0;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void run() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QXEventsTestWindow";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_window = window;
            m_started = true;
        }
        m_ready.notify_all();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    bool m_started = false;
    HWND m_window = nullptr;
    std::vector<Received> m_received;
};

TEST_F(DeviceTest, RegisteredMessagesReachAMessageOnlyWindow) {
    const UINT status = RegisterWindowMessageA("WM_QX_CALLBACK_STATUS");
    const UINT error = RegisterWindowMessageA("WM_QX_CALLBACK_ERROR");
    const UINT cashLevel = RegisterWindowMessageA("WM_QX_CALLBACK_CASHLEVEL");
    const UINT cashSession = RegisterWindowMessageA("WM_QX_CALLBACK_CASHSESSION");
    EXPECT_EQ(status, statusMessageNumber());
    EXPECT_EQ(error, errorMessageNumber());
    EXPECT_EQ(cashLevel, cashLevelMessageNumber());
    EXPECT_EQ(cashSession, cashSessionMessageNumber());

    MessageWindow window;
    ASSERT_NE(nullptr, window.handle());
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerHwnd(window.handle(), message));
    g_nLastCallbackStatus = 0;
    g_nLastCallbackMode = 1;
    device("b000000000199 100          ");
    device("b0000000001CR/RF00004200");
    device("b0000000021E-TRANSPORT   12");
    device("a0000125031");

    const std::vector<Received> got = window.waitFor(5);
    ASSERT_EQ(5u, got.size());
    const Received want[] = {{cashLevel, 99, 10000}, {cashSession, 3, 4200}, {status, 102, 0},
                             {error, 0, 12},         {status, 103, 1250}};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i].message, got[i].message);
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
