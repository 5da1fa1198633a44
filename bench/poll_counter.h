// poll_counter.h - counts the library's poll steps while they still sleep
// for real, so that a measured time can be set beside its floor (the
// count of steps times 10 ms).
#ifndef QX_BENCH_POLL_COUNTER_H
#define QX_BENCH_POLL_COUNTER_H

namespace qxbench {

// Installs itself as the sleep hook; the destructor removes it.
class PollCounter {
public:
    PollCounter();
    ~PollCounter();
    PollCounter(const PollCounter&) = delete;
    PollCounter& operator=(const PollCounter&) = delete;

    long steps() const;     // sleeps requested since construction
    long sleptMs() const;   // their requested milliseconds, summed
};

// The same sleeps without the library: `steps` real sleeps of `ms` each.
void sleepSteps(long steps, int ms);

}  // namespace qxbench

#endif  // QX_BENCH_POLL_COUNTER_H
