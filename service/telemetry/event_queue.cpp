// event_queue.cpp - drop-oldest bookkeeping.
#include "event_queue.h"

#include <utility>

namespace qxd::telemetry {

bool EventQueue::push(QueuedEvent event) {
    bool kept = true;
    if (m_events.size() >= m_capacity) {
        // Numbers rise through the queue, so the dropped ones stay one run
        // as long as the queue is not drained between two drops; a report
        // is taken before the queue's head is sent, so that holds.
        const std::uint64_t lost = m_events.front().seq;
        if (m_dropped.empty()) m_dropped.first = lost;
        m_dropped.last = lost;
        m_events.pop_front();
        kept = false;
    }
    m_events.push_back(std::move(event));
    return kept;
}

DroppedRun EventQueue::takeDropped() {
    return std::exchange(m_dropped, DroppedRun{});
}

}  // namespace qxd::telemetry
