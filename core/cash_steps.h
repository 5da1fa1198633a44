// cash_steps.h - the small steps the cash operations share: the error
// return with its message and log line, the refused-command line, the
// post-command waits and the payout flag around a command that moves cash.
#ifndef QX_CASH_STEPS_H
#define QX_CASH_STEPS_H

#include <initializer_list>
#include <string>

#include "core/cqxlogics.h"
#include "core/device_model.h"

// "CQXLogics::<method>: " in front of every line an operation writes.
std::string logicPrefix(const char* method);

// Opening line (CrToApi) and trace (Debug), both to the logic log.
void logOpening(const std::string& line);
void logTrace(const std::string& line);

// Writes the translated text into message, the error line to the logic and
// error logs, and returns code.
short failWith(char* message, const char* englishText, const std::string& errorLine,
               short code);

// The link refused a command: message keeps the link's text.  Logs
// "CQXLogics::<method>: <what> failed, return code = N, message = M".
short commandRefused(const char* method, const char* what, short code,
                     const char* message);

// A post-command wait that did not end in Ok: "Timed out" and
// "<errorLine>" followed by the wait's result.
short waitFailed(char* message, const std::string& errorLine, short result);

// Amount range of a command field: 0 .. 99999999.  what is "dispense" or
// "deposit"; QX_STATUS_OK or QX_STATUS_INPUT_PARAM_ERROR.
short checkAmountRange(const char* method, const char* what, int amount, char* message);

// The largest amount a command field carries (eight digits).
constexpr int QX_MAX_COMMAND_AMOUNT = 99999999;

// Runs send() with g_bPayoutInProgress set, so that the callback handler
// holds back status events while the command is handed over.
template <class Send>
short sendWhilePaying(Send send) {
    g_bPayoutInProgress.store(true, std::memory_order_relaxed);
    short result = send();
    g_bPayoutInProgress.store(false, std::memory_order_relaxed);
    return result;
}

// "Done" into message; QX_STATUS_OK.
short done(char* message);

// Writes value through amountRest unless the caller passed none.
inline void writeRest(int* amountRest, int value) {
    if (amountRest) *amountRest = value;
}

// Starts the operation's cursor, then tells whether the device's last
// status is busy: a busy wait after it reads only reports from now on.
bool deviceBusyNow();

// The busy step of the pre-check frame in two halves, for an operation
// that traces between them: the wait with its "Wait for Ok" trace (only
// while the device is busy), and the verdict on the wait's result -
// QX_STATUS_BUSY after a time-out, QX_STATUS_ERROR after an error when the
// operation has that branch, else QX_STATUS_OK.
short busyWait(CQXLogics& logics, const PreCheck& op);
short busyVerdict(const PreCheck& op, short waited, char* message);

// Runs the given checks of the pre-check frame in order, for operations
// that put checks of their own between them; the first refusal wins.
using FrameCheck = short (CQXLogics::*)(const PreCheck&, char*);
short runChecks(CQXLogics& logics, const PreCheck& op, char* message,
                std::initializer_list<FrameCheck> checks);

// The waits of change and regret after their command: the start wait
// (busy within 5000 ms) when asked for, the stop wait (idle within
// StatusOkTimeout) when asked for; "Start timed out" or "Stop timed out";
// after a wait, an error reported since (errorReportedSinceWait).
short waitStartAndStop(CQXLogics& logics, const char* method, bool startWait,
                       bool stopWait, char* message);

// After a cash move's waits ended OK: an error the device reported since
// the report that ended the last wait makes the operation fail with
// "QuaxVault has error(s)" and its error line; else QX_STATUS_OK.  The
// till must not take "Done" for a move the device says went wrong.
short errorReportedSinceWait(const char* method, char* message);

// The stop wait's time-out, StatusOkTimeout seconds in milliseconds.
int statusOkTimeoutMs();

#endif  // QX_CASH_STEPS_H
