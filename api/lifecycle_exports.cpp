// lifecycle_exports.cpp - initQX and exitQX: opening and closing the
// library's session with the device, and the API-level initiated flag.
#include <string>

#include "api/api_state.h"
#include "api/export_frame.h"
#include "core/cqxlogics.h"
#include "logging/caller_text.h"
#include "logging/log.h"
#include "settings/settings_strings.h"

using qxapi::ExportFrame;

namespace {

// Only RS232 ports are driven; USB and CAN are known but not implemented.
short checkPortType(const char* portSettings, char* message) {
    std::string ignored;
    const std::string type = getSettingsTag("Type:", portSettings, ignored);
    if (type == "RS232") return QX_STATUS_OK;
    if (type == "USB" || type == "CAN") {
        setMessage(message, "Port type not implemented");
        return QX_STATUS_ERROR;
    }
    setMessage(message, "portSettings invalid");
    return QX_STATUS_INPUT_PARAM_ERROR;
}

}  // namespace

QX_EXPORT short QXAPI initQX(const char* portSettings, const char* initSettings,
                             char* message) {
    const ExportFrame frame("initQX", std::string(textOrEmpty(portSettings)) + ", " +
                                          textOrEmpty(initSettings) + ", message");
    if (frame.refused(message)) return QX_STATUS_BUSY;
    if (g_bApiInitiated) return frame.warn(QX_STATUS_WARNING, "Already initiated", message);
    // A null text is an application fault (kind Error); an empty one a
    // configuration slip (kind Failure).
    if (!portSettings || !*portSettings) {
        return frame.reject(QX_STATUS_INPUT_PARAM_ERROR, portSettings ? Failure : Error,
                            "portSettings is empty", message, "portSettings is empty");
    }
    return frame.call(message, [&](char* text) {
        short result = checkPortType(portSettings, text);
        if (result == QX_STATUS_OK) {
            result = g_theLogics.init(portSettings, textOrEmpty(initSettings), text);
        }
        if (result == QX_STATUS_OK) g_bApiInitiated = true;
        return result;
    });
}

QX_EXPORT short QXAPI exitQX(char* message) {
    // exitQX may be called from inside an event callback: it takes the turn
    // like any call, and closes the device without waiting for a report.
    const ExportFrame frame("exitQX", "message", "", qxapi::Access::Session);
    return frame.guarded(message, [](char* text) {
        const short result = g_theLogics.exit(text);
        if (result == QX_STATUS_OK) g_bApiInitiated = false;
        return result;
    });
}
