// device_model.cpp - the one instance of the device model: every variable
// of core/device_model.h with its initial value, and the name tables of
// the device states and the low-level warning states.
#include "core/device_model.h"

#include <cstring>
#include <string>

#include "core/device_reports.h"

// Every variable of the model with its initial value, listed once: the
// definitions below and resetDeviceModelForTesting are both made from it.
#define QX_DEVICE_MODEL_ATOMICS(X)                                 \
    X(int, g_QXState, QXS_UNINITIATED)                             \
    X(int, g_nLastCallbackStatus, QX_DEVICE_NOTHING_YET)           \
    X(int, g_nLastCallbackMode, -1)                                \
    X(int, g_nLastCallbackAmount, 0)                               \
    X(int, g_nLastRestAmount, 0)                                   \
    X(char, g_chLastCommand, 0)                                    \
    X(bool, g_bIsOpen, false)                                      \
    X(bool, g_bForceNextStatusEvent, true)                         \
    X(int, g_nCurrentLowLevelWarningState, LOW_LEVEL_WARNING_TRUE) \
    X(bool, g_bPayoutInProgress, false)                            \
    X(bool, g_bAskPayoutDone, false)                               \
    X(int, g_nAskPayoutAmount, 0)
// The shared texts, all empty at first.
#define QX_DEVICE_MODEL_TEXTS(X) \
    X(g_strLastCallbackCommand)  \
    X(g_strPreviousCallback)     \
    X(g_strMasterVersion)        \
    X(g_strSupportedCommands)

#define QX_DEFINE_ATOMIC(type, name, initial) std::atomic<type> name{initial};
QX_DEVICE_MODEL_ATOMICS(QX_DEFINE_ATOMIC)
#undef QX_DEFINE_ATOMIC

// Heap objects that are never freed: the core's destructor runs during
// static destruction and may still clear or read them.
#define QX_DEFINE_TEXT(name) SharedText& name = *new SharedText;
QX_DEVICE_MODEL_TEXTS(QX_DEFINE_TEXT)
#undef QX_DEFINE_TEXT

namespace {

const char* const kStateNames[kStateCount] = {
    "Uninitiated", "Logged Out", "Payin Enabled", "Payin Disabled",
    "Cash Deposited"};

const char* const kLowLevelWarningNames[] = {
    "LOW_LEVEL_WARNING_FALSE", "LOW_LEVEL_WARNING_FALSE_PENDING",
    "LOW_LEVEL_WARNING_TRUE_PENDING", "LOW_LEVEL_WARNING_TRUE"};

}  // namespace

const char* stateName(int state) {
    return (state >= 0 && state < kStateCount) ? kStateNames[state] : "";
}

const char* lowLevelWarningName(int state) {
    return (state >= LOW_LEVEL_WARNING_FALSE && state <= LOW_LEVEL_WARNING_TRUE)
               ? kLowLevelWarningNames[state]
               : "";
}

namespace {

template <std::size_t N> void copyCut(char (&field)[N], const std::string& text) {
    std::strncpy(field, text.c_str(), N - 1);
    field[N - 1] = '\0';
}

}  // namespace

DeviceReport snapshotDeviceModel(const std::string& command, bool withVerifyTexts) {
    DeviceReport now;
    copyCut(now.command, command);
    now.status = g_nLastCallbackStatus.load(std::memory_order_relaxed);
    now.mode = g_nLastCallbackMode.load(std::memory_order_relaxed);
    now.amount = g_nLastCallbackAmount.load(std::memory_order_relaxed);
    now.rest = g_nLastRestAmount.load(std::memory_order_relaxed);
    if (withVerifyTexts) {
        copyCut(now.masterVersion, g_strMasterVersion.get());
        copyCut(now.supportedCommands, g_strSupportedCommands.get());
    }
    return now;
}

void forgetEarlierConnection() {
    g_nLastCallbackStatus.store(QX_DEVICE_NOTHING_YET, std::memory_order_relaxed);
    g_nLastCallbackMode.store(-1, std::memory_order_relaxed);
    g_bIsOpen.store(false, std::memory_order_relaxed);
}

void resetDeviceModelForTesting() {
    g_deviceReports.clear();
#define QX_RESET_ATOMIC(type, name, initial) name = initial;
    QX_DEVICE_MODEL_ATOMICS(QX_RESET_ATOMIC)
#undef QX_RESET_ATOMIC
#define QX_CLEAR_TEXT(name) name.clear();
    QX_DEVICE_MODEL_TEXTS(QX_CLEAR_TEXT)
#undef QX_CLEAR_TEXT
    g_nCallbacksInProgress = 0;
}
