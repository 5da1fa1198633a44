// cash_steps.h - the steps the cash operations share after their command:
// the payout flag around a command that moves cash, and the start and stop
// waits with the stop wait's time-out.
#ifndef QX_CASH_STEPS_H
#define QX_CASH_STEPS_H

#include "core/cqxlogics.h"
#include "core/device_model.h"

// Runs send() with g_bPayoutInProgress set, so that the callback handler
// holds back status events while the command is handed over.
template <class Send>
short sendWhilePaying(Send send) {
    g_bPayoutInProgress.store(true, std::memory_order_relaxed);
    short result = send();
    g_bPayoutInProgress.store(false, std::memory_order_relaxed);
    return result;
}

// The waits of change and regret after their command: the start wait
// (busy within 5000 ms) when asked for, the stop wait (idle within
// StatusOkTimeout) when asked for; "Start timed out" or "Stop timed out".
// A stop wait that ended OK decides; after a start wait alone, the report
// that ends the move does (errorReportedDuringMove).
short waitStartAndStop(CQXLogics& logics, const char* method, bool startWait,
                       bool stopWait, char* message);

// The stop wait's time-out, StatusOkTimeout seconds in milliseconds.
int statusOkTimeoutMs();

#endif  // QX_CASH_STEPS_H
