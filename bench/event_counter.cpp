// event_counter.cpp - the counting application callbacks.  They run on
// whatever thread delivers the event, so the counters are atomic.
#include "bench/event_counter.h"

#include <atomic>

#include "qxlogics.h"

namespace qxbench {
namespace {

std::atomic<long> g_status{0}, g_error{0}, g_cashLevel{0}, g_levelWarning{0}, g_session{0};

void QXAPI onStatus(int, short, short) { ++g_status; }
void QXAPI onError(int, const char*, const char*) { ++g_error; }
void QXAPI onCashLevel(int, int, const char*) { ++g_cashLevel; }
void QXAPI onLevelWarning(int, int, int, const char*, const char*, const char*, const char*) {
    ++g_levelWarning;
}
void QXAPI onCashSession(short, int, const char*) { ++g_session; }

}  // namespace

bool registerEventCounter() {
    char message[QX_BUFFER_CAPACITY] = "";
    return registerEvents23QX(onStatus, onError, onCashLevel, onLevelWarning, onCashSession,
                              message) == QX_STATUS_OK;
}

EventCounts eventCounts() {
    EventCounts counts;
    counts.status = g_status;
    counts.error = g_error;
    counts.cashLevel = g_cashLevel;
    counts.levelWarning = g_levelWarning;
    counts.cashSession = g_session;
    return counts;
}

void resetEventCounts() {
    g_status = 0;
    g_error = 0;
    g_cashLevel = 0;
    g_levelWarning = 0;
    g_session = 0;
}

}  // namespace qxbench
