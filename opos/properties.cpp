// properties.cpp - the properties by UnifiedPOS index: the common ones,
// the CashChanger's, and the capabilities, which say what the device
// cannot do (no firmware update, no power reporting, one exit).
#include "opos/opos_codes.h"
#include "opos/service.h"

namespace qxopos {
namespace {

const char kServiceObjectDescription[] =
    "QXLogics CashChanger Service Object for QuaxVault recyclers, version " QX_PROJECT_VERSION;

// Capabilities and fixed numbers: index, value.
struct Fixed {
    long index;
    long value;
};
const Fixed kFixedNumbers[] = {
    {opos::PIDX_ServiceObjectVersion, opos::kServiceObjectVersion},
    {opos::PIDX_PowerNotify, 0},
    {opos::PIDX_PowerState, opos::kPowerStateUnknown},
    {opos::PIDX_CapPowerReporting, opos::kPowerReportingNone},
    {opos::PIDX_CapStatisticsReporting, 1},
    {opos::PIDX_CapUpdateStatistics, 1},
    {opos::PIDX_CapCompareFirmwareVersion, 0},
    {opos::PIDX_CapUpdateFirmware, 0},
    {opos::PIDXChan_CurrentExit, 1},
    {opos::PIDXChan_DeviceExits, 1},
    {opos::PIDXChan_CurrentService, 0},
    {opos::PIDXChan_ServiceCount, 0},
    {opos::PIDXChan_ServiceIndex, 0},
    {opos::PIDXChan_CapDiscrepancy, 1},
    {opos::PIDXChan_CapEmptySensor, 1},
    {opos::PIDXChan_CapFullSensor, 1},
    {opos::PIDXChan_CapNearEmptySensor, 1},
    {opos::PIDXChan_CapNearFullSensor, 1},
    {opos::PIDXChan_CapDeposit, 1},
    {opos::PIDXChan_CapDepositDataEvent, 1},
    {opos::PIDXChan_CapPauseDeposit, 1},
    {opos::PIDXChan_CapRepayDeposit, 1},
    {opos::PIDXChan_CapJamSensor, 1},
    {opos::PIDXChan_CapRealTimeData, 1},
};

// Writable numbers that accept only the one value the device has.
bool onlyValue(long index, long& value) {
    switch (index) {
    case opos::PIDX_PowerNotify:
    case opos::PIDXChan_CurrentService: value = 0; return true;
    case opos::PIDXChan_CurrentExit: value = 1; return true;
    default: return false;
    }
}

}  // namespace

long Service::getPropertyNumber(long index) {
    for (const Fixed& fixed : kFixedNumbers)
        if (fixed.index == index) return fixed.value;
    switch (index) {
    case opos::PIDX_Claimed: return m_claimed ? 1 : 0;
    case opos::PIDX_DeviceEnabled: return m_enabled ? 1 : 0;
    case opos::PIDX_ResultCode: return m_resultCode;
    case opos::PIDX_ResultCodeExtended: return m_resultCodeExtended;
    case opos::PIDX_State: return m_open ? opos::kStateIdle : opos::kStateClosed;
    case opos::PIDX_AutoDisable: return m_autoDisable;
    case opos::PIDX_BinaryConversion: return m_binaryConversion;
    case opos::PIDXChan_RealTimeDataEnabled: return m_realTimeData ? 1 : 0;
    case opos::PIDXChan_AsyncMode: return m_asyncMode ? 1 : 0;
    case opos::PIDX_OutputID: return m_outputId;
    case opos::PIDXChan_AsyncResultCode: return m_asyncResultCode;
    case opos::PIDXChan_AsyncResultCodeExtended: return m_asyncResultCodeExtended;
    default: break;
    }
    if (!m_open) return 0;
    switch (index) {
    case opos::PIDX_DataEventEnabled: return m_channel->dataEventEnabled() ? 1 : 0;
    case opos::PIDX_FreezeEvents: return m_channel->frozen() ? 1 : 0;
    case opos::PIDX_DataCount: return m_channel->dataCount();
    default: break;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (index) {
    case opos::PIDXChan_DeviceStatus: return m_jammed ? opos::CHAN_STATUS_JAM : m_emptyStatus;
    case opos::PIDXChan_FullStatus: return m_fullStatus;
    case opos::PIDXChan_DepositAmount:
        return m_depositRealTime && m_phase != Phase::Idle ? m_countedAmount : m_depositAmount;
    case opos::PIDXChan_DepositStatus: return m_depositStatus;
    default: m_resultCode = opos::kIllegal; return 0;
    }
}

void Service::setPropertyNumber(long index, long value) {
    if (checkOpen() != opos::kSuccess) return;
    long only = 0;
    if (onlyValue(index, only)) {
        finish(value == only ? opos::kSuccess : opos::kIllegal);
        return;
    }
    switch (index) {
    case opos::PIDX_DeviceEnabled: setDeviceEnabled(value != 0); return;
    case opos::PIDX_DataEventEnabled: m_channel->setDataEventEnabled(value != 0); break;
    case opos::PIDX_FreezeEvents: m_channel->setFrozen(value != 0); break;
    case opos::PIDX_AutoDisable: m_autoDisable = value != 0; break;
    case opos::PIDXChan_RealTimeDataEnabled: m_realTimeData = value != 0; break;
    case opos::PIDXChan_AsyncMode: m_asyncMode = value != 0; break;
    case opos::PIDX_BinaryConversion:
        if (value < 0 || value > 2) {
            finish(opos::kIllegal);
            return;
        }
        m_binaryConversion = value;
        break;
    default: finish(opos::kIllegal); return;
    }
    finish(opos::kSuccess);
}

std::string Service::getPropertyString(long index) {
    switch (index) {
    case opos::PIDX_ServiceObjectDescription: return kServiceObjectDescription;
    case opos::PIDX_CheckHealthText: return m_checkHealthText;
    case opos::PIDX_DeviceDescription: return m_settings.description;
    case opos::PIDX_DeviceName: return m_deviceName;
    case opos::PIDXChan_CurrencyCashList:
    case opos::PIDXChan_ExitCashList:
    case opos::PIDXChan_DepositCashList: return m_settings.currencyCashList;
    case opos::PIDXChan_CurrencyCode:
    case opos::PIDXChan_CurrencyCodeList:
    case opos::PIDXChan_DepositCodeList: return m_settings.currencyCode;
    // The device reports amounts, never counts per denomination.
    case opos::PIDXChan_DepositCounts: return "";
    default: m_resultCode = opos::kIllegal; return "";
    }
}

void Service::setPropertyString(long index, const std::string& value) {
    if (checkOpen() != opos::kSuccess) return;
    if (index == opos::PIDXChan_CurrencyCode && value == m_settings.currencyCode)
        finish(opos::kSuccess);
    else
        finish(opos::kIllegal);
}

}  // namespace qxopos
