// event_window.h - the application's "window" for tests of posted events: a pipe on POSIX, a
// message-only window on Windows.  It records each event as kind, wParam and lParam.
#ifndef QX_EVENT_WINDOW_H
#define QX_EVENT_WINDOW_H

#include <cstdint>
#include <vector>

#include "qxlogics.h"

namespace qxtest {

enum class EventKind { Status, Error, CashLevel, CashSession, Other };

struct PostedEvent { EventKind kind; std::int64_t wParam, lParam; };

class EventWindow {
public:
    EventWindow();
    ~EventWindow();
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    // Null when the window could not be made.
    QX_HWND handle() const { return m_handle; }
    // The events posted since, oldest first: on the window's thread, once the device is idle.
    std::vector<PostedEvent> drain();

private:
    QX_HWND m_handle = nullptr;
    int m_reader = -1;  // POSIX: the pipe's reading end
};

}  // namespace qxtest

#endif  // QX_EVENT_WINDOW_H
