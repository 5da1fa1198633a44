// till_books.h - the till's own record of the shift: sales settled, change
// given, sales regretted, refunds, cash the back office took out; and the cash summary printed at the end.
#ifndef QXTILL_BOOKS_H
#define QXTILL_BOOKS_H

#include <ostream>

namespace till {

class Books {
public:
    void sale(int due, int paidIn, int changeGiven);
    void regret(int returned);
    void refund(int paidOut);
    // Cash taken out of the device beside the till's own operations.
    void backOffice(long long takenOut);

    // What the cash in the device should have changed by.
    long long netCash() const { return m_paidIn - m_change - m_returned - m_refunds - m_backOffice; }
    long long takings() const { return m_takings; }
    int sales() const { return m_sales; }

    // The summary table; deviceBefore/After are the device's totals, or -1
    // when the device cannot say.
    void summary(std::ostream& out, long long deviceBefore, long long deviceAfter) const;
    // True when the device's change matches the books (or is unknown).
    bool balances(long long deviceBefore, long long deviceAfter) const;

private:
    int m_sales = 0, m_regrets = 0, m_refundCount = 0;
    long long m_takings = 0, m_paidIn = 0, m_change = 0, m_returned = 0, m_refunds = 0,
              m_backOffice = 0;
};

}  // namespace till

#endif  // QXTILL_BOOKS_H
