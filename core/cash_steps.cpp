// cash_steps.cpp - the shared steps of the cash operations (cash_steps.h).
#include "core/cash_steps.h"

#include <algorithm>

#include "core/device_reports.h"
#include "logging/caller_text.h"
#include "logging/log.h"
#include "logging/strformat.h"

std::string logicPrefix(const char* method) {
    return std::string("CQXLogics::") + method + ": ";
}

void logOpening(const std::string& line) { WriteLog(line, CrToApi, LogicLog); }

void logTrace(const std::string& line) { WriteLog(line, Debug, LogicLog); }

short failWith(char* message, const char* englishText, const std::string& errorLine,
               short code) {
    setMessage(message, englishText);
    WriteLog2(errorLine, Error, LogicLog, ErrorLog);
    return code;
}

short commandRefused(const char* method, const char* what, short code,
                     const char* message) {
    WriteLog2(logicPrefix(method) + strformat("%s failed, return code = %d, message = %s",
                                              what, code, textOrEmpty(message)),
              Error, LogicLog, ErrorLog);
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

int statusOkTimeoutMs() {
    // Within 0 and the largest (a wait of less than 0 ms ends as one of 0):
    // a value set around the settings readers cannot overflow either.
    const int seconds = g_theLogics.Settings().GetInt(StatusOkTimeout);
    return std::clamp(seconds, 0, QX_MAX_STATUS_OK_TIMEOUT) * 1000;
}

short errorReportedSinceWait(const char* method, char* message) {
    const bool error = g_deviceReports.anySinceCursor(
        [](const DeviceReport& report) { return report.status == QX_DEVICE_ERROR; });
    if (!error) return QX_STATUS_OK;
    return failWith(message, "QuaxVault has error(s)",
                    logicPrefix(method) + "QuaxVault has error(s)", QX_STATUS_ERROR);
}

short done(char* message) {
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short runChecks(CQXLogics& logics, const PreCheck& op, char* message,
                std::initializer_list<FrameCheck> checks) {
    for (FrameCheck check : checks) {
        short result = (logics.*check)(op, message);
        if (result != QX_STATUS_OK) return result;
    }
    return QX_STATUS_OK;
}

short waitStartAndStop(CQXLogics& logics, const char* method, bool startWait,
                       bool stopWait, char* message) {
    if (startWait) {
        short result = logics.waitForStatus(QX_DEVICE_BUSY, 5000);
        if (result != QX_STATUS_OK)
            return waitFailed(
                message, logicPrefix(method) + "Start timed out, return code = ", result);
    }
    if (stopWait) {
        short result =
            logics.waitForStatus(QX_DEVICE_IDLE_PAYIN_ENABLED,
                                 QX_DEVICE_IDLE_PAYIN_DISABLED, statusOkTimeoutMs());
        if (result != QX_STATUS_OK)
            return waitFailed(
                message, logicPrefix(method) + "Stop timed out, return code = ", result);
    }
    return startWait || stopWait ? errorReportedSinceWait(method, message) : QX_STATUS_OK;
}
