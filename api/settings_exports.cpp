// settings_exports.cpp - changeSettingsQX and the five registration
// exports.  None of them is guarded: they are meant for use before initQX.
#include <string>

#include "api/export_frame.h"
#include "core/cqxlogics.h"
#include "logging/caller_text.h"
#include "logging/log.h"

using qxapi::ExportFrame;
using qxapi::callbackArguments;

namespace {

// Registering takes the turn: it must not race initQX's check of it.
constexpr qxapi::Access kSession = qxapi::Access::Session;

}  // namespace

QX_EXPORT short QXAPI changeSettingsQX(const char* settings, short durationType,
                                       char* message) {
    // A temporary change belongs to the next dispense or payout: it takes
    // the turn, so that it cannot land in another thread's running call,
    // which would restore it when it ends.  A lasting one may come any time.
    const ExportFrame frame("changeSettingsQX", std::string(textOrEmpty(settings)) +
                                                    ", " + std::to_string(durationType) +
                                                    ", message",
                            "",
                            durationType == 1 ? qxapi::Access::Session
                                              : qxapi::Access::Shared);
    // 0: the change lasts; 1: it lasts until the next payout.
    if (durationType != 0 && durationType != 1) {
        return frame.reject(QX_STATUS_INPUT_PARAM_ERROR, Error, "Unknown durationType",
                            message, "unknown durationType");
    }
    if (!settings || !*settings) {
        return frame.reject(QX_STATUS_INPUT_PARAM_ERROR, Error, "initSettings is empty",
                            message, "initSettings is empty");
    }
    return frame.call(message, [&](char* text) {
        return g_theLogics.changeSettings(settings, durationType, text);
    });
}

QX_EXPORT short QXAPI registerEventsQX(QXStatusCallback status, QXErrorCallback error,
                                       QXCashLevelCallback cashLevel, char* message) {
    const std::string arguments = callbackArguments(status, error, cashLevel);
    const ExportFrame frame("registerEventsQX", arguments, "", kSession);
    return frame.call(message, [&](char* text) {
        return g_theLogics.registerEvents(status, error, cashLevel, text);
    });
}

QX_EXPORT short QXAPI registerEvents2QX(QXStatusCallback status, QXErrorCallback error,
                                        QXCashLevelCallback cashLevel,
                                        QXCashSessionCallback cashSession,
                                        char* message) {
    const std::string arguments = callbackArguments(status, error, cashLevel, cashSession);
    const ExportFrame frame("registerEvents2QX", arguments, "", kSession);
    return frame.call(message, [&](char* text) {
        return g_theLogics.registerEvents2(status, error, cashLevel, cashSession, text);
    });
}

QX_EXPORT short QXAPI registerEvents3QX(QXStatusCallback status, QXErrorCallback error,
                                        QXLevelWarningCallback levelWarning,
                                        QXCashSessionCallback cashSession,
                                        char* message) {
    const std::string arguments = callbackArguments(status, error, levelWarning, cashSession);
    const ExportFrame frame("registerEvents3QX", arguments, "", kSession);
    return frame.call(message, [&](char* text) {
        return g_theLogics.registerEvents3(status, error, levelWarning, cashSession, text);
    });
}

QX_EXPORT short QXAPI registerEvents23QX(QXStatusCallback status, QXErrorCallback error,
                                         QXCashLevelCallback cashLevel,
                                         QXLevelWarningCallback levelWarning,
                                         QXCashSessionCallback cashSession,
                                         char* message) {
    const std::string arguments =
        callbackArguments(status, error, cashLevel, levelWarning, cashSession);
    const ExportFrame frame("registerEvents23QX", arguments, "", kSession);
    return frame.call(message, [&](char* text) {
        return g_theLogics.registerEvents23(status, error, cashLevel, levelWarning,
                                            cashSession, text);
    });
}

QX_EXPORT short QXAPI registerHwndQX(QX_HWND hwndMessageTo, char* message) {
    const ExportFrame frame("registerHwndQX", "hwndMessageTo, message",
                            " called from ActiveX API", kSession);
    return frame.call(message, [&](char* text) {
        return g_theLogics.registerHwnd(hwndMessageTo, text);
    });
}
