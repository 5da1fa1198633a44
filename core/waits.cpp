// waits.cpp - the waiting primitives of the core: waitForStatus (one or
// two wanted values), waitForCallback and waitForMode.  Each polls the
// device model in 10 ms sleeps and counts elapsed time from the sleeps
// alone, so a test hook on the sleep drives every boundary exactly.
#include <string>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "logging/log.h"
#include "platform/platform.h"

namespace {

constexpr int kPollStepMs = 10;

// One poll step: sleep, then account for it.
void pollStep(int& elapsedMs) {
    qxplat::sleepMs(kPollStepMs);
    elapsedMs += kPollStepMs;
}

int lastStatus() { return g_nLastCallbackStatus.load(std::memory_order_relaxed); }

// A wanted value seen at exactly the time-out still counts as a time-out.
short resultAt(int elapsedMs, int timeoutMs) {
    return elapsedMs < timeoutMs ? QX_STATUS_OK : QX_STATUS_TIMEOUT;
}

short errorEntered(const char* method) {
    WriteLog2(std::string("CQXLogics::") + method + ": Error entered", Error,
              LogicLog, ErrorLog);
    return QX_STATUS_ERROR;
}

}  // namespace

short CQXLogics::waitForStatus(int wanted, int timeoutMs) {
    return waitForStatus(wanted, wanted, timeoutMs);
}

short CQXLogics::waitForStatus(int wantedA, int wantedB, int timeoutMs) {
    int elapsed = 0;
    pollStep(elapsed);
    for (int status = lastStatus();; status = lastStatus()) {
        // The error status ends the wait even when it is wanted.
        if (status == QX_DEVICE_ERROR) return errorEntered("waitForStatus");
        if (elapsed > timeoutMs || status == wantedA || status == wantedB)
            return resultAt(elapsed, timeoutMs);
        pollStep(elapsed);
    }
}

short CQXLogics::waitForCallback(const char* command, int timeoutMs) {
    const std::string wanted = command ? command : "";
    int elapsed = 0;
    pollStep(elapsed);
    while (true) {
        if (lastStatus() == QX_DEVICE_ERROR) return errorEntered("waitForCallback");
        if (elapsed > timeoutMs || g_strLastCallbackCommand.equals(wanted)) break;
        pollStep(elapsed);
    }
    // Cleared on success and on time-out: a second wait needs a new callback.
    g_strLastCallbackCommand.clear();
    return resultAt(elapsed, timeoutMs);
}

short CQXLogics::waitForMode(int wantedMode, int timeoutMs, bool ignoreError) {
    int elapsed = 0;
    do {
        pollStep(elapsed);
        if (lastStatus() == QX_DEVICE_ERROR && !ignoreError)
            return errorEntered("waitForMode");
    } while (elapsed <= timeoutMs &&
             g_nLastCallbackMode.load(std::memory_order_relaxed) != wantedMode);
    g_nLastCallbackMode.store(-1, std::memory_order_relaxed);
    return resultAt(elapsed, timeoutMs);
}
