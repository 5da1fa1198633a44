// sim_pump.h - the simulated device's callback threads.  Every callback
// is queued and delivered in order: by one thread, as the usual device
// library does; by several, each report handed to the next free thread
// once the one before it has gone in - so a report is delivered while an
// earlier one is still inside the callback; or, when the sender asks for
// it, on the sender's own thread inside its command (deliverReadyHere).
#ifndef QX_SIM_PUMP_H
#define QX_SIM_PUMP_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qxsim {

class CallbackPump {
public:
    using Deliver = std::function<void(const std::string&)>;

    struct Item {
        std::string text;
        int delayMs = 0;               // waited before delivery
        std::function<void()> before;  // runs on the thread just before
        bool lost = false;             // runs `before` only: the text never arrives
        // When set, the text is composed at delivery, after `before`: for
        // reports of how the device stands once a wait is over.
        std::function<std::string()> compose;
    };

    ~CallbackPump();

    // Starts the threads (unless they run) that hand texts to deliver.
    void start(Deliver deliver);
    // How many threads deliver (at least 1): more start at once when the
    // pump runs, fewer take effect at the next start.
    void setThreadCount(int count);
    // Stops and joins the threads; pending callbacks are discarded.  Called
    // from inside a delivery, a thread is retired instead and joined later,
    // once it has left the callback: it must never outlive us.
    void stop();
    // Stops without waiting, as a library that does not wait for its
    // threads: they go on delivering what is queued, then end.  The pump
    // counts as not running from now on.
    void stopLater();
    bool running() const;

    void post(Item item);
    void discardPending();
    // True once the queue is empty and nothing is being delivered.
    bool waitIdle(int timeoutMs);
    // Delivers, on the calling thread, the callbacks at the front of the
    // queue that are due now (no delay left), in their turn.
    void deliverReadyHere();

private:
    void run(unsigned epoch);
    // Takes the front item and delivers it once the items taken before it
    // have gone in; false when the pump stopped meanwhile.
    bool deliverFront(std::unique_lock<std::mutex>& lock, unsigned epoch);
    void startThreads();
    bool finishing() const;
    void joinRetired();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    unsigned m_epoch = 0;       // raised by every stop; a thread of an older one ends
    int m_delivering = 0;       // items taken and not yet delivered
    bool m_frontTimed = false;  // a thread sleeps out the front item's delay
    unsigned long m_nextTicket = 0;  // order in which items were taken
    unsigned long m_entering = 0;    // the ticket whose turn it is to go in
    unsigned m_generation = 0;  // raised by every discard
    int m_threadCount = 1;
    bool m_finishing = false;   // stopLater: the threads end once the queue is empty
    Deliver m_deliver;
    std::vector<std::thread> m_threads;
    std::vector<std::thread> m_retired;  // stopped from inside their own delivery
};

}  // namespace qxsim

#endif  // QX_SIM_PUMP_H
