// precheck.cpp - the pre-check frame that opens every device operation:
// busy wait, error, logged-out state, identification and admissible
// states, written once and told about each operation by its PreCheck.
#include "core/precheck.h"

#include <string>

#include "core/device_model.h"
#include "core/device_reports.h"
#include "core/outcomes.h"
#include "logging/log_shapes.h"

namespace {

int lastStatus() { return g_nLastCallbackStatus.load(std::memory_order_relaxed); }

std::string opWords(const PreCheck& op, const char* tail) {
    return logicPrefix(op.method) + op.words + tail;
}

short hasErrors(const PreCheck& op, char* message) {
    return failWith(message, "QuaxVault has error(s)",
                    logicPrefix(op.method) + "QuaxVault has error(s)",
                    QX_STATUS_ERROR);
}

}  // namespace

short busyWait(CQXLogics& logics, const PreCheck& op) {
    logTrace(logicPrefix(op.method) + "Quaxvault is Busy. Wait for Ok");
    return op.busyWantB == -1
               ? logics.waitForStatus(op.busyWantA, op.busyTimeoutMs)
               : logics.waitForStatus(op.busyWantA, op.busyWantB, op.busyTimeoutMs);
}

short busyVerdict(const PreCheck& op, short waited, char* message) {
    if (waited == QX_STATUS_TIMEOUT)
        return failWith(message, "QuaxVault is busy",
                        logicPrefix(op.method) + "QuaxVault is still busy, giving up.",
                        QX_STATUS_BUSY);
    if (waited == QX_STATUS_ERROR && op.busyErrorBranch) return hasErrors(op, message);
    return QX_STATUS_OK;
}

short runChecks(CQXLogics& logics, const PreCheck& op, char* message,
                std::initializer_list<FrameCheck> checks) {
    for (FrameCheck check : checks) {
        short result = (logics.*check)(op, message);
        if (result != QX_STATUS_OK) return result;
    }
    return QX_STATUS_OK;
}

bool deviceBusyNow() {
    // Reports from here on end the busy wait: the cursor first, then the
    // status, so that none slips between the two and none from before
    // ends the wait.
    g_deviceReports.startCursorHere();
    return lastStatus() == QX_DEVICE_BUSY;
}

short CQXLogics::checkBusy(const PreCheck& op, char* message) {
    if (!deviceBusyNow()) return QX_STATUS_OK;
    return busyVerdict(op, busyWait(*this, op), message);
}

short CQXLogics::checkError(const PreCheck& op, char* message) {
    return lastStatus() == QX_DEVICE_ERROR ? hasErrors(op, message) : QX_STATUS_OK;
}

short CQXLogics::checkClosed(const PreCheck& op, char* message) {
    if (g_QXState.load(std::memory_order_relaxed) != QXS_LOGGED_OUT) return QX_STATUS_OK;
    return failWith(message, "Closed",
                    opWords(op, " is not allowed from logged out state."),
                    QX_STATUS_CLOSED);
}

short CQXLogics::checkIdentified(const PreCheck& op, char* message) {
    if (verifyQXStatus == 3) return QX_STATUS_OK;
    return failWith(message, "Not Supported", opWords(op, " is not supported."),
                    QX_STATUS_NOT_SUPPORTED);
}

short CQXLogics::checkState(const PreCheck& op, char* message) {
    const int state = g_QXState.load(std::memory_order_relaxed);
    if (state >= 0 && state < kStateCount && (op.admissibleStates & stateBit(state)))
        return QX_STATUS_OK;
    return failWith(message, "Not Supported",
                    opWords(op, " is not supported from state ") + stateName(state),
                    QX_STATUS_NOT_SUPPORTED);
}

short CQXLogics::runPreChecks(const PreCheck& op, char* message) {
    short result;
    if ((result = checkBusy(op, message)) != QX_STATUS_OK) return result;
    if ((result = checkError(op, message)) != QX_STATUS_OK) return result;
    if ((result = checkClosed(op, message)) != QX_STATUS_OK) return result;
    if (op.needsIdentification &&
        (result = checkIdentified(op, message)) != QX_STATUS_OK)
        return result;
    return checkState(op, message);
}

void CQXLogics::prepareCommand(char letter) {
    g_deviceReports.startCursorHere();
    g_strPreviousCallback.clear();
    g_bForceNextStatusEvent.store(true, std::memory_order_relaxed);
    g_chLastCommand.store(letter, std::memory_order_relaxed);
}
