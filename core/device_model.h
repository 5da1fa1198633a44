// device_model.h - the library's model of the attached device.
//
// The callback handler writes these variables on the device library's
// thread; the operations on the application's thread poll them every 10 ms.
// Integers and flags are atomics (relaxed: no ordering between them is
// relied on); the shared texts hold a lock only for a copy or comparison.
// All of them are defined in device_model.cpp and nowhere else, from one
// table of their initial values.
#ifndef QX_DEVICE_MODEL_H
#define QX_DEVICE_MODEL_H

#include <atomic>
#include <string>

#include "core/shared_text.h"
#include "link/callbacks_in_progress.h"  // g_nCallbacksInProgress, read with the model

// Device states (g_QXState), index into the state-name table.
enum {
    QXS_UNINITIATED = 0,
    QXS_LOGGED_OUT = 1,
    QXS_PAYIN_ENABLED = 2,
    QXS_PAYIN_DISABLED = 3,
    QXS_CASH_DEPOSITED = 4
};
constexpr int kStateCount = 5;
// "Uninitiated", "Logged Out", ...; "" for an index out of range.
const char* stateName(int state);

// Low-level warning states (g_nCurrentLowLevelWarningState).
enum {
    LOW_LEVEL_WARNING_FALSE = 0,
    LOW_LEVEL_WARNING_FALSE_PENDING = 1,
    LOW_LEVEL_WARNING_TRUE_PENDING = 2,
    LOW_LEVEL_WARNING_TRUE = 3
};
// "LOW_LEVEL_WARNING_FALSE", ...; "" for a value out of range.
const char* lowLevelWarningName(int state);

// Device status digits (g_nLastCallbackStatus).
enum {
    QX_DEVICE_NOTHING_YET = -1,
    QX_DEVICE_IDLE_PAYIN_ENABLED = 0,
    QX_DEVICE_BUSY = 1,
    QX_DEVICE_ERROR = 2,
    QX_DEVICE_IDLE_PAYIN_DISABLED = 3
};

extern std::atomic<int> g_QXState;
extern std::atomic<int> g_nLastCallbackStatus;
extern std::atomic<int> g_nLastCallbackMode;
extern std::atomic<int> g_nLastCallbackAmount;
extern std::atomic<int> g_nLastRestAmount;
extern std::atomic<char> g_chLastCommand;
extern std::atomic<bool> g_bIsOpen;
extern std::atomic<bool> g_bForceNextStatusEvent;
extern std::atomic<int> g_nCurrentLowLevelWarningState;
extern std::atomic<bool> g_bPayoutInProgress;
extern std::atomic<bool> g_bAskPayoutDone;
extern std::atomic<int> g_nAskPayoutAmount;

// Shared texts.  They live on the heap and are never destroyed, so the
// core's destructor may still use them while the library unloads.
extern SharedText& g_strLastCallbackCommand;
extern SharedText& g_strPreviousCallback;
extern SharedText& g_strMasterVersion;
extern SharedText& g_strSupportedCommands;

// The values the waits read, as the model holds them now, under a command
// letter (cut to fit); with the verify texts when asked.  The callback
// handler records one after each callback; the waits take one of the
// current values, which carries no sequence: it is no recorded report.
struct DeviceReport;
DeviceReport snapshotDeviceModel(const std::string& command, bool withVerifyTexts);

// A new connection to the device: the status, mode and open flag an
// earlier connection reported no longer hold, and a wait must not end on
// them before the device has reported anew.
void forgetEarlierConnection();

// Test support: every variable back to its initial value, and an empty
// record of reports.
void resetDeviceModelForTesting();

#endif  // QX_DEVICE_MODEL_H
