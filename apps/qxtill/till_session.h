// till_session.h - the till's side of the library: it registers how events
// arrive, calls the exports, prints each call with its status code and
// message, and prints the events that arrived in between.  Every export
// is called from the till's own thread, window mode included: the window
// thread only queues the messages, and the texts behind them are fetched
// here with the get*InfoQX exports.
#ifndef QXTILL_SESSION_H
#define QXTILL_SESSION_H

#include <memory>
#include <ostream>
#include <string>

#include "till_customer.h"
#include "till_events.h"
#include "till_options.h"
#include "till_platform.h"

namespace till {

struct Outcome {
    short code = 0;
    std::string message;
    int rest = 0;  // amountRest where the export has one
};

class Session {
public:
    Session(std::ostream& out, const Options& options, Customer& customer);
    ~Session();

    // Each call prints itself, its code and message, then the events that
    // arrived meanwhile.
    Outcome registerEvents();
    Outcome init();
    Outcome exit();
    Outcome login(short user, short password);
    Outcome logout();
    Outcome enablePayin();
    Outcome disablePayin();
    Outcome amountDue(int due);
    Outcome dispense(int amount);
    Outcome regretAll();
    Outcome reset();
    Outcome isOpen(int& open);
    Outcome info(int& level, std::string& commands, std::string& master);

    // Lets the device finish, then prints the events that arrived.
    void settle();
    const EventInbox& inbox() const { return m_inbox; }

    // Exports called so far.
    int calls() const { return m_calls; }
    // Prints a warning and counts it when outcome is not expected.
    bool expect(const Outcome& outcome, short expected);
    // Prints a shortfall that is not a call's code, and counts it too.
    void complain(const std::string& what);
    int unexpected() const { return m_unexpected; }

private:
    Outcome report(const std::string& call, short code, const char* message, int rest = -1);
    void fetchDetails(TillEvent& event);
    void onNotice(const Notice& notice);

    std::ostream& m_out;
    Options m_options;
    Customer& m_customer;
    EventInbox m_inbox;
    std::unique_ptr<EventWindow> m_window;
    bool m_initiated = false;
    int m_calls = 0;
    int m_unexpected = 0;
};

}  // namespace till

#endif  // QXTILL_SESSION_H
