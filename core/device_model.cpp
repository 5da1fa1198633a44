// device_model.cpp - the one instance of the device model: every variable
// of core/device_model.h with its initial value, and the name tables of
// the device states and the low-level warning states.
#include "core/device_model.h"

#include <cstring>
#include <string>

#include "core/device_reports.h"

std::atomic<int> g_QXState{QXS_UNINITIATED};
std::atomic<int> g_nLastCallbackStatus{QX_DEVICE_NOTHING_YET};
std::atomic<int> g_nLastCallbackMode{-1};
std::atomic<int> g_nLastCallbackAmount{0};
std::atomic<int> g_nLastRestAmount{0};
std::atomic<char> g_chLastCommand{0};
std::atomic<bool> g_bIsOpen{false};
std::atomic<bool> g_bForceNextStatusEvent{true};
std::atomic<int> g_nCurrentLowLevelWarningState{LOW_LEVEL_WARNING_TRUE};
std::atomic<bool> g_bPayoutInProgress{false};
std::atomic<bool> g_bAskPayoutDone{false};
std::atomic<int> g_nAskPayoutAmount{0};
std::atomic<bool> g_bStatusFromDevice{false};

// Heap objects that are never freed: the core's destructor runs during
// static destruction and may still clear or read them.
SharedText& g_strLastCallbackCommand = *new SharedText;
SharedText& g_strPreviousCallback = *new SharedText;
SharedText& g_strMasterVersion = *new SharedText;
SharedText& g_strSupportedCommands = *new SharedText;

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
    g_bStatusFromDevice.store(false, std::memory_order_relaxed);
    g_bIsOpen.store(false, std::memory_order_relaxed);
}

void resetDeviceModelForTesting() {
    g_deviceReports.clear();
    g_QXState = QXS_UNINITIATED;
    g_nLastCallbackStatus = QX_DEVICE_NOTHING_YET;
    g_nLastCallbackMode = -1;
    g_nLastCallbackAmount = 0;
    g_nLastRestAmount = 0;
    g_chLastCommand = 0;
    g_bIsOpen = false;
    g_bForceNextStatusEvent = true;
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_TRUE;
    g_bPayoutInProgress = false;
    g_bAskPayoutDone = false;
    g_nAskPayoutAmount = 0;
    g_nCallbacksInProgress = 0;
    g_bStatusFromDevice = false;
    g_strLastCallbackCommand.clear();
    g_strPreviousCallback.clear();
    g_strMasterVersion.clear();
    g_strSupportedCommands.clear();
}
