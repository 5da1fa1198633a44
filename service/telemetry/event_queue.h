// event_queue.h - the events waiting for the broker, bounded: when it is
// full the oldest goes, and the run of dropped numbers is kept until the
// publisher reports it.  Guarded by the publisher's lock.
#ifndef QXD_TELEMETRY_EVENT_QUEUE_H
#define QXD_TELEMETRY_EVENT_QUEUE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace qxd::telemetry {

struct QueuedEvent {
    std::uint64_t seq = 0;
    std::string payload;
};

// The events lost since the last report: numbers first..last.
struct DroppedRun {
    std::uint64_t first = 0, last = 0;
    bool empty() const { return last == 0; }
    std::uint64_t count() const { return empty() ? 0 : last - first + 1; }
};

class EventQueue {
public:
    explicit EventQueue(std::size_t capacity) : m_capacity(capacity) {}

    // Appends; returns false when that dropped the oldest waiting event.
    bool push(QueuedEvent event);
    bool empty() const { return m_events.empty(); }
    std::size_t size() const { return m_events.size(); }
    QueuedEvent& front() { return m_events.front(); }
    void pop() { m_events.pop_front(); }
    // The dropped run not yet reported, which is forgotten by taking it.
    DroppedRun takeDropped();
    bool hasDropped() const { return !m_dropped.empty(); }

private:
    std::size_t m_capacity;
    std::deque<QueuedEvent> m_events;
    DroppedRun m_dropped;
};

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_EVENT_QUEUE_H
