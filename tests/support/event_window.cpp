// event_window.cpp - the two backends of EventWindow (one OS section).
#include "tests/support/event_window.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qxtest {

#if defined(_WIN32)

// The library posts its messages; they wait in this thread's queue until drain() takes them.
EventWindow::EventWindow() {
    m_handle = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
}

EventWindow::~EventWindow() { DestroyWindow(static_cast<HWND>(m_handle)); }

std::vector<PostedEvent> EventWindow::drain() {
    const char* const names[] = {"WM_QX_CALLBACK_STATUS", "WM_QX_CALLBACK_ERROR",
                                 "WM_QX_CALLBACK_CASHLEVEL", "WM_QX_CALLBACK_CASHSESSION"};
    std::vector<PostedEvent> events;
    MSG msg;
    while (PeekMessageA(&msg, static_cast<HWND>(m_handle), 0, 0, PM_REMOVE)) {
        if (msg.message < 0xC000) continue;  // registered messages only
        int kind = 0;
        while (kind < 4 && msg.message != RegisterWindowMessageA(names[kind])) ++kind;
        events.push_back({static_cast<EventKind>(kind), static_cast<std::int64_t>(msg.wParam),
                          static_cast<std::int64_t>(msg.lParam)});
    }
    return events;
}

#else

// The library writes each record whole before its device thread goes idle.
EventWindow::EventWindow() {
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    m_reader = fds[0];
    m_handle = QX_HWND_FROM_FD(fds[1]);
}

EventWindow::~EventWindow() {
    if (!m_handle) return;
    close(m_reader);
    close(static_cast<int>(reinterpret_cast<std::intptr_t>(m_handle)));
}

std::vector<PostedEvent> EventWindow::drain() {
    std::vector<PostedEvent> events;
    QXNotification record;
    while (read(m_reader, &record, sizeof record) == static_cast<ssize_t>(sizeof record)) {
        const unsigned kind = record.message - QX_WM_CALLBACK_STATUS;
        events.push_back({static_cast<EventKind>(kind < 4 ? kind : 4), record.wParam,
                          record.lParam});
    }
    return events;
}

#endif

}  // namespace qxtest
