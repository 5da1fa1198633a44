// payout.cpp - paying cash out: askPayout (both forms), dispense and
// payout (both forms), with the rules that guard them: whether to ask the
// device first, the per-time payout limit over the paid-out list, and the
// low-level warning state driven to its pending values.
#include <string>

#include "core/cash_steps.h"
#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/outcomes.h"
#include "core/precheck.h"
#include "link/dorvo_link.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"

namespace {

const PreCheck kAskPayout = {"askPayout",
                             "Ask Payout",
                             0,
                             3,
                             15000,
                             true,
                             false,
                             stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED) |
                                 stateBit(QXS_CASH_DEPOSITED)};
const PreCheck kDispense = {
    "dispense", "Dispense",
    0,          3,
    15000,      true,
    true,       stateBit(QXS_PAYIN_DISABLED) | stateBit(QXS_CASH_DEPOSITED)};
// payout waits for idle with pay-in enabled alone.
const PreCheck kPayout = {"payout", "Payout", 0,     -1,
                          15000,    true,     false, stateBit(QXS_PAYIN_ENABLED)};

// What differs between the dispense and the pay-out command once sent.
struct PayingCommand {
    const char* method;    // "dispense": the name in log lines
    const char* linkName;  // the command in the refused line
    const char* waitName;  // the command in the time-out lines
    bool stopOnIdleEnabledOnly;
};
const PayingCommand kDispenseCommand = {"dispense", "dispense", "dispense", false};
const PayingCommand kPayoutCommand = {"payout", "CDorvoLink::doPayOut", "doPayout", true};

// The askPayout a dispense or payout makes before paying; its message and
// rest go to the caller as they are.
short askPayoutFirst(CQXLogics& logics, const char* method, int amount, int* amountRest,
                     char* message) {
    logTrace(logicPrefix(method) + "Performing askPayout prior to " + method);
    short result = logics.askPayout(amount, amountRest, message);
    if (result != QX_STATUS_OK)
        logFailure(logicPrefix(method) +
                   strformat("askPayout failed, return code = %d, message = %s", result,
                             textOrEmpty(message)));
    return result;
}

// After the paying command was handed over: the start wait, the stop wait
// when PayOutOkCheck asks for it - else the report that ends the move.
// Temporary settings are restored at every exit from here on, and only
// here.
short finishPaying(CQXLogics& logics, const PayingCommand& command, short sendResult,
                   char* message) {
    if (sendResult != QX_STATUS_OK) {
        logics.restoreIfTemporary();
        return commandRefused(command.method, command.linkName, sendResult, message);
    }
    const std::string timedOutLine = logicPrefix(command.method) + command.waitName;
    short result = logics.waitForStatus(QX_DEVICE_BUSY, 5000);
    if (result != QX_STATUS_OK) {
        logics.restoreIfTemporary();
        return waitFailed(message,
                          timedOutLine + " start timed out, return code = ", result);
    }
    if (logics.Settings().GetInt(PayOutOkCheck) == 1) {
        const int timeoutMs = statusOkTimeoutMs();
        result = command.stopOnIdleEnabledOnly
                     ? logics.waitForStatus(QX_DEVICE_IDLE_PAYIN_ENABLED, timeoutMs)
                     : logics.waitForStatus(QX_DEVICE_IDLE_PAYIN_ENABLED,
                                            QX_DEVICE_IDLE_PAYIN_DISABLED, timeoutMs);
        if (result != QX_STATUS_OK) {
            logics.restoreIfTemporary();
            return waitFailed(message,
                              timedOutLine + " stop timed out, return code = ", result);
        }
        return QX_STATUS_OK;
    }
    result = errorReportedDuringMove(command.method, message);
    if (result != QX_STATUS_OK) logics.restoreIfTemporary();
    return result;
}

}  // namespace

// ---- askPayout ---------------------------------------------------------------

short CQXLogics::askPayout(int amount, char* message) {
    logOpening("CQXLogics::askPayout(" + std::to_string(amount) + ")");
    int rest = 0;
    return askPayout(amount, &rest, message);
}

short CQXLogics::askPayout(int amount, int* amountRest, char* message) {
    logOpening("CQXLogics::askPayout(" + std::to_string(amount) + ", amountRest)");
    writeRest(amountRest, 0);
    g_nAskPayoutAmount.store(amount, std::memory_order_relaxed);
    // Only an ask that ends in Done vouches for its amount: a failed one
    // must not let the next dispense of that amount skip its own ask.
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    short result = runChecks(*this, kAskPayout, message,
                             {&CQXLogics::checkBusy, &CQXLogics::checkError,
                              &CQXLogics::checkClosed, &CQXLogics::checkState});
    if (result != QX_STATUS_OK) return result;
    // Last before sending: every refusal of the frame answers as it always did.
    if ((result = checkAmountRange("askPayout", "dispense", amount, message)) !=
        QX_STATUS_OK)
        return result;

    if (amount == 0) {
        logTrace("CQXLogics::askPayout: Zero askPayout, Ok");
        g_bAskPayoutDone.store(true, std::memory_order_relaxed);
        return done(message);
    }
    prepareCommand('D');
    result = g_link.askPayOut(amount, message);
    if (result != QX_STATUS_OK)
        return commandRefused("askPayout", "CDorvoLink::askPayOut", result, message);

    result = waitForCallback("c", 5000);
    if (result == QX_STATUS_TIMEOUT)
        return failWith(message, "Timed out", "CQXLogics::askPayout: askPayout timed out",
                        QX_STATUS_TIMEOUT);
    if (result == QX_STATUS_ERROR)
        return failWith(message, "QuaxVault has error(s)",
                        "CQXLogics::askPayout: QuaxVault has error(s)", QX_STATUS_ERROR);

    const int rest = lastWaitReport().rest;
    if (rest == 0) {
        g_bAskPayoutDone.store(true, std::memory_order_relaxed);
        return done(message);
    }
    writeRest(amountRest, rest);
    // The device follows a refused ask with a status round; let it pass.
    const std::string notPossible =
        "CQXLogics::askPayout: Not possible (rest: " + std::to_string(rest) + ")";
    for (const char* letter : {"b", "a"}) {
        logTrace(notPossible + ". Waiting for " + letter + " message ...");
        short waited = waitForCallback(letter, 5000);
        logTrace(std::string("CQXLogics::askPayout: Waiting for ") + letter +
                 " message resulted in:" + std::to_string(waited));
    }
    return failWith(message, "Not possible (rest)", notPossible, QX_STATUS_NOT_POSSIBLE);
}

// ---- The rules that guard a payout -------------------------------------------

bool CQXLogics::decideAskFirst(const char* method, const char* word, int amount) {
    const std::string prefix = logicPrefix(method);
    if (amount == 0) {
        logTrace(prefix + "Zero amount to " + word + ", askPayout not called");
        return false;
    }
    const int warning = g_nCurrentLowLevelWarningState.load(std::memory_order_relaxed);
    if (amount < settings.GetInt(AskPayOutAmountLimit)) {
        if (warning == LOW_LEVEL_WARNING_TRUE ||
            warning == LOW_LEVEL_WARNING_TRUE_PENDING) {
            logTrace(prefix + "Small amount to " + word +
                     " but Cash Levels are low, call askPayout");
            return true;
        }
        if (warning == LOW_LEVEL_WARNING_FALSE ||
            warning == LOW_LEVEL_WARNING_FALSE_PENDING) {
            logTrace(prefix + "Small amount to " + word +
                     " and Cash Levels are ok, askPayout not called");
            return false;
        }
    }
    if (g_bAskPayoutDone.load(std::memory_order_relaxed) &&
        g_nAskPayoutAmount.load(std::memory_order_relaxed) == amount) {
        logTrace(prefix +
                 "Previous askPayout with same amount performed, askPayout not called");
        return false;
    }
    return true;
}

short CQXLogics::checkPayoutLimit(bool isPayout, int amountDispense, int amountDeposit,
                                  char* message) {
    const char* method = isPayout ? "payout" : "dispense";
    const std::string prefix = logicPrefix(method);
    const int limit = settings.GetInt(PayOutAmountPerTimeLimitAmount);
    const int seconds = settings.GetInt(PayOutAmountPerTimeLimitSeconds);
    const std::string head =
        prefix + strformat("PayOutAmountPerTimeLimitAmount = %d, seconds limit = %d",
                           limit, seconds);
    if (limit < 1) {
        logTrace(head + ", not checking paid out amounts.");
        return QX_STATUS_OK;
    }
    logTrace(head + ", checking paid out amounts. Purging paid out list...");
    purgePaidOutList();
    const long long sum = sumPaidOutAmount();
    if (isPayout) logTrace(prefix + strformat("sumPaidInAmount = %lld", sum));

    // Both amounts passed their range checks, so net fits an int.
    const int net = isPayout ? amountDispense - amountDeposit : amountDispense;
    if (sum + net > limit) {
        std::string line;
        if (isPayout) {
            logTrace(prefix + strformat("sumPaidOutAmount = %lld, amountDispense = %d, "
                                        "amountDeposit = %d",
                                        sum, amountDispense, amountDeposit));
            line = strformat("(%lld + (%d - %d) > %d)", sum, amountDispense, amountDeposit,
                             limit);
        } else {
            logTrace(prefix + strformat("sumPaidOutAmount = %lld, amountDispense = %d", sum,
                                        amountDispense));
            line = strformat("(%lld + %d > %d)", sum, amountDispense, limit);
        }
        return failWith(message, "Payout larger than allowed limit per time unit",
                        prefix + line +
                            strformat(", Payout larger than allowed limit per time "
                                      "unit: %d seconds!",
                                      seconds),
                        QX_STATUS_LIMIT_EXCEEDED);
    }
    logTrace(prefix + strformat("adding %d to paid out list.", net));
    addToPaidOutList(net);
    return QX_STATUS_OK;
}

void CQXLogics::stepLowLevelWarning(const char* method) {
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    int state = g_nCurrentLowLevelWarningState.load(std::memory_order_relaxed);
    int pending;
    if (state == LOW_LEVEL_WARNING_FALSE)
        pending = LOW_LEVEL_WARNING_FALSE_PENDING;
    else if (state == LOW_LEVEL_WARNING_TRUE)
        pending = LOW_LEVEL_WARNING_TRUE_PENDING;
    else
        return;
    // A cash-level callback that lands meanwhile wins over the pending step.
    if (!g_nCurrentLowLevelWarningState.compare_exchange_strong(state, pending)) return;
    logTrace(logicPrefix(method) +
             strformat("Updating g_nCurrentLowLevelWarningState: %d - > %d (%s)", state,
                       pending, lowLevelWarningName(pending)));
}

// ---- dispense and payout -------------------------------------------------------

short CQXLogics::dispense(int amount, const char* text, int* amountRest, char* message) {
    const char* safeText = textOrEmpty(text);
    logOpening("CQXLogics::dispense(" + std::to_string(amount) + ", " + safeText +
               ", amountRest)");
    writeRest(amountRest, 0);
    short result = runChecks(*this, kDispense, message,
                             {&CQXLogics::checkBusy, &CQXLogics::checkError});
    if (result != QX_STATUS_OK) return result;
    if ((result = checkAmountRange("dispense", "dispense", amount, message)) !=
        QX_STATUS_OK)
        return result;
    result = runChecks(
        *this, kDispense, message,
        {&CQXLogics::checkClosed, &CQXLogics::checkIdentified, &CQXLogics::checkState});
    if (result != QX_STATUS_OK) return result;

    if (decideAskFirst("dispense", "dispense", amount) &&
        (result = askPayoutFirst(*this, "dispense", amount, amountRest, message)) !=
            QX_STATUS_OK)
        return result;
    if ((result = checkPayoutLimit(false, amount, 0, message)) != QX_STATUS_OK)
        return result;
    stepLowLevelWarning("dispense");

    prepareCommand('C');
    result = sendWhilePaying([&] { return g_link.dispense(amount, safeText, message); });
    if ((result = finishPaying(*this, kDispenseCommand, result, message)) != QX_STATUS_OK)
        return result;
    g_QXState.store(QXS_PAYIN_DISABLED, std::memory_order_relaxed);
    restoreIfTemporary();
    return done(message);
}

short CQXLogics::payout(int amountDispense, int amountDeposit, const char* text,
                        char* message) {
    logOpening("CQXLogics::payout(" + std::to_string(amountDispense) + "," +
               std::to_string(amountDeposit) + "," + textOrEmpty(text) + ")");
    int rest = 0;
    return payout(amountDispense, amountDeposit, text, &rest, message);
}

short CQXLogics::payout(int amountDispense, int amountDeposit, const char* text,
                        int* amountRest, char* message) {
    return payoutFull(amountDispense, amountDeposit, text, amountRest, message, nullptr);
}

short CQXLogics::payoutFull(int amountDispense, int amountDeposit, const char* text,
                            int* amountRest, char* message, const int* amountDue) {
    const char* safeText = textOrEmpty(text);
    logOpening("CQXLogics::payout(" + std::to_string(amountDispense) + ", " +
               std::to_string(amountDeposit) + ", " + safeText + ", amountRest)");
    writeRest(amountRest, 0);
    short result = runChecks(*this, kPayout, message,
                             {&CQXLogics::checkBusy, &CQXLogics::checkError});
    if (result != QX_STATUS_OK) return result;
    // Booking more than the device counted would create money.
    if (amountDeposit > g_nLastCallbackAmount.load(std::memory_order_relaxed))
        return failWith(
            message, "Amount to deposit too big",
            "CQXLogics::payout: Amount to deposit was bigger than amount payed in",
            QX_STATUS_DEPOSIT_TOO_BIG);
    if ((result = checkAmountRange("payout", "dispense", amountDispense, message)) !=
            QX_STATUS_OK ||
        (result = checkAmountRange("payout", "deposit", amountDeposit, message)) !=
            QX_STATUS_OK)
        return result;
    const bool doAskPayout = decideAskFirst("payout", "pay out", amountDispense);
    result = runChecks(*this, kPayout, message,
                       {&CQXLogics::checkClosed, &CQXLogics::checkState});
    if (result != QX_STATUS_OK) return result;
    // What stays in the till is booked: an amount due below 0 would pay
    // out more than was paid in.
    if (amountDue &&
        (result = checkAmountRange("amountDue", "deposit", *amountDue, message)) !=
            QX_STATUS_OK)
        return result;

    if (doAskPayout && (result = askPayoutFirst(*this, "payout", amountDispense,
                                                amountRest, message)) != QX_STATUS_OK)
        return result;
    if ((result = checkPayoutLimit(true, amountDispense, amountDeposit, message)) !=
        QX_STATUS_OK)
        return result;
    stepLowLevelWarning("payout");

    prepareCommand('F');
    result = sendWhilePaying([&] {
        return g_link.doPayOut(amountDispense, amountDeposit, safeText, message);
    });
    if ((result = finishPaying(*this, kPayoutCommand, result, message)) != QX_STATUS_OK)
        return result;
    restoreIfTemporary();
    return done(message);
}
