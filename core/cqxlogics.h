// cqxlogics.h - the core object CQXLogics: the one session of the library.
//
// g_theLogics is built when the library is loaded and destroyed when it is
// unloaded; the exports call its methods on the application's thread.  Its
// methods are defined across several sources, one per concern:
//   core/cqxlogics.cpp      construction, destruction, the paid-out list
//   core/waits.cpp          waitForStatus, waitForCallback, waitForMode
//   core/precheck.cpp       the pre-check frame of the device operations
//   core/lifecycle.cpp      init, initialize, exit, verifyQX, changeSettings
//   core/login.cpp          login, logout, isOpen, info
//   core/payin.cpp          enablePayin, disablePayin, deposit, change, amountDue
//   core/payout.cpp         askPayout, dispense, payout
//   core/regret_reset.cpp   regret, reset
//   core/info_queries.cpp   getErrorInfo, getCashLevelInfo, ...
//   events/registration.cpp registerBasicEvents, registerEvents*, registerHwnd
//   settings/ini_settings.cpp getIniFileSettings, restoreTemporarySettings
#ifndef QX_CQXLOGICS_H
#define QX_CQXLOGICS_H

#include <atomic>
#include <ctime>
#include <list>
#include <mutex>
#include <string>

#include "core/device_reports.h"
#include "qxlogics.h"
#include "settings/settings.h"

// What an operation tells its pre-check frame (core/precheck.h).
struct PreCheck;

class CQXLogics {
public:
    CQXLogics();
    ~CQXLogics();
    CQXLogics(const CQXLogics&) = delete;
    CQXLogics& operator=(const CQXLogics&) = delete;

    // ---- Lifecycle --------------------------------------------------------
    short init(const char* portSettings, const char* initSettings, char* message);
    short initialize(const char* portSettings, char* message);
    short changeSettings(const char* settings, short durationType, char* message);
    short verifyQX(int* verified, char* message);
    short exit(char* message);

    // ---- Settings -----------------------------------------------------------
    void getIniFileSettings();
    void restoreTemporarySettings();
    // Restores temporary settings when the last change was temporary.
    void restoreIfTemporary();
    CQXSettings& Settings() { return settings; }

    // ---- Event registration -------------------------------------------------
    short registerBasicEvents(QXStatusCallback status, QXErrorCallback error,
                              char* message);
    short registerEvents(QXStatusCallback status, QXErrorCallback error,
                         QXCashLevelCallback cashLevel, char* message);
    short registerEvents2(QXStatusCallback status, QXErrorCallback error,
                          QXCashLevelCallback cashLevel,
                          QXCashSessionCallback cashSession, char* message);
    short registerEvents3(QXStatusCallback status, QXErrorCallback error,
                          QXLevelWarningCallback levelWarning,
                          QXCashSessionCallback cashSession, char* message);
    short registerEvents23(QXStatusCallback status, QXErrorCallback error,
                           QXCashLevelCallback cashLevel,
                           QXLevelWarningCallback levelWarning,
                           QXCashSessionCallback cashSession, char* message);
    short registerHwnd(QX_HWND hwndMessageTo, char* message);

    // ---- Login, logout, status --------------------------------------------
    short login(short user, short password, char* message);
    short login(const char* user, const char* password, char* message);
    short logout(char* message);
    short isOpen(int* open, char* message);
    short info(int* level, char* commands, char* master, char* infoText,
               char* message);

    // ---- Pay-in -------------------------------------------------------------
    short enablePayin(char* message);
    short disablePayin(char* message);
    short deposit(const char* text, char* message);
    short change(char* message);
    short amountDue(int amountDue, const char* text, int* amountRest, char* message);

    // ---- Payout -------------------------------------------------------------
    short askPayout(int amount, char* message);
    short askPayout(int amount, int* amountRest, char* message);
    short dispense(int amount, const char* text, int* amountRest, char* message);
    short payout(int amountDispense, int amountDeposit, const char* text, char* message);
    short payout(int amountDispense, int amountDeposit, const char* text,
                 int* amountRest, char* message);

    // ---- Regret and reset ---------------------------------------------------
    short regret(short regretType, char* message);
    short reset(char* message);

    // ---- Information queries ------------------------------------------------
    short getErrorInfo(char* errorText, char* extInfo);
    short getCashLevelInfo(char* extInfo);
    short getLevelWarningInfo(int* warningType, char* typeString,
                              char* denominationString, char* warningMessage,
                              char* extInfo);
    short getCashSessionInfo(char* extInfo);

    // ---- Waiting primitives -------------------------------------------------
    short waitForStatus(int wanted, int timeoutMs);
    short waitForStatus(int wantedA, int wantedB, int timeoutMs);
    short waitForCallback(const char* command, int timeoutMs);
    short waitForMode(int wantedMode, int timeoutMs, bool ignoreError);

    // ---- Pre-check frame ----------------------------------------------------
    // Each returns QX_STATUS_OK to go on, or the code to return (message
    // and log lines written).
    short checkBusy(const PreCheck& op, char* message);
    short checkError(const PreCheck& op, char* message);
    short checkClosed(const PreCheck& op, char* message);
    short checkIdentified(const PreCheck& op, char* message);
    short checkState(const PreCheck& op, char* message);
    // checkBusy, checkError, checkClosed, checkIdentified (when asked for)
    // and checkState, in that order.
    short runPreChecks(const PreCheck& op, char* message);
    // Before a command: forget the previous callback, force the next status
    // event's log line, remember the command letter.
    void prepareCommand(char letter);

    // ---- Paid-out list ------------------------------------------------------
    void addToPaidOutList(int amount);
    void purgePaidOutList();
    long long sumPaidOutAmount() const;
    int paidOutCount() const { return m_nPaidOutCount; }

    // ---- Read-only views ----------------------------------------------------
    bool isInitiated() const { return m_bInitiated; }
    short getVerifyQXStatus() const { return verifyQXStatus; }
    int getQXLevel() const { return QXLevel; }
    std::string masterVersion() const;
    std::string supportedCommands() const;
    // The report that ended the last wait (or the model's values, when
    // those ended it): what an operation reads after its wait.
    const DeviceReport& lastWaitReport() const { return m_lastWaitReport; }

    // Test support: back to the state right after construction.
    void resetForTesting();

private:
    // At unload: waits, at most two seconds, for device threads still in
    // the callback handler, and logs how many there were.
    void waitForHandlersToLeave();

    // exit: stops the delivery thread - waiting for a running application
    // callback at most kCallbackEndsWithinMs, never on that callback's own
    // thread - and logs a wait; then gives back the library's extra
    // reference once nothing can run its code, or keeps it for good.  init
    // undoes its start when the device does not open.
    static constexpr int kCallbackEndsWithinMs = 5000;
    void stopDelivery();
    void letGoOfModuleWhenUnused();
    void letGoOfDeliveryAndModule();

    struct PaidOutEntry {
        std::time_t time;
        int amount;
    };

    // payout's full form; amountDue (amountDue's own amount, or null) is
    // range-checked after the state checks, the last check before sending.
    short payoutFull(int amountDispense, int amountDeposit, const char* text,
                     int* amountRest, char* message, const int* amountDue);
    // Whether dispense or payout asks the device first, with its trace.
    bool decideAskFirst(const char* method, const char* word, int amount);
    // Per-time limit; QX_STATUS_OK or QX_STATUS_LIMIT_EXCEEDED.
    short checkPayoutLimit(bool isPayout, int amountDispense, int amountDeposit,
                           char* message);
    // Pending low-level warning state before a paying command.
    void stepLowLevelWarning(const char* method);

    // What the queries read while another thread's call runs is atomic or
    // under m_identityMutex; the rest belongs to the call holding the turn.
    std::atomic<bool> m_bInitiated;
    CQXSettings settings;
    std::list<PaidOutEntry> m_paidOutList;  // newest first
    int m_nPaidOutCount;
    std::atomic<short> verifyQXStatus;
    std::atomic<int> QXLevel;
    mutable std::mutex m_identityMutex;  // the two texts below
    char m_szMasterVersion[6];
    char m_szSupportedCommands[38];
    DeviceReport m_lastWaitReport;
    bool m_bDeliveryEnded = true;  // the last stopped delivery thread was joined
    bool m_bKeptLoaded = false;    // the module's extra reference is kept for good
};

extern CQXLogics g_theLogics;

#endif  // QX_CQXLOGICS_H
