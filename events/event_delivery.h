// event_delivery.h - the driver's own delivery thread: the one thread that
// calls the application's callbacks and posts its window messages.
//
// The device library's threads only take reports in; each report's events
// are handed over here, in report order, and go out one report at a time
// on this thread.  So an application callback that blocks - waiting for the
// till's UI thread, say - holds up no device thread, no wait and no later
// report's intake, only the events after its own.
//
// Who calls: the core's init starts it before the device is opened; the
// callback handler hands over under its own exclusion, which keeps the
// report order; the core's exit stops it.  Every method takes the
// delivery's lock for itself and holds it around no call out.
#ifndef QX_EVENT_DELIVERY_H
#define QX_EVENT_DELIVERY_H

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class EventDelivery {
public:
    using Send = std::function<void()>;

    // Starts a delivery thread unless one runs.
    void start();

    // Queues one report's events.  The report counts as forwarded in the
    // record of device reports once they went out, or at once when no
    // thread delivers (none started, or stopped): then they are dropped.
    void post(std::uint64_t sequence, Send send);

    struct Stopped {
        bool wasDelivering = false;  // an application callback was running
        bool ended = true;           // the thread has ended and was joined
    };
    // No event goes out from now on; those still queued are dropped.  Waits
    // up to maxMs for the thread to finish a callback that is running and
    // joins it; on the delivery thread itself it stops it without waiting.
    // A thread not ended is left to end by itself.
    Stopped stop(int maxMs);

    // Whether the thread has been inside one report's callbacks for at
    // least ms: an application that blocks, not worth waiting for.
    bool blockedFor(int ms);

    // Test support: true once every event handed over has gone out, or was
    // dropped, within timeoutMs.
    bool waitIdleForTesting(int timeoutMs);

private:
    struct Run;
    static void deliverAll(const std::shared_ptr<Run>& run);

    std::mutex m_mutex;
    std::shared_ptr<Run> m_run;
    std::thread m_thread;
};

// The one delivery; never destroyed, as its thread may outlive the core.
extern EventDelivery& g_eventDelivery;

// True on the delivery thread: an application callback calling back into
// the exports.
bool onEventDeliveryThread();

// True on the delivery thread once its delivery was stopped: the event
// senders then call the application no more.
bool eventDeliveryStopped();

#endif  // QX_EVENT_DELIVERY_H
