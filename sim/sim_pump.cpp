// sim_pump.cpp - queue and thread of the simulated device's callbacks.
#include "sim/sim_pump.h"

#include <chrono>

namespace qxsim {

CallbackPump::~CallbackPump() {
    stop();
    joinRetired();
}

void CallbackPump::start(Deliver deliver) {
    joinRetired();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deliver = std::move(deliver);
    if (m_thread.joinable()) return;
    m_thread = std::thread(&CallbackPump::run, this, m_epoch);
}

void CallbackPump::stop(bool join) {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_epoch;
        m_queue.clear();
        ++m_generation;
        thread = std::move(m_thread);
        m_deliver = nullptr;
        m_delivering = false;
    }
    m_changed.notify_all();
    // A callback may stop the device from inside a delivery: that thread
    // cannot join itself, it ends as soon as the callback returns.
    if (thread.joinable() && (!join || thread.get_id() == std::this_thread::get_id())) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_retired.push_back(std::move(thread));
        return;
    }
    if (thread.joinable()) thread.join();
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
    return m_thread.joinable();
}

void CallbackPump::post(Item item) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(item));
    }
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
                              [this] { return m_queue.empty() && !m_delivering; });
}

void CallbackPump::run(unsigned epoch) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto stopped = [this, epoch] { return m_epoch != epoch; };
    for (;;) {
        m_changed.wait(lock, [this, &stopped] { return stopped() || !m_queue.empty(); });
        if (stopped()) return;
        int delayMs = m_queue.front().delayMs;
        if (delayMs > 0) {
            // Sleep, but wake for a stop or a discard of the queue.
            unsigned generation = m_generation;
            bool woken = m_changed.wait_for(
                lock, std::chrono::milliseconds(delayMs),
                [this, &stopped, generation] { return stopped() || m_generation != generation; });
            if (stopped()) return;
            if (!woken) m_queue.front().delayMs = 0;
            continue;
        }
        Item item = std::move(m_queue.front());
        m_queue.pop_front();
        m_delivering = true;
        Deliver deliver = m_deliver;
        lock.unlock();
        if (item.before) item.before();
        if (deliver && !item.lost) deliver(item.compose ? item.compose() : item.text);
        lock.lock();
        // A stop from inside the callback has already closed this epoch.
        if (stopped()) return;
        m_delivering = false;
        m_changed.notify_all();
    }
}

}  // namespace qxsim
