// event_senders.cpp - the four event senders (status, error, cash level
// with level warning, cash session), the logging state of status events
// and the four registered window-message numbers.
//
// The senders run on the driver's delivery thread, one report's events at
// a time.  A registered window gets a posted message (never a blocking
// call); a registered callback is called with g_nCallbacksInProgress
// raised, which the link reads at exit.
#include "events/event_senders.h"

#include <atomic>
#include <cstdint>

#include "core/device_model.h"
#include "events/event_delivery.h"
#include "events/info_queues.h"
#include "events/parsers.h"
#include "events/receivers.h"
#include "logging/log.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"
#include "logging/translate.h"
#include "platform/platform.h"
#include "settings/settings_mirrors.h"

namespace {

// Text limits of the application callbacks' arguments.
constexpr std::size_t kLongText = 63;
constexpr std::size_t kShortText = 19;
const char* const kErrorExtInfo = "ErrorInfo Not set";

// Values of the last status event that was logged; -1 forces a new line.
std::atomic<int> g_nLastLoggedAmount{-1};
std::atomic<int> g_nLastLoggedStatus{-1};
std::atomic<int> g_nLastLoggedMode{-1};

struct MessageNumbers {
    unsigned status, error, cashLevel, cashSession;
};

const MessageNumbers& messageNumbers() {
    static const MessageNumbers numbers = {
        qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS"),
        qxplat::registerWindowMessage("WM_QX_CALLBACK_ERROR"),
        qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHLEVEL"),
        qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHSESSION")};
    return numbers;
}

// Registers the names while the library loads, as the application expects.
const MessageNumbers& g_loadTimeNumbers = messageNumbers();

std::string cut(const std::string& text, std::size_t limit) {
    return text.size() > limit ? text.substr(0, limit) : text;
}

// Calls an application callback with the in-progress counter raised.  An
// exception out of the application's code is the application's fault, not
// the device's: it is logged with the event's name and goes no further.
// Once exit has stopped the delivery, no further callback starts.
template <typename Fn, typename... Args>
void callApplication(const char* event, Fn fn, Args... args) {
    if (eventDeliveryStopped()) return;
    struct InProgress {
        InProgress() { ++g_nCallbacksInProgress; }
        ~InProgress() { --g_nCallbacksInProgress; }
    } inProgress;
    try {
        fn(args...);
    } catch (...) {
        logError(std::string("callbackfunc: The application's callback threw an "
                                  "exception at ") + event);
    }
}

// After an error, cash-level or cash-session event the next status event
// is logged again, even if it repeats the last one.
void forceNextStatusLog() {
    g_nLastLoggedAmount = -1;
    g_nLastLoggedStatus = -1;
    g_nLastLoggedMode = -1;
    g_bForceNextStatusEvent = true;
}

// The event's line to the logic log and its twin to the API log.
void logSent(const std::string& logicLine, const std::string& apiLine) {
    WriteLog(logicLine, ApiToCr, LogicLog);
    WriteLog(apiLine, ApiToCr, ApiLog);
}

// Event lines are written, so worth formatting: LoggSendEvents and the
// switch of their kind are both on.
bool loggingEvents() { return g_LoggSendEvents.load() != 0 && LogKindOn(ApiToCr); }

short failNegative(const char* what, long long value) {
    logError(strformat("%s%lld", what, value));
    return QX_STATUS_ERROR;
}

// Which status events are logged follows LoggSendEvents alone; a log
// switch that is off only leaves the lines unwritten, so that the last
// logged values and the force flag move on as if they were written.
void logStatusEventIfDue(int amount, int status, int mode) {
    if (g_LoggSendEvents.load() == 0) return;
    const bool due = g_LoggEveryCallback.load() == 1 ||
                     amount != g_nLastLoggedAmount || status != g_nLastLoggedStatus ||
                     mode != g_nLastLoggedMode || g_bForceNextStatusEvent;
    if (!due) return;
    const bool write = LogKindOn(ApiToCr);
    if (write)
        WriteLogf(ApiToCr, LogicLog, "sendStatusEvent: amount=%d, status=%d, mode=%d",
                  amount, status, mode);
    g_nLastLoggedAmount = amount;
    g_nLastLoggedStatus = status;
    g_nLastLoggedMode = mode;
    g_bForceNextStatusEvent = false;
    if (write)
        WriteLogf(ApiToCr, ApiLog, "StatusEvent: amount=%d, status=%d, mode=%d", amount,
                  status, mode);
}

void logCashLevel(const CashLevels& levels, const std::string& extInfo) {
    if (!loggingEvents()) return;
    const std::string fields =
        strformat("denomination=%ld, numberOf=%d, extInfo=%s",
                  static_cast<long>(levels.denomination), levels.numberOf,
                  extInfo.c_str());
    logSent("sendCashLevelEvent: " + fields, "CashLevelEvent: " + fields);
}

void logLevelWarning(const CashLevels& levels, const std::string& extInfo) {
    if (!loggingEvents()) return;
    const std::string fields = strformat(
        "warningType=%d, denomination=%ld, numberOf=%d, typeString=%s, "
        "denominationString=%s, warningMessage=%s, extInfo=%s",
        levels.warningType, static_cast<long>(levels.denomination), levels.numberOf,
        levels.typeString.c_str(), levels.denominationString.c_str(),
        levels.warningMessage.c_str(), extInfo.c_str());
    logSent("sendCashLevelEvent: " + fields, "LevelWarningEvent: " + fields);
}

void deliverCashLevelToCallbacks(const CashLevels& levels, const std::string& extInfo) {
    const std::string text = cut(extInfo, kLongText);
    if (QXCashLevelCallback cashLevel = g_pfnCashLevelCallback.load()) {
        logCashLevel(levels, extInfo);
        callApplication("CashLevelEvent", cashLevel, levels.denomination, levels.numberOf,
                        text.c_str());
    }
    if (QXLevelWarningCallback warning = g_pfnLevelWarningCallback.load()) {
        logLevelWarning(levels, extInfo);
        const std::string type = cut(levels.typeString, kShortText);
        const std::string denomination = cut(levels.denominationString, kShortText);
        const std::string message = cut(levels.warningMessage, kLongText);
        callApplication("LevelWarningEvent", warning, levels.warningType, levels.denomination,
                        levels.numberOf, type.c_str(), denomination.c_str(),
                        message.c_str(), text.c_str());
    }
}

// An error event's lines, then its message or callback.
void deliverErrorEvent(int errorCode, const std::string& errorText, const char* extInfo) {
    const std::string fields = strformat("errorCode=%d, errorText=%s, extInfo=%s", errorCode,
                                         errorText.c_str(), extInfo);
    logError("ErrorEvent: " + fields);
    if (loggingEvents()) logSent("sendErrorEvent: " + fields, "ErrorEvent: " + fields);

    if (QX_HWND window = g_hwndMessageTo.load()) {
        pushToErrorQueue(errorText);  // a refused text still gets its message
        qxplat::postMessage(window, errorMessageNumber(), 0, errorCode);
    } else if (QXErrorCallback error = g_pfnErrorCallback.load()) {
        callApplication("ErrorEvent", error, errorCode, errorText.c_str(), extInfo);
    }
}

}  // namespace

unsigned statusMessageNumber() { return messageNumbers().status; }
unsigned errorMessageNumber() { return messageNumbers().error; }
unsigned cashLevelMessageNumber() { return messageNumbers().cashLevel; }
unsigned cashSessionMessageNumber() { return messageNumbers().cashSession; }

void resetEventLoggingForTesting() { forceNextStatusLog(); }

short sendStatusEvent(int amountOrRest, int nStatus, int nMode) {
    const long long modeAndStatus = nStatus + 100LL * nMode;
    if (modeAndStatus < 0)
        return failNegative("sendStatusEvent: Failed, neg param modeAndStatus: ",
                            modeAndStatus);
    if (amountOrRest < 0)
        return failNegative("sendStatusEvent: Failed, neg param amountOrRest: ",
                            amountOrRest);
    if (nStatus < 0)
        return failNegative("sendStatusEvent: Failed, neg param nStatus: ", nStatus);
    if (nMode < 0)
        return failNegative("sendStatusEvent: Failed, neg param nMode: ", nMode);

    logStatusEventIfDue(amountOrRest, nStatus, nMode);
    if (QX_HWND window = g_hwndMessageTo.load()) {
        qxplat::postMessage(window, statusMessageNumber(),
                            static_cast<std::uintptr_t>(modeAndStatus), amountOrRest);
    } else if (QXStatusCallback status = g_pfnStatusCallback.load()) {
        callApplication("StatusEvent", status, amountOrRest, static_cast<short>(nStatus),
                        static_cast<short>(nMode));
    }
    return QX_STATUS_OK;
}

short sendErrorEvent(const std::string& extInfo) {
    forceNextStatusLog();
    int errorCode = 0;
    getErrorCode(extInfo, errorCode);  // an unreadable code is reported as 0
    const std::string errorText =
        cut(TranslateText(strformat("Error Code %d", errorCode).c_str()), kLongText);

    deliverErrorEvent(errorCode, errorText, kErrorExtInfo);
    return QX_STATUS_OK;
}

short sendReportErrorEvent(const char* englishText, const std::string& report) {
    forceNextStatusLog();
    deliverErrorEvent(0, cut(TranslateText(englishText), kLongText),
                      cut(report, kLongText).c_str());
    return QX_STATUS_OK;
}

short sendCashLevelEvent(const std::string& extInfo) {
    forceNextStatusLog();
    CashLevels levels;
    if (getCashLevels(extInfo, levels) != QX_STATUS_OK) {
        logError("cqxlogics.sendCashLevelEvent: Failed, getCashLevels did not "
                      "return status ok");
        logTracef("sendCashLevelEvent: Updating g_nCurrentLowLevelWarningState: %d - > %d "
                  "(LOW_LEVEL_WARNING_TRUE)",
                  g_nCurrentLowLevelWarningState.load(),
                  static_cast<int>(LOW_LEVEL_WARNING_TRUE));
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_TRUE;
        return QX_STATUS_ERROR;
    }
    if (levels.numberOf < 0)
        return failNegative("sendCashLevelEvent: Failed, neg param numberOf: ",
                            levels.numberOf);
    if (levels.denomination < 0)
        return failNegative("sendCashLevelEvent: Failed, neg param denomination: ",
                            levels.denomination);

    if (QX_HWND window = g_hwndMessageTo.load()) {
        logCashLevel(levels, extInfo);
        logLevelWarning(levels, extInfo);
        pushToCashLevelWarningsQueue(extInfo);
        qxplat::postMessage(window, cashLevelMessageNumber(),
                            static_cast<std::uintptr_t>(levels.numberOf),
                            levels.denomination);
    } else {
        deliverCashLevelToCallbacks(levels, extInfo);
    }
    return QX_STATUS_OK;
}

short sendCashSessionEvent(const std::string& extInfo) {
    forceNextStatusLog();
    short infoType = 0;
    int amount = 0;
    short result = getSessionInfo(extInfo, infoType, amount);
    if (result != QX_STATUS_OK) return result;

    if (loggingEvents()) {
        const std::string fields = strformat("infoType=%d, amount=%d, extInfo=%s",
                                             infoType, amount, extInfo.c_str());
        logSent("sendCashSessionEvent: " + fields, "CashSessionEvent: " + fields);
    }
    if (QX_HWND window = g_hwndMessageTo.load()) {
        pushToCashSessionQueue(extInfo);
        qxplat::postMessage(window, cashSessionMessageNumber(),
                            static_cast<std::uintptr_t>(infoType), amount);
    }
    if (QXCashSessionCallback session = g_pfnCashSessionCallback.load()) {
        const std::string text = cut(extInfo, kShortText);
        callApplication("CashSessionEvent", session, infoType, amount, text.c_str());
    }
    return QX_STATUS_OK;
}
