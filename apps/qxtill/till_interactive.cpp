// till_interactive.cpp - the typed till: each command becomes one or a few
// export calls; an open sale remembers what is due until enough cash is in.
#include "till_interactive.h"

#include <string>

#include "qxlogics.h"
#include "till_books.h"
#include "till_commands.h"
#include "till_format.h"
#include "till_session.h"

namespace till {
namespace {

// Denominations the simulated device may hold, largest first (minor units).
const int kDenominations[] = {50000, 20000, 10000, 5000, 2000, 1000, 500, 200,
                              100,   50,    20,    10,   5,    2,    1};

class Counter {
public:
    Counter(std::ostream& out, const Options& options, Customer& customer)
        : m_out(out), m_customer(customer), m_session(out, options, customer) {}

    bool open();
    // False when the cashier is done.
    bool handle(const Command& command);
    void close();

private:
    bool ok(const Outcome& outcome) { return outcome.code == QX_STATUS_OK; }
    void pay(int due);
    void insert(int amount);
    void regret();
    void refund(int amount);
    void status();
    void levels();

    std::ostream& m_out;
    Customer& m_customer;
    Session m_session;
    Books m_books;
    bool m_loggedIn = false;
    bool m_saleOpen = false;
    int m_due = 0;
    long long m_deviceAtStart = -1;
};

bool Counter::open() {
    m_deviceAtStart = m_customer.totalValue();
    return ok(m_session.registerEvents()) && ok(m_session.init());
}

void Counter::pay(int due) {
    if (m_saleOpen) {
        m_out << "a sale of " << formatMoney(m_due) << " is open: insert cash or regret first\n";
        return;
    }
    if (due == 0) {
        m_out << "nothing to pay\n";
        return;
    }
    if (!ok(m_session.enablePayin())) return;
    m_saleOpen = true;
    m_due = due;
    m_out << "sale of " << formatMoney(due) << ": waiting for the customer's cash"
          << (m_customer.available() ? " (insert AMOUNT)\n" : "\n");
}

void Counter::insert(int amount) {
    if (!m_customer.available()) {
        m_out << "no simulator: the customer inserts cash at the device itself\n";
        return;
    }
    if (!m_customer.insert(amount)) {
        m_out << "the device takes no cash now: start a sale with pay AMOUNT\n";
        return;
    }
    m_out << "customer inserts " << formatMoney(amount) << "\n";
    m_session.settle();
    if (!m_saleOpen) return;
    int paidIn = m_session.inbox().view().amount;
    m_out << "paid in " << formatMoney(paidIn) << " of " << formatMoney(m_due) << "\n";
    if (paidIn < m_due) return;
    Outcome settled = m_session.amountDue(m_due);
    if (!ok(settled)) return;
    int change = paidIn - m_due - settled.rest;
    m_books.sale(m_due, paidIn, change);
    m_saleOpen = false;
    m_out << "sale settled, change " << formatMoney(change);
    if (settled.rest > 0) m_out << " (" << formatMoney(settled.rest) << " could not be paid out)";
    m_out << "\n";
}

void Counter::regret() {
    int paidIn = m_session.inbox().view().amount;
    if (!ok(m_session.regretAll())) return;
    if (m_saleOpen) {
        m_books.regret(paidIn);
        m_saleOpen = false;
        m_out << "sale cancelled, " << formatMoney(paidIn) << " returned\n";
    }
}

void Counter::refund(int amount) {
    if (m_saleOpen) {
        m_out << "finish or regret the open sale first\n";
        return;
    }
    if (!ok(m_session.disablePayin())) return;
    Outcome paidOut = m_session.dispense(amount);
    if (ok(paidOut)) m_books.refund(amount - paidOut.rest);
}

void Counter::status() {
    int open = 0, level = 0;
    std::string commands, master;
    m_session.isOpen(open);
    m_session.info(level, commands, master);
    DeviceView view = m_session.inbox().view();
    if (view.seen)
        m_out << "device: " << deviceStatusName(view.status) << ", "
              << deviceModeName(view.mode) << ", paid in " << formatMoney(view.amount) << "\n";
    m_out << "operator " << (m_loggedIn ? "logged in" : "logged out") << "; ";
    if (m_saleOpen)
        m_out << "sale of " << formatMoney(m_due) << " open\n";
    else
        m_out << "no sale open\n";
    m_out << "shift so far: " << m_books.sales() << " sales, takings "
          << formatMoney(m_books.takings()) << ", net cash " << formatMoney(m_books.netCash())
          << "\n";
}

void Counter::levels() {
    if (!m_customer.available()) {
        m_out << "no simulator: the device reports its levels by cash-level events\n";
        return;
    }
    for (int denomination : kDenominations) {
        int count = m_customer.level(denomination);
        if (count >= 0) m_out << "  " << formatMoney(denomination) << ": " << count << "\n";
    }
    m_out << "  total " << formatMoney(m_customer.totalValue()) << "\n";
}

bool Counter::handle(const Command& command) {
    switch (command.verb) {
        case Verb::Empty: break;
        case Verb::Invalid: m_out << "?? " << command.error << "\n"; break;
        case Verb::Help: m_out << commandHelp(); break;
        case Verb::Login:
            if (ok(m_session.login(command.user, command.password))) m_loggedIn = true;
            break;
        case Verb::Logout:
            if (ok(m_session.logout())) m_loggedIn = false;
            break;
        case Verb::Pay: pay(command.amount); break;
        case Verb::Insert: insert(command.amount); break;
        case Verb::Regret: regret(); break;
        case Verb::Refund: refund(command.amount); break;
        case Verb::Status: status(); break;
        case Verb::Levels: levels(); break;
        case Verb::Reset: m_session.reset(); break;
        case Verb::Quit: return false;
    }
    return true;
}

void Counter::close() {
    if (m_loggedIn) m_session.logout();
    m_session.exit();
    m_books.summary(m_out, m_deviceAtStart, m_customer.totalValue());
}

}  // namespace

int runInteractive(std::istream& in, std::ostream& out, const Options& options,
                   Customer& customer) {
    out << "qxtill: events by "
        << (options.delivery == Delivery::Window ? "window messages" : "callbacks")
        << "; device library: " << customer.where() << "\n";
    Counter counter(out, options, customer);
    if (!counter.open()) {
        out << "the till cannot open the device\n";
        return 1;
    }
    out << "Type help for the commands; start with login.\n";
    std::string line;
    while (true) {
        out << "till> " << std::flush;
        if (!std::getline(in, line)) {
            out << "(end of input)\n";
            break;
        }
        if (!counter.handle(parseCommand(line))) break;
    }
    counter.close();
    out << "bye\n";
    return 0;
}

}  // namespace till
