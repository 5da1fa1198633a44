// dispense.cpp - DispenseChange and DispenseCash (the total of its
// counts: the device pays amounts and picks the denominations itself),
// synchronously or, with AsyncMode, on a thread of the service object's
// own that reports its end with StatusUpdateEvent CHAN_STATUS_ASYNC.
// While that thread pays, every method that needs the device answers
// OPOS_E_BUSY (checkEnabled); disabling, releasing and closing wait for
// it to end.
#include "opos/cash_count_text.h"
#include "opos/opos_codes.h"
#include "opos/result_map.h"
#include "opos/service.h"

namespace qxopos {

// Asks the device first, so that an amount it cannot pay is refused
// before anything moves; a payment that succeeds also leaves Cash
// Deposited.  Runs on the control object's thread or the payment thread.
short Service::pay(long amount, const char* text) {
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    int rest = 0;
    short result = withBusyRetry(
        [&] { return driver.askPayout2(static_cast<int>(amount), &rest, message); });
    if (result == QX_STATUS_OK)
        result = withBusyRetry(
            [&] { return driver.dispense(static_cast<int>(amount), text, &rest, message); });
    if (result == QX_STATUS_OK) {
        m_cashDeposited = false;
        nothingPaidIn();
    }
    countPayment(result, amount);
    return result;
}

void Service::countPayment(short driverCode, long amount) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (driverCode == QX_STATUS_NOT_POSSIBLE) m_statistics.add(kStatOverDispenses);
    if (driverCode == QX_STATUS_OK) {
        m_statistics.add(kStatDispenses);
        m_statistics.add(kStatDispensedAmount, amount);
    }
}

long Service::payNowOrLater(long amount, const char* text) {
    if (m_asyncMode) return startPayment(amount, text);
    const short result = pay(amount, text);
    return finishDriver(result, true);
}

long Service::dispenseChange(long amount) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        idle = m_phase == Phase::Idle;
    }
    if (amount <= 0 || !idle) return finish(opos::kIllegal);
    return payNowOrLater(amount, "DispenseChange");
}

long Service::dispenseCash(const std::string& cashCounts) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    long long total = 0;
    if (!totalOfCashCounts(cashCounts, m_settings.currencyCashList, total) || total <= 0 ||
        total > 99999999)
        return finish(opos::kIllegal);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_phase != Phase::Idle) return finish(opos::kIllegal);
    }
    return payNowOrLater(static_cast<long>(total), "DispenseCash");
}

// OutputID names the payment; AsyncResultCode and AsyncResultCodeExtended
// hold its outcome when CHAN_STATUS_ASYNC comes.
long Service::startPayment(long amount, const char* text) {
    waitForPayment();
    m_paymentAmount = amount;
    m_paymentText = text;
    m_paying = true;
    m_payment = CreateThread(nullptr, 0, paymentThread, this, 0, nullptr);
    if (!m_payment) {
        m_paying = false;
        return finish(opos::kFailure);
    }
    ++m_outputId;
    return finish(opos::kSuccess);
}

DWORD WINAPI Service::paymentThread(void* self) {
    Service& service = *static_cast<Service*>(self);
    const short result = service.pay(service.m_paymentAmount, service.m_paymentText);
    service.noteLost(result);
    const OposResult outcome = fromPayingDriver(result);
    if (result == QX_STATUS_SEND_FAILED || result == QX_STATUS_TIMEOUT) {
        std::lock_guard<std::mutex> lock(service.m_mutex);
        service.m_statistics.add(kStatCommunicationErrors);
    }
    service.m_asyncResultCode = outcome.code;
    service.m_asyncResultCodeExtended = outcome.extended;
    service.m_paying = false;
    service.postStatus(opos::CHAN_STATUS_ASYNC);
    return 0;
}

// Called on the control object's thread; the payment thread never waits
// for it, so this wait ends.
void Service::waitForPayment() {
    if (!m_payment) return;
    WaitForSingleObject(m_payment, INFINITE);
    CloseHandle(m_payment);
    m_payment = nullptr;
}

}  // namespace qxopos
