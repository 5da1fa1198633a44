// api_loader.h - the library and the device simulator loaded at run time, as a till loads them,
// with their entries resolved.  Set QXLOGS and QXCONFIG first: the library logs as it loads.
#ifndef QX_API_LOADER_H
#define QX_API_LOADER_H

#include <string>

#include "qxlogics.h"
#include "sim/qxsim.h"

#define QXT_EXPORT_NAMES(X)                                                              \
    X(initQX) X(exitQX) X(changeSettingsQX) X(registerEventsQX) X(registerEvents2QX)     \
    X(registerEvents3QX) X(registerEvents23QX) X(registerHwndQX) X(enablePayinQX)        \
    X(disablePayinQX) X(depositQX) X(dispenseQX) X(askPayoutQX) X(askPayout2QX)          \
    X(payoutQX) X(payout2QX) X(amountDueQX) X(changeQX) X(regretQX) X(resetQX)           \
    X(getErrorInfoQX) X(getCashLevelInfoQX) X(getLevelWarningInfoQX)                     \
    X(getCashSessionInfoQX) X(loginQX) X(loginStrQX) X(logoutQX) X(isOpenQX) X(infoQX)
#define QXT_SIM_NAMES(X)                                                                 \
    X(qxsim_reset) X(qxsim_set_option) X(qxsim_insert) X(qxsim_inject_callback)          \
    X(qxsim_wait_idle) X(qxsim_commands) X(qxsim_override_answer) X(qxsim_level)         \
    X(qxsim_set_level) X(qxsim_total_value)
#define QXT_POINTER_MEMBER(name) decltype(&::name) name = nullptr;

namespace qxtest {

struct LoadedApi {
    struct { QXT_EXPORT_NAMES(QXT_POINTER_MEMBER) } qx;
    struct { QXT_SIM_NAMES(QXT_POINTER_MEMBER) } sim;
    std::string logDir;  // QXLOGS as the library loaded
};
using QxExports = decltype(LoadedApi::qx);
using SimControl = decltype(LoadedApi::sim);

// Loads the simulator, then the library (which opens that same simulator by name) from this
// program's folder, once per process; null, with the reason, when a module or entry is missing.
const LoadedApi* loadApi(std::string& error);
bool apiLoaded();
// This program's file and its folder (with a trailing separator).
std::string programPath();
std::string programDirectory();

}  // namespace qxtest

#endif  // QX_API_LOADER_H
