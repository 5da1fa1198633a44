// payin.cpp - pay-in control of the core: enablePayin, disablePayin,
// deposit, change and amountDue.  Each opens with the shared pre-check
// frame, hands one command to the device link and, for some, waits for the
// device's status to move.
#include <climits>
#include <string>

#include "core/cash_steps.h"
#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/outcomes.h"
#include "core/precheck.h"
#include "link/dorvo_link.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"

namespace {

constexpr unsigned kPayinStates =
    stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED);

const PreCheck kEnablePayin = {"enablePayin", "Enable Payin", 0,    3,
                               15000,         true,           true, kPayinStates};
const PreCheck kDisablePayin = {"disablePayin", "Disable Payin", 0, 3, 15000, true,
                                true,           kPayinStates};
const PreCheck kDeposit = {
    "deposit", "Deposit",
    0,         3,
    15000,     true,
    true,      stateBit(QXS_PAYIN_DISABLED) | stateBit(QXS_CASH_DEPOSITED)};
const PreCheck kChange = {
    "change", "Change", 0,     3,
    15000,    true,     false, kPayinStates | stateBit(QXS_CASH_DEPOSITED)};

int paidInAmount() { return g_nLastCallbackAmount.load(std::memory_order_relaxed); }

}  // namespace

short CQXLogics::enablePayin(char* message) {
    logOpening("CQXLogics::enablePayin()");
    short result;
    if (deviceBusyNow()) {
        // enablePayin traces the busy wait's result, whatever it was.
        const short waited = busyWait(*this, kEnablePayin);
        const std::string status = std::to_string(waited);
        logTrace("CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=" +
                 status);
        if ((result = busyVerdict(kEnablePayin, waited, message)) != QX_STATUS_OK)
            return result;
        logTrace("CQXLogics::enablePayin: The new status nStatus=" + status +
                 " was neither TIMEOUT nor ERROR.");
    }
    result = runChecks(*this, kEnablePayin, message,
                       {&CQXLogics::checkError, &CQXLogics::checkClosed,
                        &CQXLogics::checkIdentified, &CQXLogics::checkState});
    if (result != QX_STATUS_OK) return result;

    prepareCommand('H');
    result = g_link.enablePayin(message);
    if (result != QX_STATUS_OK)
        return commandRefused("enablePayin", "enablePayinQX", result, message);
    g_QXState.store(QXS_PAYIN_ENABLED, std::memory_order_relaxed);
    return done(message);
}

short CQXLogics::disablePayin(char* message) {
    logOpening("CQXLogics::disablePayin()");
    short result = runPreChecks(kDisablePayin, message);
    if (result != QX_STATUS_OK) return result;

    prepareCommand('G');
    result = g_link.disablePayin(message);
    if (result != QX_STATUS_OK)
        return commandRefused("disablePayin", "disablePayinQX", result, message);
    // Busy (the device is still settling) or idle with pay-in disabled.
    result = waitForStatus(QX_DEVICE_BUSY, QX_DEVICE_IDLE_PAYIN_DISABLED, 5000);
    if (result != QX_STATUS_OK)
        return waitFailed(
            message,
            "CQXLogics::disablePayin: disablePayin timed out, return code = ", result);
    g_QXState.store(QXS_PAYIN_DISABLED, std::memory_order_relaxed);
    return done(message);
}

short CQXLogics::deposit(const char* text, char* message) {
    logOpening(std::string("CQXLogics::deposit(") + textOrEmpty(text) + ")");
    short result = runPreChecks(kDeposit, message);
    if (result != QX_STATUS_OK) return result;

    // The device's own count of what was paid in is what gets booked.
    const int paidIn = paidInAmount();
    prepareCommand('F');
    result = sendWhilePaying(
        [&] { return g_link.doPayOut(0, paidIn, textOrEmpty(text), message); });
    if (result != QX_STATUS_OK)
        return commandRefused("deposit", "doPayOut", result, message);
    g_QXState.store(QXS_CASH_DEPOSITED, std::memory_order_relaxed);
    return done(message);
}

short CQXLogics::change(char* message) {
    logOpening("CQXLogics::change()");
    // Taken before any wait: the device pays back what it had been given.
    const int paidIn = paidInAmount();
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    short result = runPreChecks(kChange, message);
    if (result != QX_STATUS_OK) return result;

    prepareCommand('1');
    result = sendWhilePaying([&] { return g_link.change(message); });
    if (result != QX_STATUS_OK)
        return commandRefused("change", "CDorvoLink::change", result, message);
    // With nothing paid in the device has nothing to do and never goes busy.
    result = waitStartAndStop(*this, "change", paidIn > 0,
                              settings.GetInt(ChangeOkCheck) == 1, message);
    if (result != QX_STATUS_OK) return result;
    return done(message);
}

short CQXLogics::amountDue(int amountDue, const char* text, int* amountRest,
                           char* message) {
    logOpening("CQXLogics::amountDue(" + std::to_string(amountDue) + "," +
               textOrEmpty(text) + ", amountRest)");
    const int paidIn = paidInAmount();
    const long long changeAmount = static_cast<long long>(paidIn) - amountDue;
    if (changeAmount < 0)
        return failWith(message, "Paid in amount smaller than amount due",
                        "CQXLogics::amountDue: Paid in amount smaller than amount due",
                        QX_STATUS_INPUT_PARAM_ERROR);
    // Beyond an int the payout's own range check refuses it.
    const int dispenseAmount =
        changeAmount > INT_MAX ? INT_MAX : static_cast<int>(changeAmount);
    // payout checks the amount due's range where the original would send.
    return payoutFull(dispenseAmount, paidIn, text, amountRest, message, &amountDue);
}
