// event_delivery.cpp - the delivery thread and its queue of reports'
// events (event_delivery.h).  Each thread delivers for one run, whose
// state it shares: a thread that exit stopped but could not wait for still
// ends by itself, and a new init starts a fresh run beside it.
#include "events/event_delivery.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <utility>

#include "core/device_reports.h"

EventDelivery& g_eventDelivery = *new EventDelivery;

struct EventDelivery::Run {
    struct Item {
        std::uint64_t sequence;
        Send send;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Item> queue;
    std::atomic<bool> stopping{false};
    bool waiting = false;     // the thread sleeps until an item comes
    bool delivering = false;  // an item's events are going out
    std::chrono::steady_clock::time_point deliveringSince;
    bool ended = false;       // the thread is leaving
};

namespace {

// The stop flag of the run this thread delivers for; null elsewhere.
thread_local const std::atomic<bool>* t_stopping = nullptr;

}  // namespace

// The thread: one item at a time, in order, outside the lock.  Items
// dropped by a stop count as forwarded, so no wait looks for them.
void EventDelivery::deliverAll(const std::shared_ptr<Run>& run) {
    t_stopping = &run->stopping;
    std::unique_lock<std::mutex> lock(run->mutex);
    while (true) {
        run->waiting = true;
        run->changed.wait(lock, [&] { return run->stopping || !run->queue.empty(); });
        run->waiting = false;
        if (run->stopping) break;
        Run::Item item = std::move(run->queue.front());
        run->queue.pop_front();
        run->delivering = true;
        run->deliveringSince = std::chrono::steady_clock::now();
        lock.unlock();
        item.send();
        g_deviceReports.forwarded(item.sequence);
        lock.lock();
        run->delivering = false;
        if (run->queue.empty() || run->stopping) run->changed.notify_all();
    }
    std::deque<Run::Item> dropped;
    dropped.swap(run->queue);
    run->ended = true;
    lock.unlock();
    run->changed.notify_all();
    for (const Run::Item& item : dropped) g_deviceReports.forwarded(item.sequence);
}

void EventDelivery::start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_run) return;
    m_run = std::make_shared<Run>();
    m_thread = std::thread(&EventDelivery::deliverAll, m_run);
}

void EventDelivery::post(std::uint64_t sequence, Send send) {
    std::shared_ptr<Run> run;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run = m_run;
    }
    bool queued = false, wake = false;
    if (run) {
        std::lock_guard<std::mutex> lock(run->mutex);
        if (!run->stopping) {
            run->queue.push_back(Run::Item{sequence, std::move(send)});
            queued = true;
            // A thread that is delivering looks at the queue again before it
            // sleeps: only a sleeping one needs waking.
            wake = run->waiting;
        }
    }
    if (wake) run->changed.notify_all();
    if (!queued) g_deviceReports.forwarded(sequence);
}

EventDelivery::Stopped EventDelivery::stop(int maxMs) {
    std::shared_ptr<Run> run;
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run = std::move(m_run);
        thread = std::move(m_thread);
    }
    Stopped stopped;
    if (!run) return stopped;
    std::unique_lock<std::mutex> lock(run->mutex);
    run->stopping = true;
    stopped.wasDelivering = run->delivering;
    run->changed.notify_all();
    if (thread.get_id() == std::this_thread::get_id()) {
        // Called from a callback: the thread ends once that returns.
        thread.detach();
        stopped.ended = false;
        return stopped;
    }
    // Once no callback runs, the thread calls the application no more and
    // ends at once; one ended by the process's end (Windows ends the other
    // threads first) never says so, so this waits only for a callback.
    stopped.ended = run->changed.wait_for(lock, std::chrono::milliseconds(maxMs),
                                          [&] { return run->ended || !run->delivering; });
    lock.unlock();
    if (stopped.ended) thread.join();
    else thread.detach();
    return stopped;
}

bool EventDelivery::blockedFor(int ms) {
    std::shared_ptr<Run> run;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run = m_run;
    }
    if (!run) return false;
    std::lock_guard<std::mutex> lock(run->mutex);
    return run->delivering &&
           std::chrono::steady_clock::now() - run->deliveringSince >= std::chrono::milliseconds(ms);
}

bool EventDelivery::waitIdleForTesting(int timeoutMs) {
    std::shared_ptr<Run> run;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        run = m_run;
    }
    if (!run) return true;
    std::unique_lock<std::mutex> lock(run->mutex);
    return run->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return run->stopping || (run->queue.empty() && !run->delivering);
    });
}

bool onEventDeliveryThread() { return t_stopping != nullptr; }

bool eventDeliveryStopped() { return t_stopping && t_stopping->load(); }
