// precheck.h - the pre-check frame that opens every device operation: what
// an operation tells the frame about itself (PreCheck), and the frame's
// steps for operations that run them one by one.  The checks themselves
// are methods of the core object (checkBusy ... runPreChecks).
#ifndef QX_PRECHECK_H
#define QX_PRECHECK_H

#include <initializer_list>

#include "core/cqxlogics.h"

// What one device operation's pre-check frame needs to know about it.
struct PreCheck {
    const char* method;        // "enablePayin": the name in log lines
    const char* words;         // "Enable Payin": the words in log lines
    int busyWantA;             // busy wait: wanted statuses and time-out
    int busyWantB;             // -1 for the one-value form
    int busyTimeoutMs;
    bool busyErrorBranch;      // false: a busy wait ending in error goes on
    bool needsIdentification;  // verifyQXStatus must be 3
    unsigned admissibleStates; // bit (1 << state) per admissible g_QXState
};

constexpr unsigned stateBit(int state) { return 1u << state; }

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

#endif  // QX_PRECHECK_H
