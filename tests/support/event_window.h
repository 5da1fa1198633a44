// event_window.h - the application's "window" for window-message tests
// that load the library at run time: a pipe on POSIX, a message-only
// window with a thread of its own on Windows.  It records every event the
// library posts, as kind, wParam and lParam, for the test to drain.
#ifndef QX_EVENT_WINDOW_H
#define QX_EVENT_WINDOW_H

#include <cstdint>
#include <memory>
#include <vector>

#include "qxlogics.h"

namespace qxtest {

enum class EventKind { Status, Error, CashLevel, CashSession, Other };

struct PostedEvent {
    EventKind kind;
    std::int64_t wParam;
    std::int64_t lParam;
};

class EventWindow {
public:
    EventWindow();
    ~EventWindow();
    EventWindow(const EventWindow&) = delete;
    EventWindow& operator=(const EventWindow&) = delete;

    // Null when the window could not be made.
    QX_HWND handle() const;
    // Every event posted before this call and not drained yet, oldest
    // first.  Call it after the device library has gone idle.
    std::vector<PostedEvent> drain();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace qxtest

#endif  // QX_EVENT_WINDOW_H
