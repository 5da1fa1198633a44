// deposit_end.cpp - how a deposit ends and the next one finds the driver
// ready: booking exactly what the till was told, leaving the driver's
// Cash Deposited (where it refuses pay-in) once the change is settled,
// returning cash the device holds that no deposit counted, and repaying a
// deposit the till abandons by disabling, releasing or closing.
#include "opos/opos_codes.h"
#include "opos/service.h"

namespace qxopos {
namespace {

// DirectIOEvent numbers of this service object (the device's cash
// sessions use 0-4): pData the amount, pString the text.
constexpr long kEventDepositRepaid = 10;
constexpr long kEventUncountedReturned = 11;

}  // namespace

// After a booking, a repay or a dispense the device holds nothing as paid
// in.  Its own report says so too, but the driver does not pass on a
// report that comes while it is still handing a cash command over.
void Service::nothingPaidIn() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paidIn = 0;
    m_baseline = 0;
}

// A dispense of nothing is the driver's way out of Cash Deposited.
short Service::leaveCashDeposited(char* message) {
    if (!m_cashDeposited) return QX_STATUS_OK;
    int rest = 0;
    const short result =
        withBusyRetry([&] { return m_driver.call().dispense(0, "EndDeposit", &rest, message); });
    if (result == QX_STATUS_OK) m_cashDeposited = false;
    return result;
}

// Cash the device holds as paid in that no deposit counted (a deposit
// whose repay failed, cash left in by another program) goes back before
// the next customer's deposit can be booked with it.
short Service::returnUncounted(char* message) {
    long held = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        held = m_paidIn;
    }
    if (held <= 0) return QX_STATUS_OK;
    const short result = withBusyRetry([&] { return m_driver.call().regret(1, message); });
    if (result != QX_STATUS_OK) return result;
    nothingPaidIn();
    postDirectIO(kEventUncountedReturned, held, "Uncounted cash returned");
    return QX_STATUS_OK;
}

// Disabling, releasing or closing in a deposit ends it as REPAY: pay-in
// off, everything paid in back to the customer, and the till told how
// much went back (0 with the driver's message when the repay failed: the
// next BeginDeposit returns that cash).
void Service::repayOpenDeposit() {
    Phase phase = Phase::Idle;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        phase = m_phase;
    }
    if (phase == Phase::Idle) return;
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    if (phase == Phase::Accepting || phase == Phase::Paused)
        withBusyRetry([&] { return driver.disablePayin(message); });
    long held = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        held = m_paidIn;
    }
    short result = QX_STATUS_OK;
    if (held > 0) {
        result = withBusyRetry([&] { return driver.regret(1, message); });
        if (result == QX_STATUS_OK) nothingPaidIn();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (result == QX_STATUS_OK) m_statistics.add(kStatRepays);
        m_phase = Phase::Idle;
        m_depositAmount = 0;
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    }
    postDirectIO(kEventDepositRepaid, result == QX_STATUS_OK ? held : 0,
                 result == QX_STATUS_OK ? "Deposit repaid" : message);
}

// NOCHANGE and CHANGE: depositQX books what the device holds as paid in,
// which is what the till was told; a device that holds more than that
// (cash that was there when pay-in went on) cannot book the deposit
// exactly, so everything goes back and the till is told.  NOCHANGE then leaves Cash
// Deposited at once; CHANGE leaves it to DispenseChange or the next
// BeginDeposit.  Called with the deposit fixed.
long Service::bookDeposit(long counted, bool change) {
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    long held = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        held = m_paidIn;
    }
    if (held > counted) {
        const short result = withBusyRetry([&] { return driver.regret(1, message); });
        if (result != QX_STATUS_OK) return finishDriver(result);
        nothingPaidIn();
        postDirectIO(kEventUncountedReturned, held, "Deposit repaid: the device held more");
        std::lock_guard<std::mutex> lock(m_mutex);
        m_statistics.add(kStatRepays);
        m_phase = Phase::Idle;
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
        return finish(opos::kFailure);
    }
    if (counted > 0) {
        short result = withBusyRetry([&] { return driver.deposit("EndDeposit", message); });
        if (result != QX_STATUS_OK) return finishDriver(result);
        nothingPaidIn();
        m_cashDeposited = true;
        if (!change) leaveCashDeposited(message);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.add(kStatDeposits);
    m_statistics.add(kStatDepositedAmount, counted);
    m_phase = Phase::Idle;
    m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    return finish(opos::kSuccess);
}

}  // namespace qxopos
