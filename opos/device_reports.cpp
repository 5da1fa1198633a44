// device_reports.cpp - what the device reports, turned into the service
// object's model and its events: the paid-in amount of status reports
// becomes DepositAmount and DataEvents; error reports a jam or a full cash
// box; cash-level reports the empty and full states; cash sessions
// DirectIOEvents.  Runs on the device library's thread: it never calls
// the driver and never waits for the event thread.
#include "opos/device_reports.h"
#include "opos/opos_codes.h"
#include "opos/process_session.h"
#include "opos/service.h"

namespace qxopos {
namespace {

// The device's error codes that are a jam (notes, coins) and a full cash box.
constexpr int kNoteJam = 1;
constexpr int kCoinJam = 2;
constexpr int kCashBoxFull = 3;
// Cash-level warning types and the refill cash session.
constexpr int kWarningEmpty = 1;
constexpr int kWarningLow = 2;
constexpr int kWarningHigh = 3;
constexpr short kSessionRefill = 1;
// DirectIOEvent of this service object: a jam cleared in a deposit left
// pay-in off; PauseDeposit(RESTART) switches it on again.
constexpr long kEventPayinStopped = 12;
// Device status digits.
constexpr short kDeviceIdleEnabled = 0;
constexpr short kDeviceBusy = 1;
constexpr short kDeviceError = 2;
constexpr short kDeviceIdleDisabled = 3;

void QXAPI onStatusReport(int amount, short status, short) {
    forEachMember([&](Service& service) { service.onStatus(amount, status); });
}
void QXAPI onErrorReport(int errorCode, const char*, const char*) {
    forEachMember([&](Service& service) { service.onError(errorCode); });
}
// Cash levels come twice, as a level and as a warning: the warning alone is read.
void QXAPI onCashLevelReport(int, int, const char*) {}
void QXAPI onLevelWarningReport(int warningType, int denomination, int numberOf, const char*,
                                const char*, const char*, const char*) {
    forEachMember(
        [&](Service& service) { service.onLevelWarning(warningType, denomination, numberOf); });
}
void QXAPI onCashSessionReport(short infoType, int amount, const char* extInfo) {
    const std::string text = extInfo ? extInfo : "";
    forEachMember([&](Service& service) { service.onCashSession(infoType, amount, text); });
}

}  // namespace

short registerReports(const DriverEntries& driver, char* message) {
    return driver.registerEvents23(onStatusReport, onErrorReport, onCashLevelReport,
                                   onLevelWarningReport, onCashSessionReport, message);
}

void Service::postStatus(long value) {
    m_channel->post({SoEvent::StatusUpdate, value, 0, ""});
}

void Service::postDirectIO(long number, long amount, const char* text) {
    m_channel->post({SoEvent::DirectIO, number, amount, text});
}

void Service::onStatus(int amount, short status) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (status != kDeviceError && m_jammed) clearJam(status);
        if (status != kDeviceError && m_cashBoxFull) {
            m_cashBoxFull = false;
            updateLevelStatus();
        }
        // Cash moved: the counts last reported may no longer hold.
        if (status == kDeviceBusy || amount != m_paidIn) m_countsExact.clear();
        // A busy report carries the paid-in amount from before the move,
        // and may come after the command that made it: only idle reports
        // say what the device holds.
        if (status != kDeviceBusy) countPaidIn(amount, status);
    }
    if (status == kDeviceIdleEnabled || status == kDeviceIdleDisabled) SetEvent(m_idleReport);
}

// Reports before the enable's own (idle, pay-in on) are the last sale's;
// from it on, every change of the paid-in amount is the customer's cash.
// Called under m_mutex.
void Service::countPaidIn(int amount, short status) {
    if (m_phase == Phase::Accepting && m_awaitingEnable && status == kDeviceIdleEnabled) {
        m_awaitingEnable = false;
        m_baseline = amount;
    } else if (m_phase == Phase::Accepting && !m_awaitingEnable && amount != m_paidIn &&
               amount >= m_baseline) {
        m_countedAmount = amount - m_baseline;
        if (m_depositStatus != opos::CHAN_STATUS_DEPOSIT_JAM)
            m_depositStatus = opos::CHAN_STATUS_DEPOSIT_COUNT;
        if (m_depositRealTime) m_depositAmount = m_countedAmount;
        m_channel->post({SoEvent::Data, 0, 0, ""});
    }
    m_paidIn = amount;
}

// The first report without an error ends a jam.  A device that comes out
// of it with pay-in off stops accepting: the deposit counts as paused, so
// that the till's PauseDeposit(RESTART) switches pay-in on again (DirectIO's
// own reset does that itself).  Called under m_mutex.
void Service::clearJam(short status) {
    m_jammed = false;
    if (m_depositStatus == opos::CHAN_STATUS_DEPOSIT_JAM)
        m_depositStatus = m_countedAmount > 0 ? opos::CHAN_STATUS_DEPOSIT_COUNT
                                              : opos::CHAN_STATUS_DEPOSIT_START;
    postStatus(opos::CHAN_STATUS_JAMOK);
    if (status == kDeviceIdleDisabled && m_phase == Phase::Accepting && !m_selfReset) {
        m_phase = Phase::Paused;
        postDirectIO(kEventPayinStopped, m_countedAmount, "Pay-in stopped by the jam");
    }
}

void Service::onError(int errorCode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if ((errorCode == kNoteJam || errorCode == kCoinJam) && !m_jammed) {
        m_jammed = true;
        m_statistics.add(kStatJams);
        if (m_phase != Phase::Idle) m_depositStatus = opos::CHAN_STATUS_DEPOSIT_JAM;
        postStatus(opos::CHAN_STATUS_JAM);
    } else if (errorCode == kCashBoxFull && !m_cashBoxFull) {
        m_cashBoxFull = true;
        updateLevelStatus();
    }
}

void Service::onLevelWarning(int warningType, int denomination, int numberOf) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reportedCounts[denomination] = numberOf;
    m_countsExact.insert(denomination);
    switch (warningType) {
    case kWarningEmpty: m_levels[denomination] = Level::Empty; break;
    case kWarningLow: m_levels[denomination] = Level::Low; break;
    case kWarningHigh: m_levels[denomination] = Level::High; break;
    default: return;
    }
    updateLevelStatus();
}

void Service::onCashSession(short infoType, int amount, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_channel->post({SoEvent::DirectIO, infoType, amount, text});
    if (infoType != kSessionRefill) return;
    // A refill brings every denomination back above its low mark.
    for (auto& level : m_levels)
        if (level.second == Level::Empty || level.second == Level::Low)
            level.second = Level::Normal;
    updateLevelStatus();
}

// DeviceStatus (empty side) and FullStatus from the denominations' levels
// and the cash box; each change is a status update, a return to normal
// its OK value.  Called under m_mutex.
void Service::updateLevelStatus() {
    bool empty = false, low = false, high = false;
    for (const auto& level : m_levels) {
        empty = empty || level.second == Level::Empty;
        low = low || level.second == Level::Low;
        high = high || level.second == Level::High;
    }
    const long emptyStatus = empty ? opos::CHAN_STATUS_EMPTY
                             : low ? opos::CHAN_STATUS_NEAREMPTY
                                   : opos::CHAN_STATUS_OK;
    const long fullStatus = m_cashBoxFull ? opos::CHAN_STATUS_FULL
                            : high        ? opos::CHAN_STATUS_NEARFULL
                                          : opos::CHAN_STATUS_OK;
    if (emptyStatus != m_emptyStatus)
        postStatus(emptyStatus == opos::CHAN_STATUS_OK ? opos::CHAN_STATUS_EMPTYOK : emptyStatus);
    if (fullStatus != m_fullStatus)
        postStatus(fullStatus == opos::CHAN_STATUS_OK ? opos::CHAN_STATUS_FULLOK : fullStatus);
    m_emptyStatus = emptyStatus;
    m_fullStatus = fullStatus;
}

}  // namespace qxopos
