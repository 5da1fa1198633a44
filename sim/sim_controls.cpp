// sim_controls.cpp - what tests, the demo till and benchmarks do to the
// simulated device from outside (the control entries of qxsim.h): reset it,
// turn its knobs, stock it, insert cash, refuse the port, and read its
// stock and the commands it received.  Each takes the device lock.
#include "sim/sim_device.h"

#include "sim/sim_config.h"
#include "sim/sim_texts.h"

namespace qxsim {

void Device::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pump.discardPending();
    m_pump.setThreadCount(1);
    m_options = Options();
    m_inventory.restoreDefaults();
    m_open = m_payinEnabled = m_stayBusy = false;
    m_busyCommands = m_errorCode = m_paidIn = 0;
    m_configPending = true;
    m_inserted.clear();
    m_cashBox = m_sessionPaidOut = m_sessionDeposited = 0;
    m_overrides.clear();
    m_commands.clear();
}

int Device::setOption(const std::string& name, int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (name == "callback_delay_ms") m_options.callbackDelayMs = value;
    else if (name == "busy_ms") m_options.busyMs = value;
    else if (name == "ms_per_char") m_options.msPerChar = value;
    else if (name == "drop_verify") m_options.dropVerify = value;
    else if (name == "drop_callbacks") m_options.dropCallbacks = value;
    else if (name == "no_busy_report") m_options.noBusyReport = value != 0;
    else if (name == "close_leaves_thread") m_options.closeLeavesThread = value != 0;
    else if (name == "callback_threads") {
        if (value < 1) return -1;
        m_options.callbackThreads = value;
        m_pump.setThreadCount(value);
    } else if (name == "inline_callbacks") m_options.inlineCallbacks = value != 0;
    else if (name == "initiate_result") {
        m_options.initiateResult = value;
        m_options.initiateAnswer.clear();
    } else if (name == "low_level_threshold") m_inventory.setLowForAll(value);
    else if (name == "high_level_threshold") m_inventory.setHighForAll(value);
    else if (name == "master_version") m_options.masterVersion = value;
    else if (name == "stay_busy") setStayBusy(value != 0);
    else if (name == "busy_for_ms") startBusySpell(value);
    else if (name == "error_code") {
        if (value > 0) enterError(value);
        else m_errorCode = 0;
    } else if (name == "bo_withdraw") {
        m_cashBox -= value;
        post(report('b', sessionText("BO/WD", value)));
    } else if (name == "bo_refill") {
        m_cashBox += value;
        post(report('b', sessionText("BO/RF", value)));
    } else {
        return -1;
    }
    return 0;
}

void Device::refuseOpen(int result, const std::string& answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options.initiateResult = result;
    m_options.initiateAnswer = answer;
}

bool Device::loadConfig(const std::string& path, std::string& reason) {
    Inventory::Stocks stocks;
    if (!loadStockConfig(path, stocks, reason)) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inventory.replace(stocks);
    m_configPending = false;
    return true;
}

int Device::setThresholds(int denomination, int low, int empty, int high) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inventory.setThresholds(denomination, low, empty, high) ? 0 : -1;
}

void Device::overrideAnswer(char letter, const std::string& answer, int times) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overrides[letter] = Override{answer, times};
}

int Device::insert(int amount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_payinEnabled || m_errorCode || amount <= 0) return -1;
    std::vector<int> before = counts();
    for (int item : splitIntoItems(amount, m_inventory.denominations())) {
        m_inventory.add(item);
        m_inserted.push_back(item);
    }
    m_paidIn += amount;
    post(report('a'));
    std::vector<int> denominations = m_inventory.denominations();
    for (std::size_t i = 0; i < denominations.size(); ++i) {
        LevelForm form = m_inventory.crossed(denominations[i], before[i]);
        if (form == LevelForm::High) post(report('b', levelText(form, denominations[i])));
    }
    return 0;
}

int Device::level(int denomination) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inventory.count(denomination);
}

int Device::setLevel(int denomination, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inventory.setCount(denomination, count) ? 0 : -1;
}

long long Device::totalValue() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inventory.totalValue();
}

long long Device::cashBox() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cashBox;
}

std::string Device::commandRecord(int* count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string record;
    for (const std::string& text : m_commands) record += text + '\n';
    *count = static_cast<int>(m_commands.size());
    return record;
}

}  // namespace qxsim
