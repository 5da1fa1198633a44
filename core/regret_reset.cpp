// regret_reset.cpp - undoing a pay-in (regret: the last note or everything
// paid in) and resetting the device.  reset is the one cash operation sent
// while the device reports an error.
#include <string>

#include "core/cash_steps.h"
#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/outcomes.h"
#include "core/precheck.h"
#include "link/dorvo_link.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"

namespace {

constexpr unsigned kRegretAllStates =
    stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED);

// regret waits 10000 ms for a busy device; its type is known only after.
const PreCheck kRegretBusy = {"regret", "Regret", 0, 3, 10000, true, false, 0};
const PreCheck kRegretLastNote = {
    "regret", "Regret Last Note",
    0,        3,
    10000,    true,
    false,    kRegretAllStates | stateBit(QXS_CASH_DEPOSITED)};
const PreCheck kRegretAll = {"regret", "Regret All", 0,     3,
                             10000,    true,         false, kRegretAllStates};
// A busy wait ending in an error does not stop a reset.
const PreCheck kReset = {"reset", "Reset", 0, 3, 15000, false, false, 0};

enum { REGRET_LAST_NOTE = 0, REGRET_ALL = 1 };

}  // namespace

short CQXLogics::regret(short regretType, char* message) {
    logOpening(strformat("CQXLogics::regret(%d)", regretType));
    short result = runChecks(*this, kRegretBusy, message,
                             {&CQXLogics::checkBusy, &CQXLogics::checkError});
    if (result != QX_STATUS_OK) return result;
    const int paidIn = g_nLastCallbackAmount.load(std::memory_order_relaxed);
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);

    const PreCheck* op = regretType == REGRET_LAST_NOTE ? &kRegretLastNote
                         : regretType == REGRET_ALL     ? &kRegretAll
                                                        : nullptr;
    if (!op)
        return failWith(message, "Invalid regretType",
                        "CQXLogics::regret: Invalid regretType",
                        QX_STATUS_INPUT_PARAM_ERROR);
    result =
        runChecks(*this, *op, message, {&CQXLogics::checkClosed, &CQXLogics::checkState});
    if (result != QX_STATUS_OK) return result;

    if (regretType == REGRET_LAST_NOTE) {
        prepareCommand('2');
        result = sendWhilePaying([&] { return g_link.regret(message); });
    } else {
        prepareCommand('F');
        // Devices without the regret-all command pay out nothing instead.
        const bool trueRegretAll = verifyQXStatus == 3;
        logTrace(trueRegretAll
                     ? "CQXLogics::regret: True regret all is supported."
                     : "CQXLogics::regret: True regret all is not supported, using "
                       "normal payout instead.");
        result = sendWhilePaying([&] {
            return trueRegretAll ? g_link.regretAllTrue(message)
                                 : g_link.regretAll(message);
        });
    }
    if (result != QX_STATUS_OK)
        return commandRefused("regret", "CDorvoLink::regret", result, message);
    result = waitStartAndStop(*this, "regret", paidIn > 0,
                              settings.GetInt(RegretOkCheck) == 1, message);
    if (result != QX_STATUS_OK) return result;
    return done(message);
}

short CQXLogics::reset(char* message) {
    logOpening("CQXLogics::reset()");
    short result = checkBusy(kReset, message);
    if (result != QX_STATUS_OK) return result;
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    prepareCommand('3');
    result = g_link.reset(message);
    if (result != QX_STATUS_OK)
        return commandRefused("reset", "CDorvoLink::reset", result, message);
    return done(message);
}
