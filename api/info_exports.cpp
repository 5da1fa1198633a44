// info_exports.cpp - the four information exports: one queued error,
// cash-level, level-warning or cash-session entry per call, for
// applications that receive their events as window messages.  They have no
// message buffer, so their guard writes no out-parameter and their result
// lines show the values fetched.
#include <string>

#include "api/export_frame.h"
#include "core/cqxlogics.h"

using qxapi::ExportFrame;
using qxapi::OutInt;
using qxapi::OutText;

namespace {

const char* const kFromActiveX = " called from ActiveX API";
// The queues have their own lock: the queries run beside any other call.
constexpr qxapi::Access kShared = qxapi::Access::Shared;

std::string extInfoTail(const OutText& extInfo) {
    return std::string("extInfo=") + extInfo.get();
}

}  // namespace

QX_EXPORT short QXAPI getErrorInfoQX(char* errorText, char* extInfo) {
    const ExportFrame frame("getErrorInfoQX", "errorText, extInfo", kFromActiveX, kShared);
    if (frame.notInitiated(nullptr)) return QX_STATUS_ERROR;
    OutText error(errorText), ext(extInfo);
    const short code = g_theLogics.getErrorInfo(error.get(), ext.get());
    return frame.finish(code, std::string("errorText=") + error.get() + ": " +
                                  extInfoTail(ext));
}

QX_EXPORT short QXAPI getCashLevelInfoQX(char* extInfo) {
    const ExportFrame frame("getCashLevelInfoQX", "extInfo", kFromActiveX, kShared);
    if (frame.notInitiated(nullptr)) return QX_STATUS_ERROR;
    OutText ext(extInfo);
    const short code = g_theLogics.getCashLevelInfo(ext.get());
    return frame.finish(code, extInfoTail(ext));
}

QX_EXPORT short QXAPI getLevelWarningInfoQX(int* warningType, char* typeString,
                                            char* denominationString,
                                            char* warningMessage, char* extInfo) {
    const ExportFrame frame("getLevelWarningInfoQX", "extInfo", kFromActiveX, kShared);
    if (frame.notInitiated(nullptr)) return QX_STATUS_ERROR;
    OutInt type(warningType);
    OutText typeText(typeString), denomination(denominationString),
        warning(warningMessage), ext(extInfo);
    const short code = g_theLogics.getLevelWarningInfo(
        type.get(), typeText.get(), denomination.get(), warning.get(), ext.get());
    if (code != QX_STATUS_OK) return frame.finish(code, extInfoTail(ext));
    return frame.finish(code, std::to_string(type.value()) + ", " + typeText.get() + ", " +
                                  denomination.get() + ", chWarningMessage=" +
                                  warning.get() + ", " + extInfoTail(ext));
}

QX_EXPORT short QXAPI getCashSessionInfoQX(char* extInfo) {
    const ExportFrame frame("getCashSessionInfoQX", "extInfo", kFromActiveX, kShared);
    if (frame.notInitiated(nullptr)) return QX_STATUS_ERROR;
    OutText ext(extInfo);
    const short code = g_theLogics.getCashSessionInfo(ext.get());
    return frame.finish(code, extInfoTail(ext));
}
