// opos_codes.h - the UnifiedPOS numbers the service object answers with:
// result codes, states, property indexes of the common and the
// CashChanger properties, status-update values and method arguments.
#ifndef QX_OPOS_OPOS_CODES_H
#define QX_OPOS_OPOS_CODES_H

namespace opos {

// State.
constexpr long kStateClosed = 1;
constexpr long kStateIdle = 2;

// ResultCode.
constexpr long kSuccess = 0;
constexpr long kClosed = 101;
constexpr long kClaimed = 102;
constexpr long kNotClaimed = 103;
constexpr long kDisabled = 105;
constexpr long kIllegal = 106;
constexpr long kNoHardware = 107;
constexpr long kOffline = 108;
constexpr long kFailure = 111;
constexpr long kTimeout = 112;
constexpr long kBusy = 113;
constexpr long kExtended = 114;

// ResultCodeExtended of the CashChanger, and of the statistics methods.
constexpr long kOverDispense = 201;
constexpr long kStatisticsError = 280;

// The open result a service object gives when its open fails.
constexpr long kOpenNoPort = 401;
constexpr long kOpenNotSupported = 402;
constexpr long kOpenConfig = 403;

// CheckHealth levels, power reporting and state.
constexpr long kHealthInternal = 1;
constexpr long kHealthExternal = 2;
constexpr long kHealthInteractive = 3;
constexpr long kPowerReportingNone = 0;
constexpr long kPowerStateUnknown = 2000;
constexpr long kForever = -1;

// Common property indexes: numbers from 0, texts from 1000000.
enum CommonProperty : long {
    PIDX_Claimed = 1,
    PIDX_DataEventEnabled = 2,
    PIDX_DeviceEnabled = 3,
    PIDX_FreezeEvents = 4,
    PIDX_OutputID = 5,
    PIDX_ResultCode = 6,
    PIDX_ResultCodeExtended = 7,
    PIDX_ServiceObjectVersion = 8,
    PIDX_State = 9,
    PIDX_AutoDisable = 10,
    PIDX_BinaryConversion = 11,
    PIDX_DataCount = 12,
    PIDX_PowerNotify = 13,
    PIDX_PowerState = 14,
    PIDX_CapPowerReporting = 501,
    PIDX_CapStatisticsReporting = 502,
    PIDX_CapUpdateStatistics = 503,
    PIDX_CapCompareFirmwareVersion = 504,
    PIDX_CapUpdateFirmware = 505,
    PIDX_CheckHealthText = 1000001,
    PIDX_DeviceDescription = 1000002,
    PIDX_DeviceName = 1000003,
    PIDX_ServiceObjectDescription = 1000004,
};

// CashChanger property indexes (the device class's base is 13000).
enum CashChangerProperty : long {
    PIDXChan_AsyncMode = 13001,
    PIDXChan_AsyncResultCode = 13002,
    PIDXChan_AsyncResultCodeExtended = 13003,
    PIDXChan_CurrentExit = 13004,
    PIDXChan_DeviceExits = 13005,
    PIDXChan_DeviceStatus = 13006,
    PIDXChan_FullStatus = 13007,
    PIDXChan_DepositAmount = 13008,
    PIDXChan_DepositStatus = 13009,
    PIDXChan_CurrentService = 13010,
    PIDXChan_RealTimeDataEnabled = 13011,
    PIDXChan_ServiceCount = 13012,
    PIDXChan_ServiceIndex = 13013,
    PIDXChan_CapDiscrepancy = 13501,
    PIDXChan_CapEmptySensor = 13502,
    PIDXChan_CapFullSensor = 13503,
    PIDXChan_CapNearEmptySensor = 13504,
    PIDXChan_CapNearFullSensor = 13505,
    PIDXChan_CapDeposit = 13506,
    PIDXChan_CapDepositDataEvent = 13507,
    PIDXChan_CapPauseDeposit = 13508,
    PIDXChan_CapRepayDeposit = 13509,
    PIDXChan_CapJamSensor = 13510,
    PIDXChan_CapRealTimeData = 13511,
    PIDXChan_CurrencyCashList = 1013001,
    PIDXChan_CurrencyCode = 1013002,
    PIDXChan_CurrencyCodeList = 1013003,
    PIDXChan_ExitCashList = 1013004,
    PIDXChan_DepositCashList = 1013005,
    PIDXChan_DepositCodeList = 1013006,
    PIDXChan_DepositCounts = 1013007,
};

// DeviceStatus, FullStatus and StatusUpdateEvent values.
enum ChangerStatus : long {
    CHAN_STATUS_OK = 0,
    CHAN_STATUS_EMPTY = 11,
    CHAN_STATUS_NEAREMPTY = 12,
    CHAN_STATUS_EMPTYOK = 13,
    CHAN_STATUS_FULL = 21,
    CHAN_STATUS_NEARFULL = 22,
    CHAN_STATUS_FULLOK = 23,
    CHAN_STATUS_JAM = 31,
    CHAN_STATUS_JAMOK = 32,
    CHAN_STATUS_ASYNC = 91,
};

// DepositStatus.
enum DepositStatus : long {
    CHAN_STATUS_DEPOSIT_START = 1,
    CHAN_STATUS_DEPOSIT_END = 2,
    CHAN_STATUS_DEPOSIT_NONE = 3,
    CHAN_STATUS_DEPOSIT_COUNT = 4,
    CHAN_STATUS_DEPOSIT_JAM = 5,
};

// EndDeposit's and PauseDeposit's arguments.
enum DepositControl : long {
    CHAN_DEPOSIT_CHANGE = 1,
    CHAN_DEPOSIT_NOCHANGE = 2,
    CHAN_DEPOSIT_REPAY = 3,
    CHAN_DEPOSIT_PAUSE = 11,
    CHAN_DEPOSIT_RESTART = 12,
};

// The version this service object claims: 1.15, whose method list it has
// whole (major * 1000000 + minor * 1000 + build).
constexpr long kServiceObjectVersion = 1015000;

}  // namespace opos

#endif  // QX_OPOS_OPOS_CODES_H
