// service.h - the CashChanger service object behind the dispatch
// interface: the UnifiedPOS state model (open, claimed, enabled), the
// deposit and dispense operations on the driver, the properties, and the
// device reports that become events.  Methods run on the control object's
// thread; the driver's callbacks arrive on the driver's delivery thread
// and only update the model and queue events; an asynchronous dispense
// runs on a thread of its own while every method that needs the device
// answers OPOS_E_BUSY.
#ifndef QX_OPOS_SERVICE_H
#define QX_OPOS_SERVICE_H

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "opos/device_settings.h"
#include "opos/driver.h"
#include "opos/event_channel.h"
#include "opos/statistics.h"

namespace qxopos {

class Service {
public:
    Service();
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Lifecycle and state (service.cpp).
    long openService(const std::string& deviceClass, const std::string& deviceName,
                     IDispatch* controlObject);
    long closeService();
    long getOpenResult() const { return m_openResult; }
    long claimDevice(long timeout);
    long releaseDevice();
    long checkHealth(long level);
    long directIO(long command, long& data, std::string& text);
    long freezeEvents(bool freeze);

    // Properties (properties.cpp).
    long getPropertyNumber(long index);
    void setPropertyNumber(long index, long value);
    std::string getPropertyString(long index);
    void setPropertyString(long index, const std::string& value);

    // Cash (cash_methods.cpp).
    long beginDeposit();
    long pauseDeposit(long control);
    long fixDeposit();
    long endDeposit(long success);
    long dispenseChange(long amount);
    long clearInput();
    long dispenseCash(const std::string& cashCounts);
    long readCashCounts(std::string& cashCounts, bool& discrepancy);
    long adjustCashCounts(const std::string& cashCounts);
    long compareFirmwareVersion(const std::string& file, long& result);
    long updateFirmware(const std::string& file);
    long resetStatistics(const std::string& names);
    long retrieveStatistics(std::string& xml);
    long updateStatistics(const std::string& assignments);

    // Device reports, on the driver's delivery thread (device_reports.cpp).
    void onStatus(int amount, short status);
    void onError(int errorCode);
    void onLevelWarning(int warningType, int denomination, int numberOf);
    void onCashSession(short infoType, int amount, const std::string& text);

private:
    enum class Phase { Idle, Accepting, Paused, Fixed };
    enum class Level { Normal, Empty, Low, High };

    long finish(long code, long extended = 0);
    long finishDriver(short driverCode, bool paying = false);
    // Whether the driver's code says the session or the device is gone.
    void noteLost(short driverCode);
    long checkOpen();
    long checkClaimed();
    long checkEnabled();
    long claimWithin(DWORD wait);
    long setDeviceEnabled(bool enabled);
    short logIn(char* message);
    short loginOperator(char* message);
    short withBusyRetry(const std::function<short()>& call);
    long failOpen(long code, long openResult);
    void abandonOpen(bool joined);
    void postStatus(long value);
    void clearJam(short status);
    void countPaidIn(int amount, short status);
    void postDirectIO(long number, long amount, const char* text);
    void updateLevelStatus();
    void countDriverFailure(short driverCode);

    // The deposit's ends (deposit_end.cpp), on the control object's thread
    // (nothingPaidIn and leaveCashDeposited also on the payment thread).
    // The short ones answer the driver's code, bookDeposit the OPOS result.
    void nothingPaidIn();
    short leaveCashDeposited(char* message);
    short returnUncounted(char* message);
    void repayOpenDeposit();
    long bookDeposit(long counted, bool change);

    // Paying out (dispense.cpp): pay runs on the control object's thread
    // or, started by startPayment, on the payment thread, which answers in
    // the Async properties; waitForPayment (control object's thread only)
    // waits for that thread to end.
    short pay(long amount, const char* text);
    long startPayment(long amount, const char* text);
    long payNowOrLater(long amount, const char* text);
    static DWORD WINAPI paymentThread(void* self);
    void waitForPayment();
    void countPayment(short driverCode, long amount);

    // Fixed while open.
    Driver m_driver;
    DeviceSettings m_settings;
    std::string m_deviceName;
    std::shared_ptr<EventChannel> m_channel;
    HANDLE m_claim = nullptr;
    HANDLE m_idleReport = nullptr;
    long m_openResult = 0;
    bool m_joined = false;

    // Owned by the control object's thread.
    bool m_open = false;
    bool m_claimed = false;
    bool m_enabled = false;
    bool m_realTimeData = false;
    long m_resultCode = 0;
    long m_resultCodeExtended = 0;
    long m_autoDisable = 0;
    long m_binaryConversion = 0;
    std::string m_checkHealthText;
    Equipment m_equipment;
    bool m_asyncMode = false;
    long m_outputId = 0;

    // Written by the payment thread while a method answers OPOS_E_BUSY;
    // read by the control object's thread once m_paying is false.
    std::atomic<bool> m_paying{false};
    std::atomic<bool> m_cashDeposited{false};  // the driver in Cash Deposited
    std::atomic<bool> m_lost{false};           // session closed or device lost
    HANDLE m_payment = nullptr;
    long m_paymentAmount = 0;
    const char* m_paymentText = "";
    std::atomic<long> m_asyncResultCode{0};
    std::atomic<long> m_asyncResultCodeExtended{0};

    // Shared with the driver's delivery thread, under m_mutex.
    mutable std::mutex m_mutex;
    Phase m_phase = Phase::Idle;
    bool m_depositRealTime = false;
    long m_depositStatus = 0;
    long m_depositAmount = 0;
    long m_countedAmount = 0;
    long m_paidIn = 0;
    long m_baseline = 0;
    bool m_awaitingEnable = false;  // a deposit's counting waits for the enable's report
    bool m_jammed = false;
    bool m_selfReset = false;  // DirectIO's reset under way: it switches pay-in on again
    std::map<int, int> m_reportedCounts;  // denomination -> count of its last level report
    std::set<int> m_countsExact;          // reported since the last cash move
    bool m_cashBoxFull = false;
    long m_emptyStatus = 0;
    long m_fullStatus = 0;
    std::map<int, Level> m_levels;
    Statistics m_statistics;
};

}  // namespace qxopos

#endif  // QX_OPOS_SERVICE_H
