// poll_counter.cpp - the counting sleep hook.  One counter pair for the
// process: only one PollCounter is meant to be alive at a time.
#include "bench/poll_counter.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/platform.h"

namespace qxbench {
namespace {

std::atomic<long> g_steps{0};
std::atomic<long> g_sleptMs{0};

void realSleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

PollCounter::PollCounter() {
    g_steps = 0;
    g_sleptMs = 0;
    qxplat::setSleepHookForTesting([](int ms) {
        ++g_steps;
        g_sleptMs += ms;
        realSleep(ms);
    });
}

PollCounter::~PollCounter() { qxplat::setSleepHookForTesting({}); }

long PollCounter::steps() const { return g_steps; }
long PollCounter::sleptMs() const { return g_sleptMs; }

void sleepSteps(long steps, int ms) {
    for (long i = 0; i < steps; ++i) realSleep(ms);
}

}  // namespace qxbench
