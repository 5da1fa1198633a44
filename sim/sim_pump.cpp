// sim_pump.cpp - queue and thread of the simulated device's callbacks.
#include "sim/sim_pump.h"

#include <chrono>

namespace qxsim {

void CallbackPump::start(Deliver deliver) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deliver = std::move(deliver);
    if (m_thread.joinable()) return;
    m_stop = false;
    m_thread = std::thread(&CallbackPump::run, this);
}

void CallbackPump::stop() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
        ++m_generation;
        thread = std::move(m_thread);
    }
    m_changed.notify_all();
    // A callback may stop the device from inside a delivery.
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id()) thread.detach();
        else thread.join();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deliver = nullptr;
    m_delivering = false;
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

void CallbackPump::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) return;
        int delayMs = m_queue.front().delayMs;
        if (delayMs > 0) {
            // Sleep, but wake for a stop or a discard of the queue.
            unsigned generation = m_generation;
            bool woken = m_changed.wait_for(
                lock, std::chrono::milliseconds(delayMs),
                [this, generation] { return m_stop || m_generation != generation; });
            if (m_stop) return;
            if (!woken) m_queue.front().delayMs = 0;
            continue;
        }
        Item item = std::move(m_queue.front());
        m_queue.pop_front();
        m_delivering = true;
        Deliver deliver = m_deliver;
        lock.unlock();
        if (item.before) item.before();
        if (deliver && !item.lost) deliver(item.text);
        lock.lock();
        m_delivering = false;
        m_changed.notify_all();
    }
}

}  // namespace qxsim
