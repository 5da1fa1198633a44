// device_events.cpp - the fan-out thread: takes queued events in order and
// hands each to a snapshot of the observers, outside the lock.
#include "device_events.h"

#include <algorithm>

namespace qxd {

EventFanout::EventFanout() : m_thread([this] { run(); }) {}

EventFanout::~EventFanout() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void EventFanout::subscribe(std::shared_ptr<EventObserver> observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.push_back(std::move(observer));
}

void EventFanout::unsubscribe(const std::shared_ptr<EventObserver>& observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

std::uint64_t EventFanout::publish(DeviceEvent event) {
    event.at = std::chrono::system_clock::now();
    event.reported = std::chrono::steady_clock::now();
    std::uint64_t sequence;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        sequence = event.sequence = ++m_published;
        m_queue.push_back(std::move(event));
    }
    m_wake.notify_one();
    return sequence;
}

bool EventFanout::drain(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::uint64_t target = m_published;
    return m_done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return m_delivered >= target; });
}

void EventFanout::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty()) return;  // stopping, everything delivered
        DeviceEvent event = std::move(m_queue.front());
        m_queue.pop_front();
        std::vector<std::shared_ptr<EventObserver>> observers = m_observers;
        lock.unlock();
        for (const auto& observer : observers) observer->onDeviceEvent(event);
        lock.lock();
        m_delivered = event.sequence;
        m_done.notify_all();
    }
}

}  // namespace qxd
