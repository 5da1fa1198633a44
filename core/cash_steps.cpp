// cash_steps.cpp - the shared steps of the cash operations (cash_steps.h).
#include "core/cash_steps.h"

#include <algorithm>

#include "core/outcomes.h"

int statusOkTimeoutMs() {
    // Within 0 and the largest (a wait of less than 0 ms ends as one of 0):
    // a value set around the settings readers cannot overflow either.
    const int seconds = g_theLogics.Settings().GetInt(StatusOkTimeout);
    return std::clamp(seconds, 0, QX_MAX_STATUS_OK_TIMEOUT) * 1000;
}

short waitStartAndStop(CQXLogics& logics, const char* method, bool startWait,
                       bool stopWait, char* message) {
    if (startWait) {
        short result = logics.waitForStatus(QX_DEVICE_BUSY, 5000);
        if (result != QX_STATUS_OK)
            return waitFailed(
                message, logicPrefix(method) + "Start timed out, return code = ", result);
    }
    if (stopWait) {
        short result =
            logics.waitForStatus(QX_DEVICE_IDLE_PAYIN_ENABLED,
                                 QX_DEVICE_IDLE_PAYIN_DISABLED, statusOkTimeoutMs());
        if (result != QX_STATUS_OK)
            return waitFailed(
                message, logicPrefix(method) + "Stop timed out, return code = ", result);
        return QX_STATUS_OK;
    }
    return startWait ? errorReportedDuringMove(method, message) : QX_STATUS_OK;
}
