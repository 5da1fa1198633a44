// till_demo.cpp - a scripted shift a newcomer can watch: open the till,
// log in, three sales (exact payment, payment with change, a customer who
// regrets), a refund, a low-cash warning, a device error and its reset,
// log out, close; then the cash summary.
#include "till_demo.h"

#include <functional>

#include "qxlogics.h"
#include "till_books.h"
#include "till_format.h"
#include "till_session.h"

namespace till {
namespace {

class Shift {
public:
    Shift(std::ostream& out, const Options& options, Customer& customer)
        : m_out(out), m_customer(customer), m_session(out, options, customer) {}

    int run();

private:
    void step(const char* title) { m_out << "\n[" << ++m_step << "] " << title << "\n"; }
    bool call(const Outcome& outcome, short expected = QX_STATUS_OK) {
        return m_session.expect(outcome, expected);
    }
    void customerInserts(int amount);
    void sale(int due, int paid);
    void regrettedSale(int due, int paid);
    void refund(int amount);
    void lowCash();
    void errorAndReset();

    std::ostream& m_out;
    Customer& m_customer;
    Session m_session;
    Books m_books;
    int m_step = 0;
    long long m_deviceStart = -1;
};

void Shift::customerInserts(int amount) {
    if (!m_customer.available()) {
        m_out << "    (no simulator: the customer would insert " << formatMoney(amount)
              << " now - skipped)\n";
        return;
    }
    m_out << "    customer inserts " << formatMoney(amount) << "\n";
    if (!m_customer.insert(amount)) m_session.complain("the device did not take the cash");
    m_session.settle();
}

void Shift::sale(int due, int paid) {
    if (!call(m_session.enablePayin())) return;
    customerInserts(paid);
    if (!m_customer.available()) return;
    Outcome settled = m_session.amountDue(due);
    if (call(settled)) m_books.sale(due, paid, paid - due - settled.rest);
}

void Shift::regrettedSale(int due, int paid) {
    if (!call(m_session.enablePayin())) return;
    customerInserts(paid);
    m_out << "    the customer changes their mind: all cash back (" << formatMoney(due)
          << " stays unpaid)\n";
    if (call(m_session.regretAll()) && m_customer.available()) m_books.regret(paid);
}

void Shift::refund(int amount) {
    if (!call(m_session.disablePayin())) return;
    Outcome paidOut = m_session.dispense(amount);
    if (call(paidOut)) m_books.refund(amount - paidOut.rest);
}

void Shift::lowCash() {
    const int coin = 200;
    if (!m_customer.available()) {
        m_out << "    (no simulator: a low-cash warning comes when the device runs low)\n";
        return;
    }
    long long held = m_customer.totalValue();
    m_customer.setLevel(coin, 6);
    long long takenOut = held - m_customer.totalValue();
    m_books.backOffice(takenOut);
    m_out << "    the back office empties the " << formatMoney(coin) << " coins down to 6 (takes "
          << formatMoney(takenOut) << " out); a refund of " << formatMoney(2 * coin)
          << " takes two\n";
    const int levelsBefore = m_session.inbox().count(EventKind::CashLevel);
    Outcome paidOut = m_session.dispense(2 * coin);
    if (call(paidOut)) m_books.refund(2 * coin - paidOut.rest);
    if (!m_session.inbox().waitForMore(EventKind::CashLevel, levelsBefore, 2000))
        m_session.complain("no cash-level event arrived");
}

void Shift::errorAndReset() {
    if (!m_customer.available()) {
        m_out << "    (no simulator: no fault can be staged - skipped)\n";
        return;
    }
    m_out << "    the device reports a fault (a note jam)\n";
    m_customer.fault(1);
    m_session.settle();
    m_out << "    the till tries to take cash while the device is in error:\n";
    call(m_session.enablePayin(), QX_STATUS_ERROR);
    m_out << "    the operator clears the jam and resets the device:\n";
    call(m_session.reset());
}

int Shift::run() {
    m_deviceStart = m_customer.totalValue();
    step("Open the till: register for events, initialise the driver");
    if (!call(m_session.registerEvents()) || !call(m_session.init())) {
        m_out << "\nThe till cannot open the device; the shift is off.\n";
        return 1;
    }
    step("The operator logs in");
    if (call(m_session.login(1, 1))) {
        int open = 0, level = 0;
        std::string commands, master;
        call(m_session.isOpen(open));
        call(m_session.info(level, commands, master));
    }
    step("Sale 1: 12.50 due, the customer pays exactly");
    sale(1250, 1250);
    step("Sale 2: 7.30 due, the customer pays 10.00 and gets 2.70 change");
    sale(730, 1000);
    step("Sale 3: 45.00 due, the customer inserts 20.00 and regrets");
    regrettedSale(4500, 2000);
    step("Refund of 5.00 for a returned item");
    refund(500);
    step("Low cash");
    lowCash();
    step("A device error and its reset");
    errorAndReset();
    step("The operator logs out");
    call(m_session.logout());
    step("Close the till");
    call(m_session.exit());

    long long after = m_customer.totalValue();
    m_out << "\n";
    m_books.summary(m_out, m_deviceStart, after);
    const EventInbox& inbox = m_session.inbox();
    m_out << "  events received: " << inbox.total() << " (status "
          << inbox.count(EventKind::Status) << ", error " << inbox.count(EventKind::Error)
          << ", cash level " << inbox.count(EventKind::CashLevel) << ", level warning "
          << inbox.count(EventKind::LevelWarning) << ", cash session "
          << inbox.count(EventKind::CashSession) << ")\n";
    bool balanced = m_books.balances(m_deviceStart, after);
    int unexpected = m_session.unexpected() + (balanced ? 0 : 1);
    m_out << "\nDemo finished: " << m_session.calls() << " calls, " << unexpected
          << (unexpected == 1 ? " unexpected result.\n" : " unexpected results.\n");
    return unexpected == 0 ? 0 : 1;
}

}  // namespace

int runDemo(std::ostream& out, const Options& options, Customer& customer) {
    out << "qxtill demo: one shift at the till, events by "
        << (options.delivery == Delivery::Window ? "window messages" : "callbacks") << "\n";
    out << "Device library: " << customer.where() << "\n";
    if (!customer.available())
        out << "No simulator controls: the customer's steps are skipped.\n";
    Shift shift(out, options, customer);
    return shift.run();
}

}  // namespace till
