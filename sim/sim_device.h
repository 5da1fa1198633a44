// sim_device.h - the model of a note and coin recycler that the simulator
// runs: its state, its cash, its answers to commands and the callbacks it
// reports them with.  One device per process.
#ifndef QX_SIM_DEVICE_H
#define QX_SIM_DEVICE_H

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim/sim_inventory.h"
#include "sim/sim_pump.h"

namespace qxsim {

// Behaviour knobs (qxsim_set_option); documented in sim/README.md.  The
// line's pace and a cash move's busy time start from QXSIM_MS_PER_CHAR and
// QXSIM_BUSY_MS when those are set.
struct Options {
    Options();
    int callbackDelayMs = 0;
    int msPerChar = 1;  // a report takes this per character on the line
    int busyMs = 20;
    int dropVerify = 0;
    int dropCallbacks = 0;  // the next N reports are lost on the way
    bool noBusyReport = false;
    bool closeLeavesThread = false;  // the close entry returns before its thread ends
    int callbackThreads = 1;         // threads that deliver the reports
    bool inlineCallbacks = false;    // reports due at once go out inside the send entry
    int initiateResult = 0;
    std::string initiateAnswer;  // empty: "Cannot open port <name>"
    int masterVersion = 123;
};

class Device {
public:
    explicit Device(CallbackPump& pump) : m_pump(pump) {}

    // ---- The device entries' side (sim_device.cpp) ------------------------
    // Opening the port: 0, or the refusal result with its answer text.  The
    // first open after a reset stocks the device from the file named by
    // QXSIM_CONFIG, when that is set.
    int open(const std::string& portName, std::string& answer);
    // One command text in, the answer text out.
    std::string command(const std::string& text);
    // The callback thread stopped and its queue was dropped.
    void disconnected();
    // Whether closing leaves the callback thread to end by itself.
    bool closeLeavesThread();
    // Whether the send entry delivers the reports due at once itself, on
    // the caller's thread, before it returns.
    bool inlineCallbacks();

    // ---- The control entries' side (sim_controls.cpp) ---------------------
    // Back to a fresh device; the connection is left as it is.
    void reset();
    // 0 or -1 for an unknown name.
    int setOption(const std::string& name, int value);
    // Makes every open fail with result and answer, until result 0.
    void refuseOpen(int result, const std::string& answer);
    // Replaces the stock from a file; false with the reason.
    bool loadConfig(const std::string& path, std::string& reason);
    // 0, or -1 for an unknown denomination or thresholds out of order.
    int setThresholds(int denomination, int low, int empty, int high);
    int insert(int amount);
    int level(int denomination);
    int setLevel(int denomination, int count);
    long long totalValue();
    long long cashBox();
    std::string commandRecord(int* count);
    void overrideAnswer(char letter, const std::string& answer, int times);

private:
    struct Override {
        std::string answer;
        int times = 0;
    };

    std::string dispatch(const std::vector<std::string>& fields);
    std::string login();
    std::string logout();
    std::string setPayin(bool enabled);
    std::string askPayout(int amount);
    std::string dispense(int amount);
    std::string payout(int dispenseAmount, int depositAmount, const std::string& text);
    std::string payBack(int amount);
    std::string regretLast();
    std::string regretAll();
    std::string resetDevice();
    std::string verify();

    // The three digits of a status report, as the device stands now.
    int status() const;
    int mode() const { return m_open ? 1 : 0; }
    std::string report(char letter, const std::string& extInfo = std::string()) const;
    void post(const std::string& text);
    void post(CallbackPump::Item item);
    // Runs a cash-moving command: the busy report, the work (which returns
    // an error code, 0 when the cash moved), the cash-level reports it
    // caused, then, busy_ms later, the idle or error report.
    template <typename Work> std::string moveCash(Work work);
    std::vector<std::string> levelReports(const std::vector<int>& before, int amount,
                                          int status) const;
    // The cash-level text of one denomination in the given form.
    std::string levelText(LevelForm form, int denomination) const;
    std::vector<int> counts() const;
    void enterError(int code);
    void setStayBusy(bool on);
    // Busy at once, every command answered busy for ms, then idle again.
    void startBusySpell(int ms);
    void endBusy();

    CallbackPump& m_pump;
    std::mutex m_mutex;
    Options m_options;
    Inventory m_inventory;
    bool m_open = false;
    bool m_payinEnabled = false;
    bool m_stayBusy = false;
    int m_busyCommands = 0;      // cash moves and busy spells not yet over
    bool m_configPending = true;  // QXSIM_CONFIG not yet applied
    int m_errorCode = 0;
    int m_paidIn = 0;
    std::vector<int> m_inserted;  // items of the current customer
    long long m_cashBox = 0;
    long long m_sessionPaidOut = 0;
    long long m_sessionDeposited = 0;
    std::map<char, Override> m_overrides;
    std::vector<std::string> m_commands;
};

}  // namespace qxsim

#endif  // QX_SIM_DEVICE_H
