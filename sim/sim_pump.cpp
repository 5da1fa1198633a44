// sim_pump.cpp - queue and threads of the simulated device's callbacks.
#include "sim/sim_pump.h"

#include <chrono>

namespace qxsim {

CallbackPump::~CallbackPump() {
    stop();
    joinRetired();
    // The process ends on one of our threads (exit from a callback): it
    // cannot wait for itself.
    for (std::thread& thread : m_retired) thread.detach();
}

void CallbackPump::start(Deliver deliver) {
    // Threads still finishing an earlier connection go first.
    if (finishing()) stop();
    joinRetired();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deliver = std::move(deliver);
    startThreads();
}

void CallbackPump::setThreadCount(int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_threadCount = count < 1 ? 1 : count;
    if (!m_threads.empty()) startThreads();
}

// Under the lock: threads up to the count, all of the running epoch.
void CallbackPump::startThreads() {
    while (static_cast<int>(m_threads.size()) < m_threadCount)
        m_threads.emplace_back(&CallbackPump::run, this, m_epoch);
}

bool CallbackPump::finishing() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finishing;
}

void CallbackPump::stopLater() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
}

void CallbackPump::stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = false;
        ++m_epoch;
        m_queue.clear();
        ++m_generation;
        threads.swap(m_threads);
        m_deliver = nullptr;
        m_delivering = 0;
        m_frontTimed = false;
        m_nextTicket = m_entering = 0;
    }
    m_changed.notify_all();
    for (std::thread& thread : threads) {
        // A callback may stop the device from inside a delivery: that
        // thread cannot join itself, it ends as soon as the callback returns.
        if (thread.get_id() == std::this_thread::get_id()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_retired.push_back(std::move(thread));
        } else {
            thread.join();
        }
    }
    joinRetired();
}

void CallbackPump::joinRetired() {
    std::vector<std::thread> retired;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        retired.swap(m_retired);
    }
    for (std::thread& thread : retired) {
        if (thread.get_id() == std::this_thread::get_id()) {
            // Still inside its own delivery: keep it for a later join.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_retired.push_back(std::move(thread));
        } else {
            thread.join();
        }
    }
}

bool CallbackPump::running() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_threads.empty() && !m_finishing;
}

void CallbackPump::post(Item item) {
    // Notified under the lock: the report may end the process (a callback
    // that calls exit), and the pump must not be touched after that.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(item));
    m_changed.notify_all();
}

void CallbackPump::discardPending() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        ++m_generation;
    }
    m_changed.notify_all();
}

bool CallbackPump::waitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_queue.empty() && m_delivering == 0; });
}

void CallbackPump::deliverReadyHere() {
    std::unique_lock<std::mutex> lock(m_mutex);
    const unsigned epoch = m_epoch;
    while (!m_threads.empty() && !m_queue.empty() && !m_frontTimed &&
           m_queue.front().delayMs <= 0) {
        if (!deliverFront(lock, epoch)) return;
    }
}

bool CallbackPump::deliverFront(std::unique_lock<std::mutex>& lock, unsigned epoch) {
    auto stopped = [this, epoch] { return m_epoch != epoch; };
    Item item = std::move(m_queue.front());
    m_queue.pop_front();
    const unsigned long ticket = m_nextTicket++;
    ++m_delivering;
    Deliver deliver = m_deliver;
    // In the order taken: the items before this one have gone in.
    m_changed.wait(lock, [&] { return stopped() || m_entering == ticket; });
    if (stopped()) return false;
    lock.unlock();
    if (item.before) item.before();
    lock.lock();
    if (stopped()) return false;
    ++m_entering;
    m_changed.notify_all();
    lock.unlock();
    if (deliver && !item.lost) deliver(item.compose ? item.compose() : item.text);
    lock.lock();
    // A stop from inside the callback has already closed this epoch.
    if (stopped()) return false;
    --m_delivering;
    m_changed.notify_all();
    return true;
}

void CallbackPump::run(unsigned epoch) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto stopped = [this, epoch] { return m_epoch != epoch; };
    for (;;) {
        m_changed.wait(lock, [this, &stopped] {
            return stopped() || (!m_queue.empty() && !m_frontTimed) ||
                   (m_finishing && m_queue.empty());
        });
        if (stopped() || m_queue.empty()) return;
        int delayMs = m_queue.front().delayMs;
        if (delayMs > 0) {
            // Sleep, but wake for a stop or a discard of the queue; the
            // other threads wait for the item meanwhile.
            m_frontTimed = true;
            unsigned generation = m_generation;
            bool woken = m_changed.wait_for(
                lock, std::chrono::milliseconds(delayMs),
                [this, &stopped, generation] { return stopped() || m_generation != generation; });
            if (stopped()) return;
            m_frontTimed = false;
            if (!woken && !m_queue.empty()) m_queue.front().delayMs = 0;
            m_changed.notify_all();
            continue;
        }
        if (!deliverFront(lock, epoch)) return;
    }
}

}  // namespace qxsim
