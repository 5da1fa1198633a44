// registration.cpp - how the application chooses to receive events:
// callbacks (registerBasicEvents and the four registerEvents forms) or a
// window (registerHwnd).  The two exclude each other until exit.
#include <string>

#include "core/cqxlogics.h"
#include "core/outcomes.h"
#include "events/receivers.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"

namespace {

void logRegisterError(const std::string& method, const char* what) {
    logError(logicPrefix(method.c_str()) + what);
}

// The frame shared by the registerEvents forms: all of the form's
// callbacks given, then the status and error pair through
// registerBasicEvents, then the rest.  storeOthers runs only on success.
template <typename StoreOthers>
short registerFrame(CQXLogics& logics, const char* method, bool allGiven,
                    QXStatusCallback status, QXErrorCallback error, char* message,
                    StoreOthers storeOthers) {
    logOpening(std::string("CQXLogics::") + method + "()");
    if (!allGiven) {
        setMessage(message, "empty callbacks");
        logRegisterError(method, "empty callbacks");
        return QX_STATUS_INPUT_PARAM_ERROR;
    }
    char basicMessage[QX_BUFFER_CAPACITY] = "";
    const short result = logics.registerBasicEvents(status, error, basicMessage);
    if (result != QX_STATUS_OK) {
        copyToCaller(message, basicMessage);
        logFailure(std::string(method) + ": registerBasicEvents failed! Returning " +
                   std::to_string(result) + ": " + basicMessage);
        return result;
    }
    storeOthers();
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

}  // namespace

short CQXLogics::registerBasicEvents(QXStatusCallback status, QXErrorCallback error,
                                     char* message) {
    logTrace("CQXLogics::registerBasicEvents()");
    if (g_hwndMessageTo.load()) {
        setMessage(message, "Hwnd already set");
        logRegisterError("registerBasicEvents", "Hwnd is already set");
        return QX_STATUS_ERROR;
    }
    if (!status || !error) {
        setMessage(message, "empty callbacks");
        logRegisterError("registerBasicEvents", "empty callbacks");
        return QX_STATUS_INPUT_PARAM_ERROR;
    }
    g_pfnStatusCallback = status;
    g_pfnErrorCallback = error;
    return QX_STATUS_OK;
}

short CQXLogics::registerEvents(QXStatusCallback status, QXErrorCallback error,
                                QXCashLevelCallback cashLevel, char* message) {
    return registerFrame(*this, "registerEvents", status && error && cashLevel, status,
                         error, message, [&] { g_pfnCashLevelCallback = cashLevel; });
}

short CQXLogics::registerEvents2(QXStatusCallback status, QXErrorCallback error,
                                 QXCashLevelCallback cashLevel,
                                 QXCashSessionCallback cashSession, char* message) {
    return registerFrame(*this, "registerEvents2",
                         status && error && cashLevel && cashSession, status, error,
                         message, [&] {
                             g_pfnCashLevelCallback = cashLevel;
                             g_pfnCashSessionCallback = cashSession;
                         });
}

short CQXLogics::registerEvents3(QXStatusCallback status, QXErrorCallback error,
                                 QXLevelWarningCallback levelWarning,
                                 QXCashSessionCallback cashSession, char* message) {
    return registerFrame(*this, "registerEvents3",
                         status && error && levelWarning && cashSession, status, error,
                         message, [&] {
                             g_pfnLevelWarningCallback = levelWarning;
                             g_pfnCashSessionCallback = cashSession;
                         });
}

short CQXLogics::registerEvents23(QXStatusCallback status, QXErrorCallback error,
                                  QXCashLevelCallback cashLevel,
                                  QXLevelWarningCallback levelWarning,
                                  QXCashSessionCallback cashSession, char* message) {
    return registerFrame(*this, "registerEvents23",
                         status && error && cashLevel && levelWarning && cashSession,
                         status, error, message, [&] {
                             g_pfnCashLevelCallback = cashLevel;
                             g_pfnLevelWarningCallback = levelWarning;
                             g_pfnCashSessionCallback = cashSession;
                         });
}

short CQXLogics::registerHwnd(QX_HWND hwndMessageTo, char* message) {
    logTrace("CQXLogics::registerHwnd()");
    if (g_pfnStatusCallback.load() || g_pfnErrorCallback.load() ||
        g_pfnCashLevelCallback.load() || g_pfnLevelWarningCallback.load()) {
        setMessage(message, "callbacks already set");
        logRegisterError("registerHwnd", "callbacks are already set");
        return QX_STATUS_ERROR;
    }
    if (!hwndMessageTo) {
        setMessage(message, "empty Hwnd");
        logRegisterError("registerHwnd", "empty Hwnd");
        return QX_STATUS_INPUT_PARAM_ERROR;
    }
    g_hwndMessageTo = hwndMessageTo;
    logTrace("CQXLogics::registerHwnd() returning Ok");
    setMessage(message, "Done");
    return QX_STATUS_OK;
}
