// device_events.h - the service's one stream of what happens at the device:
// each driver event (and each operator log-in or log-out the service made)
// becomes a typed DeviceEvent, numbered in report order, and reaches every
// observer in that order on the fan-out's own thread, never on the
// driver's.
//
// Who calls: the driver's callback thread calls publish() (through the
// service's receivers); the service calls subscribe()/unsubscribe() from
// any thread.  Observers are called one at a time, on the fan-out thread,
// with no lock of the fan-out held, so an observer may subscribe or
// publish; it must not block for long (hand slow work to a queue of its
// own): every other observer waits behind it.  publish() never waits for
// an observer.
#ifndef QXD_DEVICE_EVENTS_H
#define QXD_DEVICE_EVENTS_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qxd {

enum class EventKind { Status, Error, CashLevel, LevelWarning, CashSession, Operator };

// The fields of every kind; those a kind does not use stay 0 or empty.
struct DeviceEvent {
    EventKind kind = EventKind::Status;
    std::uint64_t sequence = 0;  // 1, 2, ... in report order, set by publish()
    std::chrono::system_clock::time_point at;        // when the report arrived
    std::chrono::steady_clock::time_point reported;  // the same, for latencies
    int amount = 0;        // status: paid in (or rest); cash session: amount
    int status = 0;        // status: 0 idle pay-in enabled, 1 busy, 2 error, 3 idle disabled
    int mode = 0;          // status: 1 open, 0 closed
    int errorCode = 0;     // error
    std::string errorText; // error
    int denomination = 0;  // cash level, level warning: minor units
    int count = 0;         // cash level, level warning: items held
    int warningType = 0;   // level warning: 1 empty, 2 low, 3 high
    std::string typeString, denominationString, warningMessage;  // level warning
    int infoType = 0;      // cash session
    int user = 0;          // operator: the user number logged in or out
    bool loggedIn = false; // operator: true at log-in, false at log-out
    std::string extInfo;   // error, cash level, level warning, cash session
};

class EventObserver {
public:
    virtual ~EventObserver() = default;
    // On the fan-out thread, in sequence order.
    virtual void onDeviceEvent(const DeviceEvent& event) = 0;
};

class EventFanout {
public:
    EventFanout();
    // Delivers what was published before, then stops the thread.
    ~EventFanout();
    EventFanout(const EventFanout&) = delete;
    EventFanout& operator=(const EventFanout&) = delete;

    // Any thread.  The observer is held until unsubscribed; it receives
    // the events published after this call.
    void subscribe(std::shared_ptr<EventObserver> observer);
    void unsubscribe(const std::shared_ptr<EventObserver>& observer);

    // Any thread, the driver's included: numbers and stamps the event,
    // queues it and returns at once.  Returns its sequence number.
    std::uint64_t publish(DeviceEvent event);

    // Waits until every event published before this call has reached
    // every observer; false after timeoutMs.  Not from an observer.
    bool drain(int timeoutMs);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::deque<DeviceEvent> m_queue;
    std::vector<std::shared_ptr<EventObserver>> m_observers;
    std::uint64_t m_published = 0, m_delivered = 0;
    bool m_stopping = false;
    std::thread m_thread;  // last: started once the rest is built
};

}  // namespace qxd

#endif  // QXD_DEVICE_EVENTS_H
