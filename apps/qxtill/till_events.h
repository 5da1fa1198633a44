// till_events.h - what the till hears from the library: one event record
// for every delivery way, a thread-safe inbox that the device library's
// thread (or the window reader) fills and the till's thread empties, and
// the till's view of the device built from the status events.
#ifndef QXTILL_EVENTS_H
#define QXTILL_EVENTS_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace till {

enum class EventKind { Status, Error, CashLevel, LevelWarning, CashSession };

struct TillEvent {
    EventKind kind = EventKind::Status;
    bool viaWindow = false;   // numbers from a window message; texts fetched
    int amount = 0;           // status: amount paid in or rest; session: amount
    int status = 0, mode = 0; // status
    int errorCode = 0;        // error
    int denomination = 0;     // cash level, level warning (minor units)
    int count = 0;            // cash level, level warning: items left
    int warningType = 0;      // level warning: 1 empty, 2 low, 3 high
    int infoType = 0;         // cash session
    std::string text;         // error: errorText; level warning: warningMessage
    std::string typeString, denominationString;
    std::string extInfo;
};

// One line describing the event, e.g.
// "event status: amount=12.50 status=0 (idle, pay-in enabled) mode=1 (open)".
std::string describeEvent(const TillEvent& event);
// What a cash-session or cash-level event means for the shop assistant, in
// words ("only 4 of the 2.00 pieces left: refill soon"); "" for the other
// events (the level warning of a report repeats its cash level).
std::string explainEvent(const TillEvent& event);

// Numbers of a window message: status wParam is status + 100 * mode.
TillEvent statusFromWindow(std::int64_t wParam, std::int64_t lParam);

// What the status events said last.
struct DeviceView {
    bool seen = false;
    int amount = 0;
    int status = 0;
    int mode = 0;
};

class EventInbox {
public:
    // Any thread.
    void push(const TillEvent& event);
    // The till's thread: every event since the last take, oldest first.
    std::vector<TillEvent> take();
    // Counts of all events pushed, and of one kind.
    int total() const;
    int count(EventKind kind) const;
    // The till's thread: waits until more than `before` events of that kind
    // were pushed (they come from the driver's own thread); false when none
    // came within timeoutMs.
    bool waitForMore(EventKind kind, int before, int timeoutMs) const;
    // The till's thread: returns once no event was pushed for quietMs, at
    // the latest after maxMs.
    void waitQuiet(int quietMs, int maxMs) const;
    // Updated when a status event is taken.
    DeviceView view() const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_pushed;
    std::vector<TillEvent> m_waiting;
    int m_counts[5] = {0, 0, 0, 0, 0};
    DeviceView m_view;
};

}  // namespace till

#endif  // QXTILL_EVENTS_H
