// session_exports.cpp - loginQX, loginStrQX, logoutQX, isOpenQX and
// infoQX: opening the device for an operator, closing it, and asking
// whether it is open and what it supports.
#include <string>

#include "api/export_frame.h"
#include "core/cqxlogics.h"
#include "logging/caller_text.h"

using qxapi::ExportFrame;
using qxapi::OutInt;
using qxapi::OutText;
using qxapi::valueField;

QX_EXPORT short QXAPI loginQX(short user, short password, char* message) {
    const ExportFrame frame("loginQX", std::to_string(user) + ", " +
                                           std::to_string(password) + ", message");
    return frame.guarded(message, [&](char* text) {
        return g_theLogics.login(user, password, text);
    });
}

QX_EXPORT short QXAPI loginStrQX(const char* user, const char* password, char* message) {
    const ExportFrame frame("loginStrQX", std::string(textOrEmpty(user)) + ", " +
                                              textOrEmpty(password) + ", message");
    // Null texts go on as null: the core reads them as its default number.
    return frame.guarded(message, [&](char* text) {
        return g_theLogics.login(user, password, text);
    });
}

QX_EXPORT short QXAPI logoutQX(char* message) {
    return ExportFrame("logoutQX", "message").guarded(message, [](char* text) {
        return g_theLogics.logout(text);
    });
}

QX_EXPORT short QXAPI isOpenQX(int* open, char* message) {
    const ExportFrame frame("isOpenQX", "open, message", "", qxapi::Access::Shared);
    OutInt value(open);
    if (frame.notInitiated(message, "open=0: ")) {
        *value.get() = 0;
        return QX_STATUS_ERROR;
    }
    OutText text(message);
    const short code = g_theLogics.isOpen(value.get(), text.get());
    return frame.finish(code, valueField("open", value.value()) + text.get());
}

QX_EXPORT short QXAPI infoQX(int* level, char* commands, char* master, char* info,
                             char* message) {
    const ExportFrame frame("infoQX", "level, commands, master, info, message", "",
                            qxapi::Access::Shared);
    OutInt value(level);
    if (frame.notInitiated(message, "level=0: ")) {
        *value.get() = 0;
        for (char* out : {commands, master, info}) copyToCaller(out, "");
        return QX_STATUS_ERROR;
    }
    OutText text(message);
    const short code = g_theLogics.info(value.get(), commands, master, info, text.get());
    return frame.finish(code, valueField("level", value.value()) + text.get());
}
