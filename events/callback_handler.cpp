// callback_handler.cpp - callbackfunc, the entry the device library calls
// on its own thread with every callback text.
//
// A callback is handled in three steps: first the device model is updated
// from the text's fields, then the report is recorded for the waiting
// operation (which it wakes), then - unless it merely repeats the previous
// text - its information is forwarded to the application as events.
#include "events/callback_handler.h"

#include "core/device_model.h"
#include "core/device_reports.h"
#include "events/event_log.h"
#include "events/event_senders.h"
#include "logging/strformat.h"
#include "qxlogics.h"
#include "settings/settings_mirrors.h"

namespace {

struct Callback {
    std::string text;
    std::string command;
    int amountOrRest = 0;
    int nStatus = 0;
    int nMode = 0;
    std::string extInfo;
    char letter() const { return command.empty() ? '\0' : command[0]; }
};

// Records the report with the model's values as it left them: published
// before the waiting operation can see the report.
void record(const std::string& command, bool withVerifyTexts) {
    g_deviceReports.append(snapshotDeviceModel(command, withVerifyTexts));
}

void reportMalformed(const std::string& text) {
    g_nLastCallbackStatus = QX_DEVICE_ERROR;
    record("", false);
    g_strPreviousCallback.set(text);
    logEventError("cqxlogics.callbackfunc: Error in format of received callback");
    logEventError(text);
}

void updateOpen(const Callback& cb) {
    g_bIsOpen = (cb.nStatus == QX_DEVICE_IDLE_PAYIN_ENABLED ||
                 cb.nStatus == QX_DEVICE_IDLE_PAYIN_DISABLED) &&
                cb.nMode == 1;
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
        WriteLogf(Debug, LogicLog,
                  "cqxlogics.callbackfunc(A): Unexpected callback status == %d, not "
                  "changing g_QXState",
                  nStatus);
    }
}

void modelFromA(const Callback& cb, int prevStatus) {
    updateOpen(cb);
    updateStateFromA(cb.nStatus, prevStatus);
    g_nLastCallbackAmount = cb.amountOrRest;
    g_nLastCallbackStatus = cb.nStatus;
    g_nLastCallbackMode = cb.nMode;
    const int warning = g_nCurrentLowLevelWarningState;
    if (cb.nStatus == QX_DEVICE_IDLE_PAYIN_ENABLED &&
        (warning == LOW_LEVEL_WARNING_FALSE_PENDING ||
         warning == LOW_LEVEL_WARNING_TRUE_PENDING)) {
        WriteLogf(Debug, LogicLog,
                  "cqxlogics.callbackfunc(A): Updating g_nCurrentLowLevelWarningState: %d "
                  "- > %d (LOW_LEVEL_WARNING_FALSE)",
                  warning, static_cast<int>(LOW_LEVEL_WARNING_FALSE));
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    }
}

// A "b" reports its status only when amount, status or mode changed.
void modelFromB(const Callback& cb) {
    updateOpen(cb);
    if (cb.amountOrRest == g_nLastCallbackAmount && cb.nStatus == g_nLastCallbackStatus &&
        cb.nMode == g_nLastCallbackMode) {
        return;
    }
    g_nLastCallbackAmount = cb.amountOrRest;
    g_nLastCallbackStatus = cb.nStatus;
    g_nLastCallbackMode = cb.nMode;
    sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
}

void modelFromC(const Callback& cb) {
    updateOpen(cb);
    g_nLastCallbackStatus = cb.nStatus;
    g_nLastRestAmount = cb.amountOrRest;
    g_nLastCallbackMode = cb.nMode;
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
    logEventError("cqxlogics.callbackfunc(?): Unknown command=" + cb.command);
}

void updateModel(const Callback& cb, int prevStatus) {
    switch (cb.letter()) {
    case 'a': modelFromA(cb, prevStatus); break;
    case 'b': modelFromB(cb); break;
    case 'c': modelFromC(cb); break;
    case 'x': modelFromX(cb); break;
    default: modelFromUnknown(cb);
    }
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

void forwardB(const Callback& cb, int prevStatus) {
    if (cb.nStatus == QX_DEVICE_ERROR && prevStatus != QX_DEVICE_ERROR) {
        sendErrorEvent(cb.extInfo);
    } else if (!cb.extInfo.empty() && isLetter(cb.extInfo[0])) {
        sendCashSessionEvent(cb.extInfo);
    } else {
        sendCashLevelEvent(cb.extInfo);
    }
}

void forward(const Callback& cb, int prevStatus) {
    switch (cb.letter()) {
    case 'a':
        if (!g_bPayoutInProgress) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    case 'b': forwardB(cb, prevStatus); break;
    case 'c':
        if (cb.nStatus == QX_DEVICE_BUSY) sendStatusEvent(cb.amountOrRest, cb.nStatus, cb.nMode);
        break;
    default: break;  // "x" and unknown letters forward nothing
    }
}

void handle(const char* text) {
    Callback cb;
    cb.text = text ? text : "";
    const int prevStatus = g_nLastCallbackStatus;
    if (formatCallbackArg(cb.text, cb.command, cb.amountOrRest, cb.nStatus, cb.nMode,
                          cb.extInfo) != QX_STATUS_OK) {
        reportMalformed(cb.text);
        return;
    }
    updateModel(cb, prevStatus);
    // The letter last: a wait that ends on it reads this callback's values.
    g_strLastCallbackCommand.set(cb.command);
    record(cb.command, cb.letter() == 'x');
    if (noteAndCheckRepeat(cb.text)) forward(cb, prevStatus);
}

}  // namespace

int QX_CALLBACK_CALL callbackfunc(char* text) {
    // Nothing may escape into the device library's thread.
    try {
        handle(text);
    } catch (...) {
        g_nLastCallbackStatus = QX_DEVICE_ERROR;
    }
    return 1;
}
