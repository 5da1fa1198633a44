// api_loader.h - loading the shared library and the device simulator at
// run time, as a till application does, and resolving their entries.
//
// The test programs of the exported interface link neither library: they
// set their environment (QXLOGS, QXCONFIG) first, because the library
// writes its start banner while it loads, and then call loadApi().  Both
// modules stay loaded until the process ends; the library later loads the
// same simulator module by name and so shares its state with the tests.
#ifndef QX_API_LOADER_H
#define QX_API_LOADER_H

#include <string>

#include "qxlogics.h"
#include "sim/qxsim.h"

#define QXT_EXPORT_NAMES(X)                                                      \
    X(initQX) X(exitQX) X(changeSettingsQX) X(registerEventsQX)                  \
    X(registerEvents2QX) X(registerEvents3QX) X(registerEvents23QX)              \
    X(registerHwndQX) X(enablePayinQX) X(disablePayinQX) X(depositQX)            \
    X(dispenseQX) X(askPayoutQX) X(askPayout2QX) X(payoutQX) X(payout2QX)        \
    X(amountDueQX) X(changeQX) X(regretQX) X(resetQX) X(getErrorInfoQX)          \
    X(getCashLevelInfoQX) X(getLevelWarningInfoQX) X(getCashSessionInfoQX)       \
    X(loginQX) X(loginStrQX) X(logoutQX) X(isOpenQX) X(infoQX)

#define QXT_SIM_NAMES(X)                                                         \
    X(qxsim_reset) X(qxsim_set_option) X(qxsim_insert) X(qxsim_inject_callback)          \
    X(qxsim_wait_idle) X(qxsim_commands) X(qxsim_override_answer) X(qxsim_level)         \
    X(qxsim_set_level) X(qxsim_total_value) X(qxsim_cash_box) X(qxsim_load_config)      \
    X(qxsim_refuse_initiate) X(qxsim_set_thresholds)

namespace qxtest {

#define QXT_POINTER_MEMBER(name) decltype(&::name) name = nullptr;

// The 29 exports, with the exact types of include/qxlogics.h.
struct QxExports {
    QXT_EXPORT_NAMES(QXT_POINTER_MEMBER)
};

// The simulator's control entries (sim/qxsim.h).
struct SimControl {
    QXT_SIM_NAMES(QXT_POINTER_MEMBER)
};

#undef QXT_POINTER_MEMBER

struct LoadedApi {
    QxExports qx;
    SimControl sim;
    std::string logDir;  // QXLOGS as it was when the library loaded
};

// True once loadApi() has succeeded in this process.
bool apiLoaded();

// Loads the simulator and then the library from this program's directory
// (once per process) and resolves every entry.  Null, with the reason in
// error, when a module or an entry is missing.
const LoadedApi* loadApi(std::string& error);

// Any symbol of the loaded library by its plain name; null when absent.
void* findLibrarySymbol(const char* name);

// The directory of the running test program, with a trailing separator.
std::string programDirectory();

}  // namespace qxtest

#endif  // QX_API_LOADER_H
