// sim_device.cpp - what the simulated recycler does: opening the port, each
// command and how it reports it.  Commands run on the caller's thread under
// the device lock; their reports are queued on the callback pump.  What the
// tests do to the device from outside is in sim_controls.cpp.
#include "sim/sim_device.h"

#include <cstdlib>

#include "sim/sim_config.h"
#include "sim/sim_texts.h"

namespace qxsim {

namespace {

const char FS = '\x1C';
const char* const ANSWER_OK = "000";
const char* const ANSWER_BUSY = "001";
const char* const ANSWER_ERROR = "002";
const char* const ANSWER_CLOSED = "003";
const int ERROR_PAYOUT_FAILED = 12;

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char ch : text) {
        if (ch == FS) fields.emplace_back();
        else fields.back() += ch;
    }
    return fields;
}

int field(const std::vector<std::string>& fields, std::size_t index) {
    return index < fields.size() ? std::atoi(fields[index].c_str()) : 0;
}

int fromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

// Length of a status report, for one composed only when it is delivered.
const std::size_t STATUS_TEXT_LENGTH = 11;

}  // namespace

// A real line at 9600 baud carries about one character per millisecond.
Options::Options()
    : msPerChar(fromEnvironment("QXSIM_MS_PER_CHAR", 1)),
      busyMs(fromEnvironment("QXSIM_BUSY_MS", 20)) {}

// ---- Cash moves -------------------------------------------------------------

template <typename Work> std::string Device::moveCash(Work work) {
    std::vector<int> before = counts();
    bool reportBusy = !m_options.noBusyReport;
    int busyAmount = m_paidIn;
    if (reportBusy) post(statusText('a', busyAmount, 1, mode()));

    int failure = work();
    if (failure) m_errorCode = failure;
    // Level reports ride with the busy status while the device pays.
    std::vector<std::string> texts =
        levelReports(before, reportBusy ? busyAmount : m_paidIn, reportBusy ? 1 : status());
    texts.push_back(failure ? report('b', errorText(failure)) : report('a'));

    bool holdsBusy = m_options.busyMs > 0;
    if (holdsBusy) ++m_busyCommands;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        CallbackPump::Item item;
        item.text = texts[i];
        item.delayMs = m_options.callbackDelayMs + (i == 0 ? m_options.busyMs : 0);
        if (holdsBusy && i + 1 == texts.size()) {
            item.before = [this] { endBusy(); };
        }
        post(std::move(item));
    }
    return ANSWER_OK;
}

// ---- The connection ---------------------------------------------------------

int Device::open(const std::string& portName, std::string& answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_options.initiateResult != 0) {
        answer = m_options.initiateAnswer.empty() ? "Cannot open port " + portName
                                                  : m_options.initiateAnswer;
        return m_options.initiateResult;
    }
    const char* path = std::getenv(SIM_CONFIG_VARIABLE);
    if (m_configPending && path && *path) {
        Inventory::Stocks stocks;
        std::string reason;
        // A device that cannot read its stock does not come up.
        if (!loadStockConfig(path, stocks, reason)) {
            answer = "Config: " + reason;
            return 1;
        }
        m_inventory.replace(stocks);
    }
    m_configPending = false;
    answer = "Port open";
    return 0;
}

void Device::disconnected() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // The discarded callbacks will never end their busy periods.
    m_busyCommands = 0;
}

bool Device::inlineCallbacks() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options.inlineCallbacks;
}

bool Device::closeLeavesThread() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options.closeLeavesThread;
}

// ---- Commands ---------------------------------------------------------------

std::string Device::command(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commands.push_back(text);
    auto found = text.empty() ? m_overrides.end() : m_overrides.find(text[0]);
    if (found != m_overrides.end() && found->second.times > 0) {
        --found->second.times;
        return found->second.answer;
    }
    if (m_stayBusy || m_busyCommands > 0) return ANSWER_BUSY;
    return dispatch(splitFields(text));
}

std::string Device::dispatch(const std::vector<std::string>& fields) {
    const std::string& letter = fields[0];
    if (letter == "x") return verify();
    if (letter == "a") return login();
    if (letter == "b") return logout();
    if (letter == "e" && field(fields, 1) == 3) return resetDevice();
    if (letter.size() != 1 || std::string("cdefgh").find(letter) == std::string::npos)
        return ANSWER_ERROR;
    if (!m_open) return ANSWER_CLOSED;
    if (m_errorCode) return ANSWER_ERROR;
    switch (letter[0]) {
    case 'h': return setPayin(true);
    case 'g': return setPayin(false);
    case 'd': return askPayout(field(fields, 1));
    case 'c': return dispense(field(fields, 1));
    case 'f':
        return payout(field(fields, 1), field(fields, 2), fields.size() > 3 ? fields[3] : "");
    default: break;
    }
    switch (field(fields, 1)) {
    case 1: return payBack(m_paidIn);
    case 2: return regretLast();
    case 4: return regretAll();
    default: return ANSWER_ERROR;
    }
}

std::string Device::login() {
    m_open = true;
    m_sessionPaidOut = m_sessionDeposited = 0;
    post(report('a'));
    return ANSWER_OK;
}

std::string Device::logout() {
    // The cash-register session closes with the totals it moved.
    if (m_sessionPaidOut > 0) post(report('b', sessionText("CR/WD", m_sessionPaidOut)));
    if (m_sessionDeposited > 0) post(report('b', sessionText("CR/RF", m_sessionDeposited)));
    m_sessionPaidOut = m_sessionDeposited = 0;
    m_open = false;
    m_payinEnabled = false;
    post(report('a'));
    return ANSWER_OK;
}

std::string Device::setPayin(bool enabled) {
    m_payinEnabled = enabled;
    post(report('a'));
    return ANSWER_OK;
}

std::string Device::askPayout(int amount) {
    Inventory::Plan plan = m_inventory.plan(amount);
    post(statusText('c', plan.rest, status(), mode()));
    if (plan.rest > 0) {
        // Which stock ran short: the largest denomination the rest could use.
        std::vector<int> denominations = m_inventory.denominations();
        int shortOf = denominations.back();
        for (int denomination : denominations) {
            if (denomination <= plan.rest) {
                shortOf = denomination;
                break;
            }
        }
        int left = m_inventory.count(shortOf);
        post(report('b', levelText(left <= m_inventory.emptyMark(shortOf) ? LevelForm::Empty
                                                                          : LevelForm::Low,
                                   shortOf)));
        post(report('a'));
    }
    return ANSWER_OK;
}

std::string Device::dispense(int amount) {
    return moveCash([this, amount] {
        Inventory::Plan plan = m_inventory.plan(amount);
        if (plan.rest > 0) return ERROR_PAYOUT_FAILED;
        m_inventory.pay(plan);
        m_sessionPaidOut += amount;
        m_paidIn = 0;
        m_inserted.clear();
        return 0;
    });
}

std::string Device::payout(int dispenseAmount, int depositAmount, const std::string& text) {
    // Without a regret-all command of its own a till sends an empty payout
    // named "regretAll"; the device understands it.
    if (dispenseAmount == 0 && depositAmount == 0 && text == "regretAll") return regretAll();
    return moveCash([this, dispenseAmount, depositAmount] {
        int booked = depositAmount < m_paidIn ? depositAmount : m_paidIn;
        Inventory::Plan plan = m_inventory.plan(dispenseAmount);
        if (plan.rest > 0) return ERROR_PAYOUT_FAILED;
        m_cashBox += booked;
        m_sessionDeposited += booked;
        m_paidIn -= booked;
        if (m_paidIn == 0) m_inserted.clear();
        m_inventory.pay(plan);
        m_sessionPaidOut += dispenseAmount;
        return 0;
    });
}

std::string Device::payBack(int amount) {
    if (amount <= 0) {
        post(report('a'));
        return ANSWER_OK;
    }
    return moveCash([this, amount] {
        Inventory::Plan plan = m_inventory.plan(amount);
        if (plan.rest > 0) return ERROR_PAYOUT_FAILED;
        m_inventory.pay(plan);
        m_paidIn = 0;
        m_inserted.clear();
        return 0;
    });
}

std::string Device::regretLast() {
    if (m_inserted.empty()) {
        post(report('a'));
        return ANSWER_OK;
    }
    return moveCash([this] {
        int item = m_inserted.back();
        m_inserted.pop_back();
        m_inventory.take(item);
        m_paidIn -= item;
        return 0;
    });
}

std::string Device::regretAll() {
    if (m_inserted.empty()) {
        post(report('a'));
        return ANSWER_OK;
    }
    return moveCash([this] {
        for (int item : m_inserted) m_inventory.take(item);
        m_inserted.clear();
        m_paidIn = 0;
        return 0;
    });
}

std::string Device::resetDevice() {
    bool wasInError = m_errorCode != 0;
    m_errorCode = 0;
    m_payinEnabled = false;
    post(report('a'));
    if (wasInError) post(report('b', "QuaxVault restarted"));
    return ANSWER_OK;
}

std::string Device::verify() {
    if (m_options.dropVerify > 0) {
        --m_options.dropVerify;
        return ANSWER_OK;
    }
    post(verifyText(m_options.masterVersion));
    return ANSWER_OK;
}

// ---- Reports ----------------------------------------------------------------

int Device::status() const {
    if (m_errorCode) return 2;
    return m_payinEnabled ? 0 : 3;
}

std::string Device::report(char letter, const std::string& extInfo) const {
    return statusText(letter, m_paidIn, status(), mode(), extInfo);
}

void Device::post(const std::string& text) {
    CallbackPump::Item item;
    item.text = text;
    item.delayMs = m_options.callbackDelayMs;
    post(std::move(item));
}

void Device::post(CallbackPump::Item item) {
    // Each report takes its time on the line, after the one before it.
    const std::size_t length = item.compose ? STATUS_TEXT_LENGTH : item.text.size();
    item.delayMs += m_options.msPerChar * static_cast<int>(length);
    if (m_options.dropCallbacks > 0) {
        --m_options.dropCallbacks;
        // A lost report still ends, in its time, the busy spell it closes.
        if (!item.before) return;
        item.lost = true;
    }
    m_pump.post(std::move(item));
}

std::vector<int> Device::counts() const {
    std::vector<int> result;
    for (int denomination : m_inventory.denominations())
        result.push_back(m_inventory.count(denomination));
    return result;
}

std::vector<std::string> Device::levelReports(const std::vector<int>& before, int amount,
                                              int reportedStatus) const {
    std::vector<std::string> reports;
    std::vector<int> denominations = m_inventory.denominations();
    for (std::size_t i = 0; i < denominations.size(); ++i) {
        LevelForm form = m_inventory.crossed(denominations[i], before[i]);
        if (form == LevelForm::Low || form == LevelForm::Empty)
            reports.push_back(statusText('b', amount, reportedStatus, mode(),
                                         levelText(form, denominations[i])));
    }
    return reports;
}

std::string Device::levelText(LevelForm form, int denomination) const {
    if (form == LevelForm::High) return highLevelText(denomination);
    // The empty form carries the count "00" whatever is left: below the
    // empty mark the device no longer pays that denomination reliably.
    return lowLevelText(form == LevelForm::Empty ? 0 : m_inventory.count(denomination),
                        denomination);
}

void Device::enterError(int code) {
    m_errorCode = code;
    post(report('b', errorText(code)));
}

void Device::startBusySpell(int ms) {
    if (ms <= 0) return;
    ++m_busyCommands;
    post(statusText('a', m_paidIn, 1, mode()));
    CallbackPump::Item idle;
    idle.delayMs = ms;
    idle.before = [this] { endBusy(); };
    // Whatever the customer did meanwhile shows in the idle report.
    idle.compose = [this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return report('a');
    };
    post(std::move(idle));
}

void Device::endBusy() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A reset or a close may already have ended every busy period.
    if (m_busyCommands > 0) --m_busyCommands;
}

void Device::setStayBusy(bool on) {
    if (on == m_stayBusy) return;
    m_stayBusy = on;
    post(on ? statusText('a', m_paidIn, 1, mode()) : report('a'));
}

}  // namespace qxsim
