// outcomes.h - how an operation of the core ends: its message, its log
// line and its status code, written once for every operation.  None of
// these needs the core object.
#ifndef QX_OUTCOMES_H
#define QX_OUTCOMES_H

#include <string>

// The largest amount a command field carries (eight digits).
constexpr int QX_MAX_COMMAND_AMOUNT = 99999999;

// "CQXLogics::<method>: " in front of every line an operation writes.
std::string logicPrefix(const char* method);

// Writes the translated text into message, the error line to the logic and
// error logs, and returns code.
short failWith(char* message, const char* englishText, const std::string& errorLine,
               short code);

// "Done" into message; QX_STATUS_OK.
short done(char* message);

// The link refused a command: message keeps the link's text.  Logs
// "CQXLogics::<method>: <what> failed, return code = N, message = M".
short commandRefused(const char* method, const char* what, short code,
                     const char* message);

// A post-command wait that did not end in Ok: "Timed out" and
// "<errorLine>" followed by the wait's result.
short waitFailed(char* message, const std::string& errorLine, short result);

// Amount range of a command field: 0 .. QX_MAX_COMMAND_AMOUNT.  what is
// "dispense" or "deposit"; QX_STATUS_OK or QX_STATUS_INPUT_PARAM_ERROR.
short checkAmountRange(const char* method, const char* what, int amount, char* message);

// A cash move whose call returns after its start wait alone: of the
// reports since that wait, the first that ends the move decides.  The
// device's own error report: QX_STATUS_MOVE_ERROR, with "QuaxVault reported
// error(s) during the cash move" and its own error line - no refusal before
// sending answers so, and the till must not take it for one and call
// again.  An idle report, or none yet: QX_STATUS_OK.  Reports after the
// deciding one change nothing.
short errorReportedDuringMove(const char* method, char* message);

// Writes value through amountRest unless the caller passed none.
inline void writeRest(int* amountRest, int value) {
    if (amountRest) *amountRest = value;
}

#endif  // QX_OUTCOMES_H
