// till_books.cpp - the shift's record and its cash summary.
#include "till_books.h"

#include <iomanip>

#include "till_format.h"

namespace till {
namespace {

void row(std::ostream& out, const char* what, const std::string& value) {
    out << "  " << std::left << std::setw(30) << what << std::right << std::setw(12) << value
        << "\n";
}

}  // namespace

void Books::sale(int due, int paidIn, int changeGiven) {
    ++m_sales;
    m_takings += due;
    m_paidIn += paidIn;
    m_change += changeGiven;
}

void Books::regret(int returned) {
    ++m_regrets;
    m_paidIn += returned;
    m_returned += returned;
}

void Books::backOffice(long long takenOut) { m_backOffice += takenOut; }

void Books::refund(int paidOut) {
    ++m_refundCount;
    m_refunds += paidOut;
}

bool Books::balances(long long deviceBefore, long long deviceAfter) const {
    if (deviceBefore < 0 || deviceAfter < 0) return true;
    return deviceAfter - deviceBefore == netCash();
}

void Books::summary(std::ostream& out, long long deviceBefore, long long deviceAfter) const {
    out << "Cash summary\n";
    row(out, ("sales settled: " + std::to_string(m_sales)).c_str(), formatMoney(m_takings));
    row(out, "cash paid in", formatMoney(m_paidIn));
    row(out, "change given", formatMoney(m_change));
    row(out, ("sales regretted: " + std::to_string(m_regrets)).c_str(), formatMoney(m_returned));
    row(out, ("refunds: " + std::to_string(m_refundCount)).c_str(), formatMoney(m_refunds));
    if (m_backOffice != 0) row(out, "taken out by the back office", formatMoney(m_backOffice));
    row(out, "net cash of the shift", formatMoney(netCash()));
    if (deviceBefore < 0 || deviceAfter < 0) {
        out << "  (the device library cannot report the cash it holds)\n";
        return;
    }
    row(out, "device held at start", formatMoney(deviceBefore));
    row(out, "device holds now", formatMoney(deviceAfter));
    out << (balances(deviceBefore, deviceAfter)
                ? "  the device's cash matches the till's books\n"
                : "  !! the device's cash does not match the till's books\n");
}

}  // namespace till
