// event_counter.h - the benchmarks' application: five callbacks that only
// count the events they receive, as a till that copies a text and returns.
#ifndef QX_BENCH_EVENT_COUNTER_H
#define QX_BENCH_EVENT_COUNTER_H

namespace qxbench {

struct EventCounts {
    long status = 0, error = 0, cashLevel = 0, levelWarning = 0, cashSession = 0;
    long total() const { return status + error + cashLevel + levelWarning + cashSession; }
};

// Registers the five counting callbacks with the library (before initQX);
// false when the library refuses them.
bool registerEventCounter();

// What the callbacks counted since the last reset.
EventCounts eventCounts();
void resetEventCounts();

}  // namespace qxbench

#endif  // QX_BENCH_EVENT_COUNTER_H
