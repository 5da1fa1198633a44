// callback_handler.cpp - callbackfunc, the entry the device library calls
// on its own thread(s) with every callback text.
//
// A callback is handled in two steps.  Under the handler's own lock the
// device model is updated from the text's fields, the report is recorded
// for the waiting operation (which it wakes) and the events it calls for
// are decided.  Then those events are handed over to the driver's delivery
// thread, in report order, which forwards them to the application: the
// device library's thread never waits for the application, so an
// application callback that blocks delays no wait and no report.  Unless
// it merely repeats the previous text, a report's information is
// forwarded.
#include "events/callback_handler.h"

#include <atomic>
#include <mutex>

#include "core/device_model.h"
#include "core/device_reports.h"
#include "events/event_delivery.h"
#include "events/event_senders.h"
#include "events/parsers.h"
#include "logging/log.h"
#include "logging/log_shapes.h"
#include "qxlogics.h"
#include "settings/settings_mirrors.h"

namespace {

// Handlers running now, for the unloading library.
std::atomic<int> g_nHandlersRunning{0};

// Updating the model and recording the report, one callback at a time.
std::mutex& modelLock() {
    static std::mutex& lock = *new std::mutex;  // a callback may outlive the core
    return lock;
}

struct Callback {
    std::string text;
    std::string command;
    int amountOrRest = 0;
    int nStatus = 0;
    int nMode = 0;
    std::string extInfo;
    char letter() const { return command.empty() ? '\0' : command[0]; }
};

// What one callback sends to the application, decided under the model
// lock and carried out through the gate.
struct Events {
    bool malformed = false;
    bool statusOfB = false;  // a "b" that changed amount, status or mode
    bool forward = false;    // not a repeat to be dropped
    bool payoutInProgress = false;
    bool errorOfB = false;   // a "b" with a newly reported error
};

// Records the report with the model's values as it left them: published
// before the waiting operation can see the report.
std::uint64_t record(const std::string& command, bool withVerifyTexts) {
    return g_deviceReports.append(snapshotDeviceModel(command, withVerifyTexts));
}

std::uint64_t reportMalformed(const std::string& text) {
    g_nLastCallbackStatus = QX_DEVICE_ERROR;
    g_bStatusFromDevice = false;
    const std::uint64_t sequence = record("", false);
    g_strPreviousCallback.set(text);
    logError("cqxlogics.callbackfunc: Error in format of received callback");
    logError(text);
    return sequence;
}

void updateOpen(const Callback& cb) {
    g_bIsOpen = (cb.nStatus == QX_DEVICE_IDLE_PAYIN_ENABLED ||
                 cb.nStatus == QX_DEVICE_IDLE_PAYIN_DISABLED) &&
                cb.nMode == 1;
}

void storeStatus(const Callback& cb) {
    g_nLastCallbackStatus = cb.nStatus;
    g_nLastCallbackMode = cb.nMode;
    g_bStatusFromDevice = true;
}

// An "a" moves the state on after logout, or after a login that was
// answered with an error.
void updateStateFromA(int nStatus, int prevStatus) {
    const bool mayMove = g_QXState == QXS_LOGGED_OUT ||
                         (prevStatus == QX_DEVICE_ERROR && g_chLastCommand == 'A');
    if (!mayMove) return;
    switch (nStatus) {
    case QX_DEVICE_IDLE_PAYIN_ENABLED: g_QXState = QXS_PAYIN_ENABLED; break;
    case QX_DEVICE_IDLE_PAYIN_DISABLED: g_QXState = QXS_PAYIN_DISABLED; break;
    case QX_DEVICE_BUSY:
    case QX_DEVICE_ERROR: break;
    default:
        logTracef("cqxlogics.callbackfunc(A): Unexpected callback status == %d, not "
                  "changing g_QXState",
                  nStatus);
    }
}

void modelFromA(const Callback& cb, int prevStatus) {
    updateOpen(cb);
    updateStateFromA(cb.nStatus, prevStatus);
    g_nLastCallbackAmount = cb.amountOrRest;
    storeStatus(cb);
    const int warning = g_nCurrentLowLevelWarningState;
    if (cb.nStatus == QX_DEVICE_IDLE_PAYIN_ENABLED &&
        (warning == LOW_LEVEL_WARNING_FALSE_PENDING ||
         warning == LOW_LEVEL_WARNING_TRUE_PENDING)) {
        logTracef("cqxlogics.callbackfunc(A): Updating g_nCurrentLowLevelWarningState: %d "
                  "- > %d (LOW_LEVEL_WARNING_FALSE)",
                  warning, static_cast<int>(LOW_LEVEL_WARNING_FALSE));
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    }
}

// A "b" reports its status only when amount, status or mode changed - or
// when the status it would repeat was never the device's own.  True when
// it did.
bool modelFromB(const Callback& cb) {
    updateOpen(cb);
    if (g_bStatusFromDevice && cb.amountOrRest == g_nLastCallbackAmount &&
        cb.nStatus == g_nLastCallbackStatus && cb.nMode == g_nLastCallbackMode) {
        return false;
    }
    g_nLastCallbackAmount = cb.amountOrRest;
    storeStatus(cb);
    return true;
}

void modelFromC(const Callback& cb) {
    updateOpen(cb);
    storeStatus(cb);
    g_nLastRestAmount = cb.amountOrRest;
    // A busy "c" also carries the paid-in amount (a repeat carries the same).
    if (cb.nStatus == QX_DEVICE_BUSY) g_nLastCallbackAmount = cb.amountOrRest;
}

// extInfo of an "x" starts at callback position 1.
void modelFromX(const Callback& cb) {
    if (cb.extInfo.size() >= 21) {
        g_strMasterVersion.set(cb.extInfo.substr(17, 2) + "." + cb.extInfo.substr(19, 2));
    }
    if (cb.extInfo.size() >= 22) g_strSupportedCommands.set(cb.extInfo.substr(21));
}

void modelFromUnknown(const Callback& cb) {
    g_nLastCallbackStatus = QX_DEVICE_ERROR;
    g_nLastCallbackMode = cb.nMode;
    g_bStatusFromDevice = false;
    logError("cqxlogics.callbackfunc(?): Unknown command=" + cb.command);
}

// Updates the model; returns the status event a changed "b" sends.
bool updateModel(const Callback& cb, int prevStatus) {
    switch (cb.letter()) {
    case 'a': modelFromA(cb, prevStatus); break;
    case 'b': return modelFromB(cb);
    case 'c': modelFromC(cb); break;
    case 'x': modelFromX(cb); break;
    default: modelFromUnknown(cb);
    }
    return false;
}

// Logs a new text and remembers it; false when a repeat is not to be
// forwarded again.
bool noteAndCheckRepeat(const std::string& text) {
    if (!g_strPreviousCallback.equals(text)) {
        WriteLog(text, ComToApi, LogicLog);
        g_strPreviousCallback.set(text);
        return true;
    }
    if (g_LoggEveryCallback.load() == 1) WriteLog(text, ComToApi, LogicLog);
    return g_ForwardCallbackChangeOnly.load() != 1;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void forwardB(const Callback& cb, const Events& events) {
    if (events.errorOfB) {
        sendErrorEvent(cb.extInfo);
    } else if (!cb.extInfo.empty() && isLetter(cb.extInfo[0])) {
        sendCashSessionEvent(cb.extInfo);
    } else {
        sendCashLevelEvent(cb.extInfo);
    }
}

void deliver(const Callback& cb, const Events& events) {
    if (events.statusOfB) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
    if (!events.forward) return;
    switch (cb.letter()) {
    case 'a':
        if (!events.payoutInProgress) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    case 'b': forwardB(cb, events); break;
    case 'c':
        if (cb.nStatus == QX_DEVICE_BUSY) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    default: break;  // "x" and unknown letters forward nothing
    }
}

// Under the model lock: the model, the record, and the events to send.
// Returns the report's sequence.
std::uint64_t takeIn(Callback& cb, Events& events) {
    std::lock_guard<std::mutex> lock(modelLock());
    const int prevStatus = g_nLastCallbackStatus;
    // An error is new unless the device itself had already reported one.
    const bool errorWasReported = prevStatus == QX_DEVICE_ERROR && g_bStatusFromDevice;
    if (formatCallbackArg(cb.text, cb.command, cb.amountOrRest, cb.nStatus, cb.nMode,
                          cb.extInfo) != QX_STATUS_OK) {
        events.malformed = true;
        return reportMalformed(cb.text);
    }
    events.statusOfB = updateModel(cb, prevStatus);
    events.errorOfB = cb.nStatus == QX_DEVICE_ERROR && !errorWasReported;
    events.payoutInProgress = g_bPayoutInProgress;
    // The letter last: a wait that ends on it reads this callback's values.
    g_strLastCallbackCommand.set(cb.command);
    const std::uint64_t sequence = record(cb.command, cb.letter() == 'x');
    events.forward = noteAndCheckRepeat(cb.text);
    return sequence;
}

// Taking in and handing over, one report at a time: the events go out in
// the order the reports were recorded.
std::mutex& handOverLock() {
    static std::mutex& lock = *new std::mutex;  // a callback may outlive the core
    return lock;
}

void handle(const char* text) {
    Callback cb;
    cb.text = text ? text : "";
    Events events;
    std::lock_guard<std::mutex> inOrder(handOverLock());
    const std::uint64_t sequence = takeIn(cb, events);
    g_eventDelivery.post(sequence, [cb, events] {
        if (!events.malformed) deliver(cb, events);  // nothing is forwarded
    });
}

// This thread is inside callbackfunc for as long as the object lives.
struct InHandler {
    InHandler() { ++g_nHandlersRunning; }
    ~InHandler() { --g_nHandlersRunning; }
};

}  // namespace

int QX_CALLBACK_CALL callbackfunc(char* text) {
    InHandler inHandler;
    // Nothing may escape into the device library's thread.
    try {
        handle(text);
    } catch (...) {
        g_nLastCallbackStatus = QX_DEVICE_ERROR;
    }
    return 1;
}

int handlersRunning() { return g_nHandlersRunning.load(); }
