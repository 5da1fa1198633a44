// cash_methods.cpp - the deposit (BeginDeposit, PauseDeposit, FixDeposit,
// EndDeposit), ClearInput, the statistics, and the firmware methods the
// device cannot serve.
//
// Pay-in is on only between BeginDeposit and FixDeposit (PauseDeposit
// switches it off and on), so a dispense always finds the driver in Payin
// Disabled or Cash Deposited, where dispenseQX is allowed.
#include "opos/opos_codes.h"
#include "opos/service.h"

namespace qxopos {

long Service::beginDeposit() {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_phase != Phase::Idle || m_jammed) return finish(opos::kIllegal);
    }
    char message[QX_BUFFER_CAPACITY] = "";
    short result = leaveCashDeposited(message);
    if (result == QX_STATUS_OK) result = returnUncounted(message);
    if (result != QX_STATUS_OK) return finishDriver(result);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Counting starts with the enable's own report (onStatus).
        m_phase = Phase::Accepting;
        m_awaitingEnable = true;
        m_baseline = m_paidIn;
        m_countedAmount = 0;
        m_depositAmount = 0;
        m_depositRealTime = m_realTimeData;
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_START;
    }
    result = withBusyRetry([&] { return m_driver.call().enablePayin(message); });
    if (result != QX_STATUS_OK) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_phase = Phase::Idle;
        m_awaitingEnable = false;
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    }
    return finishDriver(result);
}

// PAUSE fixes DepositAmount at what was counted once pay-in is off, as
// FixDeposit does.
long Service::pauseDeposit(long control) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    const bool pause = control == opos::CHAN_DEPOSIT_PAUSE;
    if (!pause && control != opos::CHAN_DEPOSIT_RESTART) return finish(opos::kIllegal);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_phase != (pause ? Phase::Accepting : Phase::Paused)) return finish(opos::kIllegal);
        // Cash that arrives while pay-in is being switched off still counts.
        if (!pause) m_phase = Phase::Accepting;
    }
    char message[QX_BUFFER_CAPACITY] = "";
    const DriverEntries& driver = m_driver.call();
    short result = withBusyRetry(
        [&] { return pause ? driver.disablePayin(message) : driver.enablePayin(message); });
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (result == QX_STATUS_OK) m_phase = pause ? Phase::Paused : Phase::Accepting;
        else if (!pause) m_phase = Phase::Paused;
        if (result == QX_STATUS_OK && pause) m_depositAmount = m_countedAmount;
    }
    return finishDriver(result);
}

long Service::fixDeposit() {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    Phase phase;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        phase = m_phase;
    }
    if (phase != Phase::Accepting && phase != Phase::Paused) return finish(opos::kIllegal);
    if (phase == Phase::Accepting) {
        char message[QX_BUFFER_CAPACITY] = "";
        short result = withBusyRetry([&] { return m_driver.call().disablePayin(message); });
        if (result != QX_STATUS_OK) return finishDriver(result);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_phase = Phase::Fixed;
    m_depositAmount = m_countedAmount;
    m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    return finish(opos::kSuccess);
}

// NOCHANGE and CHANGE book the deposit (deposit_end.cpp); REPAY returns
// every item paid in.
long Service::endDeposit(long success) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    if (success != opos::CHAN_DEPOSIT_CHANGE && success != opos::CHAN_DEPOSIT_NOCHANGE &&
        success != opos::CHAN_DEPOSIT_REPAY)
        return finish(opos::kIllegal);
    long counted = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_phase != Phase::Fixed) return finish(opos::kIllegal);
        counted = m_countedAmount;
    }
    if (success != opos::CHAN_DEPOSIT_REPAY)
        return bookDeposit(counted, success == opos::CHAN_DEPOSIT_CHANGE);
    char message[QX_BUFFER_CAPACITY] = "";
    short result = QX_STATUS_OK;
    if (counted > 0) {
        result = withBusyRetry([&] { return m_driver.call().regret(1, message); });
    }
    if (result != QX_STATUS_OK) return finishDriver(result);
    nothingPaidIn();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.add(kStatRepays);
    m_phase = Phase::Idle;
    m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    return finish(opos::kSuccess);
}

long Service::clearInput() {
    if (checkClaimed() != opos::kSuccess) return m_resultCode;
    m_channel->clearData();
    return finish(opos::kSuccess);
}

// The device has no firmware commands.
long Service::compareFirmwareVersion(const std::string&, long& result) {
    result = 0;
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    return finish(opos::kIllegal);
}

long Service::updateFirmware(const std::string&) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    return finish(opos::kIllegal);
}

long Service::resetStatistics(const std::string& names) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    std::lock_guard<std::mutex> lock(m_mutex);
    const long result = m_statistics.reset(names);
    return finish(result, result == opos::kExtended ? opos::kStatisticsError : 0);
}

long Service::retrieveStatistics(std::string& xml) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    // The argument names the statistics and the answer replaces it.
    const std::string names = xml;
    std::lock_guard<std::mutex> lock(m_mutex);
    return finish(m_statistics.retrieve(names, m_equipment, xml));
}

long Service::updateStatistics(const std::string& assignments) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    std::lock_guard<std::mutex> lock(m_mutex);
    const long result = m_statistics.update(assignments);
    return finish(result, result == opos::kExtended ? opos::kStatisticsError : 0);
}

}  // namespace qxopos
