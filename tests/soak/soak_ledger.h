// soak_ledger.h - what the soak's till believes: the money it saw move,
// the customer's items still in the device, its copy of the paid-out list
// behind the per-time payout limit, and the texts it expects in the three
// information queues.  The soak compares each with the simulator and the
// library after every cycle.
#ifndef QX_SOAK_LEDGER_H
#define QX_SOAK_LEDGER_H

#include <deque>
#include <numeric>
#include <string>
#include <vector>

namespace qxtest {

// Money by what the till saw: cash in through the customer's inserts and
// back-office refills, cash out through operations that returned OK (or
// whose time-out the device's reports settled), deposits booked.
struct CashLedger {
    long long initialTotal = 0;
    long long inserted = 0;
    long long paidOut = 0;   // dispensed and paid out as change by amount
    long long returned = 0;  // handed back by change and regret
    long long refilled = 0;
    long long booked = 0;    // into the cash box
    // Per operator session, as the device reports them at logout.
    long long sessionPaidOut = 0;
    long long sessionBooked = 0;
    // The current customer's items, oldest first.
    std::vector<int> items;

    long long expectedTotal() const {
        return initialTotal + inserted - paidOut - returned + refilled;
    }
    int customerPaidIn() const { return std::accumulate(items.begin(), items.end(), 0); }

    void insertItem(int value) {
        items.push_back(value);
        inserted += value;
    }
    // A pay-out command that books `deposit` of what the customer paid and
    // pays `dispense`; the customer's items are settled with it.
    void payOut(int dispense, int deposit) {
        paidOut += dispense;
        sessionPaidOut += dispense;
        booked += deposit;
        sessionBooked += deposit;
        items.clear();
    }
    void giveBackAll() {
        returned += customerPaidIn();
        items.clear();
    }
    void giveBackLast() {
        if (items.empty()) return;
        returned += items.back();
        items.pop_back();
    }
};

// The till's copy of the paid-out list: an entry is added by every
// dispense or payout that passed the limit check while the limit was on.
// The window is longer than any soak, so nothing ages out.
struct PaidOutShadow {
    static constexpr int kOpenLimit = 99999999;
    long long sum = 0;
    long long limit = kOpenLimit;

    bool limitOn() const { return limit >= 1; }
    bool wouldExceed(long long net) const { return limitOn() && sum + net > limit; }
    void passed(long long net) {
        if (limitOn()) sum += net;
    }
};

// One expected entry of an information queue; text empty when only the
// event's numbers are known.
struct QueuedText {
    std::string text;
    long long number = 0;  // wParam of the event
    long long value = 0;   // lParam of the event
};

// The three queues as the events posted to the window predict them: a
// text is queued before its message is posted, and a full queue (100)
// drops the new text but still posts.
struct QueueShadow {
    static constexpr std::size_t kCapacity = 100;
    std::deque<QueuedText> errors, levels, sessions;
    int refused = 0;

    void push(std::deque<QueuedText>& queue, QueuedText entry) {
        if (queue.size() >= kCapacity) {
            ++refused;
            return;
        }
        queue.push_back(std::move(entry));
    }
};

}  // namespace qxtest

#endif  // QX_SOAK_LEDGER_H
