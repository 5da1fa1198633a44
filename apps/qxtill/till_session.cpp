// till_session.cpp - calling the exports, printing their outcome, and
// receiving events by callbacks or by window messages.
#include "till_session.h"

#include <atomic>

#include "qxlogics.h"
#include "till_format.h"

namespace till {
namespace {

// The callbacks carry no context pointer: they reach the inbox of the one
// session through this.
std::atomic<EventInbox*> g_callbackInbox{nullptr};

void deliver(const TillEvent& event) {
    if (EventInbox* inbox = g_callbackInbox.load()) inbox->push(event);
}

void QXAPI onStatus(int amount, short status, short mode) {
    TillEvent e;
    e.kind = EventKind::Status;
    e.amount = amount;
    e.status = status;
    e.mode = mode;
    deliver(e);
}

void QXAPI onError(int errorCode, const char* errorText, const char* extInfo) {
    TillEvent e;
    e.kind = EventKind::Error;
    e.errorCode = errorCode;
    e.text = errorText ? errorText : "";
    e.extInfo = extInfo ? extInfo : "";
    deliver(e);
}

void QXAPI onCashLevel(int denomination, int numberOf, const char* extInfo) {
    TillEvent e;
    e.kind = EventKind::CashLevel;
    e.denomination = denomination;
    e.count = numberOf;
    e.extInfo = extInfo ? extInfo : "";
    deliver(e);
}

void QXAPI onLevelWarning(int warningType, int denomination, int numberOf,
                          const char* typeString, const char* denominationString,
                          const char* warningMessage, const char* extInfo) {
    TillEvent e;
    e.kind = EventKind::LevelWarning;
    e.warningType = warningType;
    e.denomination = denomination;
    e.count = numberOf;
    e.typeString = typeString ? typeString : "";
    e.denominationString = denominationString ? denominationString : "";
    e.text = warningMessage ? warningMessage : "";
    e.extInfo = extInfo ? extInfo : "";
    deliver(e);
}

void QXAPI onCashSession(short infoType, int amount, const char* extInfo) {
    TillEvent e;
    e.kind = EventKind::CashSession;
    e.infoType = infoType;
    e.amount = amount;
    e.extInfo = extInfo ? extInfo : "";
    deliver(e);
}

// A message buffer of the documented capacity, always terminated.
struct Buffer {
    char text[QX_BUFFER_CAPACITY] = "";
    operator char*() { return text; }
};

constexpr int kSettleTimeoutMs = 3000;
// How long no callback must come for the events of the reports so far to be in.
constexpr int kQuietMs = 20;

}  // namespace

Session::Session(std::ostream& out, const Options& options, Customer& customer)
    : m_out(out), m_options(options), m_customer(customer) {}

Session::~Session() {
    if (m_initiated) exit();
    g_callbackInbox.store(nullptr);
    m_window.reset();
}

Outcome Session::report(const std::string& call, short code, const char* message, int rest) {
    ++m_calls;
    Outcome outcome;
    outcome.code = code;
    outcome.message = message ? message : "";
    outcome.rest = rest < 0 ? 0 : rest;
    m_out << "    " << call << " -> " << formatResult(code, outcome.message);
    if (rest >= 0) m_out << " (rest " << formatMoney(rest) << ")";
    m_out << "\n";
    settle();
    return outcome;
}

bool Session::expect(const Outcome& outcome, short expected) {
    if (outcome.code == expected) return true;
    ++m_unexpected;
    m_out << "    !! UNEXPECTED: expected " << codeAndName(expected) << ", got "
          << codeAndName(outcome.code) << "\n";
    return false;
}

void Session::complain(const std::string& what) {
    ++m_unexpected;
    m_out << "    !! " << what << "\n";
}

Outcome Session::registerEvents() {
    Buffer message;
    if (m_options.delivery == Delivery::Callbacks) {
        g_callbackInbox.store(&m_inbox);
        short code = registerEvents23QX(onStatus, onError, onCashLevel, onLevelWarning,
                                        onCashSession, message);
        return report("registerEvents23QX(5 callbacks)", code, message);
    }
    std::string error;
    m_window = openEventWindow([this](const Notice& n) { onNotice(n); }, error);
    if (!m_window) {
        m_out << "    cannot open the event window: " << error << "\n";
        Outcome failed;
        failed.code = QX_STATUS_ERROR;
        failed.message = error;
        return failed;
    }
    short code = registerHwndQX(m_window->handle(), message);
    return report("registerHwndQX(window)", code, message);
}

Outcome Session::init() {
    Buffer message;
    std::string port = portSettings(m_options);
    short code = initQX(port.c_str(), "", message);
    if (code == QX_STATUS_OK) m_initiated = true;
    return report("initQX(\"" + port + "\", \"\")", code, message);
}

Outcome Session::exit() {
    Buffer message;
    short code = exitQX(message);
    if (code == QX_STATUS_OK) m_initiated = false;
    return report("exitQX", code, message);
}

Outcome Session::login(short user, short password) {
    Buffer message;
    short code = loginQX(user, password, message);
    return report("loginQX(" + std::to_string(user) + ", " + std::to_string(password) + ")",
                  code, message);
}

Outcome Session::logout() {
    Buffer message;
    return report("logoutQX", logoutQX(message), message);
}

Outcome Session::enablePayin() {
    Buffer message;
    return report("enablePayinQX", enablePayinQX(message), message);
}

Outcome Session::disablePayin() {
    Buffer message;
    return report("disablePayinQX", disablePayinQX(message), message);
}

Outcome Session::amountDue(int due) {
    Buffer message;
    int rest = 0;
    short code = amountDueQX(due, "sale", &rest, message);
    return report("amountDueQX(" + std::to_string(due) + ")", code, message, rest);
}

Outcome Session::dispense(int amount) {
    Buffer message;
    int rest = 0;
    short code = dispenseQX(amount, "refund", &rest, message);
    return report("dispenseQX(" + std::to_string(amount) + ")", code, message, rest);
}

Outcome Session::regretAll() {
    Buffer message;
    return report("regretQX(1)", regretQX(1, message), message);
}

Outcome Session::reset() {
    Buffer message;
    return report("resetQX", resetQX(message), message);
}

Outcome Session::isOpen(int& open) {
    Buffer message;
    open = 0;
    short code = isOpenQX(&open, message);
    return report("isOpenQX -> open=" + std::to_string(open), code, message);
}

Outcome Session::info(int& level, std::string& commands, std::string& master) {
    Buffer message, commandText, masterText, infoText;
    level = 0;
    short code = infoQX(&level, commandText, masterText, infoText, message);
    commands = commandText.text;
    master = masterText.text;
    return report("infoQX -> level=" + std::to_string(level) + " commands=\"" + commands +
                      "\" master=\"" + master + "\" info=\"" + infoText.text + "\"",
                  code, message);
}

void Session::settle() {
    m_customer.waitIdle(kSettleTimeoutMs);
    if (m_window && !m_window->fence(kSettleTimeoutMs))
        m_out << "    (window messages still in flight)\n";
    // Callbacks come from the driver's own thread, a moment after the
    // device's reports: until they stop coming.
    if (!m_window) m_inbox.waitQuiet(kQuietMs, kSettleTimeoutMs);
    for (TillEvent& event : m_inbox.take()) {
        if (event.viaWindow) fetchDetails(event);
        m_out << "      " << describeEvent(event) << "\n";
        const std::string meaning = explainEvent(event);
        if (!meaning.empty()) m_out << "        = " << meaning << "\n";
    }
}

void Session::onNotice(const Notice& notice) {
    TillEvent e;
    switch (notice.kind) {
        case NoticeKind::Status:
            e = statusFromWindow(notice.wParam, notice.lParam);
            break;
        case NoticeKind::Error:
            e.kind = EventKind::Error;
            e.errorCode = static_cast<int>(notice.lParam);
            break;
        case NoticeKind::CashLevel:
            e.kind = EventKind::CashLevel;
            e.count = static_cast<int>(notice.wParam);
            e.denomination = static_cast<int>(notice.lParam);
            break;
        case NoticeKind::CashSession:
            e.kind = EventKind::CashSession;
            e.infoType = static_cast<int>(notice.wParam);
            e.amount = static_cast<int>(notice.lParam);
            break;
    }
    e.viaWindow = true;
    m_inbox.push(e);
}

void Session::fetchDetails(TillEvent& event) {
    Buffer text, ext, typeString, denominationString;
    switch (event.kind) {
        case EventKind::Error:
            getErrorInfoQX(text, ext);
            event.text = text.text;
            event.extInfo = ext.text;
            break;
        case EventKind::CashLevel: {
            int warningType = 0;
            getLevelWarningInfoQX(&warningType, typeString, denominationString, text, ext);
            event.warningType = warningType;
            event.typeString = typeString.text;
            event.denominationString = denominationString.text;
            event.text = text.text;
            event.extInfo = ext.text;
            break;
        }
        case EventKind::CashSession:
            getCashSessionInfoQX(ext);
            event.extInfo = ext.text;
            break;
        default:
            break;
    }
}

}  // namespace till
