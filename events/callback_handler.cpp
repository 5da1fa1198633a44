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
// forwarded.  A malformed text or an unknown letter stands for no status
// of the device: it is logged and reaches the application as an error
// event of its own, and neither the model nor the record changes.
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
    const char* unreadable = nullptr;  // a malformed text or unknown letter: its event's text
    bool statusOfB = false;  // a "b" that changed amount, status or mode
    bool forward = false;    // not a repeat to be dropped
    bool payoutInProgress = false;
    bool errorOfB = false;   // a "b" with a newly reported error
    bool logTextLate = false;  // a changed "b": its text is logged after its status event
};

// Records the report with the model's values as it left them: published
// before the waiting operation can see the report.
std::uint64_t record(const std::string& command, bool withVerifyTexts) {
    return g_deviceReports.append(snapshotDeviceModel(command, withVerifyTexts));
}

// None of the device's reports: its event only, unless it repeats.
void reportMalformed(const std::string& text, Events& events) {
    events.unreadable = "Malformed device report";
    events.forward =
        !g_strPreviousCallback.equals(text) || g_ForwardCallbackChangeOnly.load() != 1;
    g_strPreviousCallback.set(text);
    logError("cqxlogics.callbackfunc: Error in format of received callback");
    logError(text);
}

void updateOpen(const Callback& cb) {
    g_bIsOpen = (cb.nStatus == QX_DEVICE_IDLE_PAYIN_ENABLED ||
                 cb.nStatus == QX_DEVICE_IDLE_PAYIN_DISABLED) &&
                cb.nMode == 1;
}

void storeStatus(const Callback& cb) {
    g_nLastCallbackStatus = cb.nStatus;
    g_nLastCallbackMode = cb.nMode;
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

// A "b" reports its status only when amount, status or mode changed.  True
// when it did.
bool modelFromB(const Callback& cb) {
    updateOpen(cb);
    if (cb.amountOrRest == g_nLastCallbackAmount &&
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

bool knownLetter(char letter) {
    return letter == 'a' || letter == 'b' || letter == 'c' || letter == 'x';
}

// Updates the model; returns the status event a changed "b" sends.
bool updateModel(const Callback& cb, int prevStatus) {
    switch (cb.letter()) {
    case 'a': modelFromA(cb, prevStatus); break;
    case 'b': return modelFromB(cb);
    case 'c': modelFromC(cb); break;
    case 'x': modelFromX(cb); break;
    default: break;
    }
    return false;
}

// What the repeat check decided about one text.
struct Noted {
    bool forward;  // false for a repeat that is not forwarded again
    bool log;      // the text is written to the logic log
};

// Remembers a new text; a repeat is logged and forwarded as the switches say.
Noted noteText(const std::string& text) {
    if (!g_strPreviousCallback.equals(text)) {
        g_strPreviousCallback.set(text);
        return {true, true};
    }
    return {g_ForwardCallbackChangeOnly.load() != 1, g_LoggEveryCallback.load() == 1};
}

void logReportText(const std::string& text) { WriteLog(text, ComToApi, LogicLog); }

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
    if (events.unreadable) {
        if (events.forward) sendReportErrorEvent(events.unreadable, cb.text);
        return;
    }
    if (events.statusOfB) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
    if (events.logTextLate) logReportText(cb.text);
    if (!events.forward) return;
    switch (cb.letter()) {
    case 'a':
        if (!events.payoutInProgress) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    case 'b': forwardB(cb, events); break;
    case 'c':
        if (cb.nStatus == QX_DEVICE_BUSY) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    default: break;  // "x" forwards nothing
    }
}

// Under the model lock: the model, the record, and the events to send.
// Returns the report's sequence, 0 for a text that is no report.
std::uint64_t takeIn(Callback& cb, Events& events) {
    std::lock_guard<std::mutex> lock(modelLock());
    const int prevStatus = g_nLastCallbackStatus;
    if (formatCallbackArg(cb.text, cb.command, cb.amountOrRest, cb.nStatus, cb.nMode,
                          cb.extInfo) != QX_STATUS_OK) {
        reportMalformed(cb.text, events);
        return 0;
    }
    std::uint64_t sequence = 0;
    if (knownLetter(cb.letter())) {
        events.statusOfB = updateModel(cb, prevStatus);
        events.errorOfB = cb.nStatus == QX_DEVICE_ERROR && prevStatus != QX_DEVICE_ERROR;
        events.payoutInProgress = g_bPayoutInProgress;
        // The letter last: a wait that ends on it reads this callback's values.
        g_strLastCallbackCommand.set(cb.command);
        sequence = record(cb.command, cb.letter() == 'x');
    } else {
        events.unreadable = "Unknown device report";
        logError("cqxlogics.callbackfunc(?): Unknown command=" + cb.command);
    }
    const Noted noted = noteText(cb.text);
    events.forward = noted.forward;
    // As the original: a changed "b" sends its status event before its text is logged.
    events.logTextLate = noted.log && events.statusOfB;
    if (noted.log && !events.logTextLate) logReportText(cb.text);
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
    g_eventDelivery.post(sequence, [cb, events] { deliver(cb, events); });
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
