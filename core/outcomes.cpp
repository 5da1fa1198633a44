// outcomes.cpp - the endings of the core's operations (outcomes.h).
#include "core/outcomes.h"

#include "core/device_model.h"
#include "core/device_reports.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"

std::string logicPrefix(const char* method) {
    return std::string("CQXLogics::") + method + ": ";
}

short failWith(char* message, const char* englishText, const std::string& errorLine,
               short code) {
    setMessage(message, englishText);
    logError(errorLine);
    return code;
}

short done(char* message) {
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short commandRefused(const char* method, const char* what, short code,
                     const char* message) {
    logError(logicPrefix(method) + strformat("%s failed, return code = %d, message = %s",
                                             what, code, textOrEmpty(message)));
    return code;
}

short waitFailed(char* message, const std::string& errorLine, short result) {
    return failWith(message, "Timed out", errorLine + std::to_string(result),
                    QX_STATUS_TIMEOUT);
}

short checkAmountRange(const char* method, const char* what, int amount, char* message) {
    const char* fault = nullptr;
    if (amount < 0)
        fault = "small";
    else if (amount > QX_MAX_COMMAND_AMOUNT)
        fault = "big";
    if (!fault) return QX_STATUS_OK;
    std::string text = strformat("Amount to %s too %s", what, fault);
    return failWith(
        message, text.c_str(),
        logicPrefix(method) + strformat("Amount to %s is too %s", what, fault),
        QX_STATUS_INPUT_PARAM_ERROR);
}

short errorReportedDuringMove(const char* method, char* message) {
    DeviceReport ended;
    std::uint64_t seen = 0;
    const bool moveEnded = g_deviceReports.takeFirst(
        [](const DeviceReport& report) {
            return report.status == QX_DEVICE_ERROR ||
                   report.status == QX_DEVICE_IDLE_PAYIN_ENABLED ||
                   report.status == QX_DEVICE_IDLE_PAYIN_DISABLED;
        },
        &ended, &seen);
    if (!moveEnded || ended.status != QX_DEVICE_ERROR) return QX_STATUS_OK;
    return failWith(message, "QuaxVault reported error(s) during the cash move",
                    logicPrefix(method) +
                        "QuaxVault reported error(s) after the cash move started",
                    QX_STATUS_MOVE_ERROR);
}
