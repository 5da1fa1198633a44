// export_frame.cpp - the entry, guard and result lines shared by all 29
// exports, written to the API log (and failures also to the error log).
#include "api/export_frame.h"

#include "api/api_state.h"
#include "api/export_turn.h"
#include "events/event_delivery.h"
#include "logging/caller_text.h"
#include "logging/log.h"

namespace qxapi {

std::string quoted(const char* text) {
    return std::string("\"") + textOrEmpty(text) + "\"";
}

const char* codeSeparator(short code) {
    switch (code) {
    case QX_STATUS_OK: return " (QX_STATUS_OK): ";
    case QX_STATUS_ERROR: return " (QX_STATUS_ERROR): ";
    case QX_STATUS_WARNING: return " (QX_STATUS_WARNING): ";
    case QX_STATUS_INPUT_PARAM_ERROR: return " (QX_STATUS_INPUT_PARAM_ERROR): ";
    default: return ": ";
    }
}

std::string valueField(const char* name, long long value) {
    return std::string(name) + "=" + std::to_string(value) + ": ";
}

ExportFrame::ExportFrame(const char* name, const std::string& arguments,
                         const char* suffix, Access access)
    : m_name(name), m_access(access) {
    if (LogKindOn(CrToApi))
        WriteLog(std::string(name) + "(" + arguments + ")" + suffix, CrToApi, ApiLog);
}

ExportFrame::~ExportFrame() {
    if (m_holdsTurn) releaseExportTurn();
}

bool ExportFrame::refused(char* message, const std::string& valuesBefore) const {
    if (m_access == Access::Shared || m_holdsTurn) return false;
    const char* reason = nullptr;
    if (m_access == Access::Device && onEventDeliveryThread())
        reason = "Not allowed in an event callback";
    else if (!(m_holdsTurn = takeExportTurn()))
        reason = "Busy with another call";
    if (!reason) return false;
    reject(QX_STATUS_BUSY, Failure, (valuesBefore + reason).c_str(), message, reason);
    return true;
}

std::string ExportFrame::resultLine(const char* outcome, short code,
                                    const std::string& tail, bool named) const {
    return std::string(m_name) + ": " + outcome + "! Returning " +
           std::to_string(code) + (named ? codeSeparator(code) : ": ") + tail;
}

bool ExportFrame::notInitiated(char* message, const std::string& valuesBefore) const {
    if (g_bApiInitiated) return false;
    WriteLog2(resultLine("Failed", QX_STATUS_ERROR, valuesBefore + "Not initiated"),
              Error, ApiLog, ErrorLog);
    setMessage(message, "Not initiated");
    return true;
}

short ExportFrame::finish(short code, const std::string& tail) const {
    if (code == QX_STATUS_OK) {
        if (LogKindOn(Debug)) WriteLog(resultLine("Ok", code, tail), Debug, ApiLog);
    } else {
        WriteLog2(resultLine("Failed", code, tail, false), Failure, ApiLog, ErrorLog);
    }
    return code;
}

short ExportFrame::reject(short code, int kind, const char* logText, char* message,
                          const char* messageText) const {
    WriteLog2(resultLine("Failed", code, logText), kind, ApiLog, ErrorLog);
    setMessage(message, messageText);
    return code;
}

short ExportFrame::warn(short code, const char* text, char* message) const {
    WriteLog2(resultLine("Warning", code, text), Error, ApiLog, ErrorLog);
    setMessage(message, text);
    return code;
}

}  // namespace qxapi
