// sim_pump.h - the simulated device's callback thread.  Every callback is
// queued and delivered on this one thread, in order, as the real device
// library does; the sender never calls back on its own thread.
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

    // Starts the thread (if it is not running) that hands texts to deliver.
    void start(Deliver deliver);
    // Stops and joins the thread; pending callbacks are discarded.  Called
    // from inside a delivery, or with join false, the thread is retired
    // instead and joined later, once it has left the callback: it must
    // never outlive us.
    void stop(bool join = true);
    bool running() const;

    void post(Item item);
    void discardPending();
    // True once the queue is empty and nothing is being delivered.
    bool waitIdle(int timeoutMs);

private:
    void run(unsigned epoch);
    void joinRetired();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    unsigned m_epoch = 0;       // raised by every stop; a thread of an older one ends
    bool m_delivering = false;
    unsigned m_generation = 0;  // raised by every discard
    Deliver m_deliver;
    std::thread m_thread;
    std::vector<std::thread> m_retired;  // stopped from inside their own delivery
};

}  // namespace qxsim

#endif  // QX_SIM_PUMP_H
