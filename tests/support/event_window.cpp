// event_window.cpp - the two backends of EventWindow (one OS section).
#include "tests/support/event_window.h"

#if defined(_WIN32)
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qxtest {

#if defined(_WIN32)

namespace {
const UINT kDrainMark = WM_APP + 7;
}

// The window lives on its own thread, which pumps its messages; drain()
// posts a mark behind the library's messages and waits until it is seen.
struct EventWindow::Impl {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    HWND window = nullptr;
    bool started = false;
    unsigned marksSeen = 0;
    std::vector<PostedEvent> events;
    UINT numbers[4] = {};

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
        auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == kDrainMark) {
            std::lock_guard<std::mutex> lock(self->mutex);
            ++self->marksSeen;
            self->changed.notify_all();
            return 0;
        }
        if (self && message >= 0xC000) {
            EventKind kind = EventKind::Other;
            for (int i = 0; i < 4; ++i) {
                if (message == self->numbers[i]) kind = static_cast<EventKind>(i);
            }
            std::lock_guard<std::mutex> lock(self->mutex);
            self->events.push_back({kind, static_cast<std::int64_t>(wParam),
                                    static_cast<std::int64_t>(lParam)});
            return 0;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void run() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QXTestEventWindow";
        RegisterClassA(&windowClass);
        HWND made = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0,
                                    HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrA(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        {
            std::lock_guard<std::mutex> lock(mutex);
            window = made;
            started = true;
        }
        changed.notify_all();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }
};

EventWindow::EventWindow() : m_impl(new Impl) {
    const char* names[4] = {"WM_QX_CALLBACK_STATUS", "WM_QX_CALLBACK_ERROR",
                            "WM_QX_CALLBACK_CASHLEVEL", "WM_QX_CALLBACK_CASHSESSION"};
    for (int i = 0; i < 4; ++i) m_impl->numbers[i] = RegisterWindowMessageA(names[i]);
    m_impl->thread = std::thread([this] { m_impl->run(); });
    std::unique_lock<std::mutex> lock(m_impl->mutex);
    m_impl->changed.wait(lock, [this] { return m_impl->started; });
}

EventWindow::~EventWindow() {
    if (m_impl->window) PostMessageA(m_impl->window, WM_CLOSE, 0, 0);
    m_impl->thread.join();
}

QX_HWND EventWindow::handle() const { return m_impl->window; }

std::vector<PostedEvent> EventWindow::drain() {
    std::unique_lock<std::mutex> lock(m_impl->mutex);
    const unsigned wanted = m_impl->marksSeen + 1;
    PostMessageA(m_impl->window, kDrainMark, 0, 0);
    m_impl->changed.wait_for(lock, std::chrono::seconds(5),
                             [&] { return m_impl->marksSeen >= wanted; });
    std::vector<PostedEvent> result;
    result.swap(m_impl->events);
    return result;
}

#else

// The library writes each record whole into the pipe before the device
// library's thread goes idle, so a non-blocking read gets all of them.
struct EventWindow::Impl {
    int fds[2] = {-1, -1};
};

EventWindow::EventWindow() : m_impl(new Impl) {
    if (pipe(m_impl->fds) != 0) return;
    fcntl(m_impl->fds[0], F_SETFL, fcntl(m_impl->fds[0], F_GETFL) | O_NONBLOCK);
}

EventWindow::~EventWindow() {
    for (int fd : m_impl->fds) {
        if (fd >= 0) close(fd);
    }
}

QX_HWND EventWindow::handle() const {
    return m_impl->fds[1] >= 0 ? QX_HWND_FROM_FD(m_impl->fds[1]) : nullptr;
}

std::vector<PostedEvent> EventWindow::drain() {
    std::vector<PostedEvent> result;
    QXNotification record;
    while (read(m_impl->fds[0], &record, sizeof record) == static_cast<ssize_t>(sizeof record)) {
        EventKind kind = EventKind::Other;
        if (record.message >= QX_WM_CALLBACK_STATUS && record.message <= QX_WM_CALLBACK_CASHSESSION)
            kind = static_cast<EventKind>(record.message - QX_WM_CALLBACK_STATUS);
        result.push_back({kind, record.wParam, record.lParam});
    }
    return result;
}

#endif

}  // namespace qxtest
