// opos_numbers.h - the UnifiedPOS numbers the stand-in control object
// uses, as a control object knows them: result codes, states, property
// indexes, status values and method arguments.
#ifndef QX_TESTS_OPOS_OPOS_NUMBERS_H
#define QX_TESTS_OPOS_OPOS_NUMBERS_H

namespace qxopos_test {

enum : long {
    SUCCESS = 0, E_CLOSED = 101, E_NOTCLAIMED = 103, E_DISABLED = 105, E_ILLEGAL = 106,
    E_EXTENDED = 114, ECHAN_OVERDISPENSE = 201, ORS_NOTSUPPORTED = 402, ORS_CONFIG = 403,
    S_CLOSED = 1, S_IDLE = 2, PIDX_Claimed = 1, PIDX_DataEventEnabled, PIDX_DeviceEnabled,
    PIDX_FreezeEvents, PIDX_ResultCode = 6, PIDX_ResultCodeExtended, PIDX_ServiceObjectVersion,
    PIDX_State, PIDX_DataCount = 12, PIDX_CapStatisticsReporting = 502, PIDX_CapUpdateStatistics,
    PIDX_CapCompareFirmwareVersion, PIDX_CapUpdateFirmware, PIDX_DeviceName = 1000003,
    PIDXChan_DeviceStatus = 13006, PIDXChan_FullStatus, PIDXChan_DepositAmount,
    PIDXChan_DepositStatus, PIDXChan_RealTimeDataEnabled = 13011, PIDXChan_CapDiscrepancy = 13501,
    PIDXChan_CapEmptySensor, PIDXChan_CapFullSensor, PIDXChan_CapNearEmptySensor,
    PIDXChan_CapNearFullSensor, PIDXChan_CapDeposit, PIDXChan_CapDepositDataEvent,
    PIDXChan_CapPauseDeposit, PIDXChan_CapRepayDeposit, PIDXChan_CapJamSensor,
    PIDXChan_CurrencyCashList = 1013001, CHAN_STATUS_OK = 0, CHAN_STATUS_NEAREMPTY = 12,
    CHAN_STATUS_EMPTYOK, CHAN_STATUS_JAM = 31, CHAN_STATUS_JAMOK, DEPOSIT_START = 1, DEPOSIT_END,
    DEPOSIT_COUNT = 4, DEPOSIT_CHANGE = 1, DEPOSIT_NOCHANGE, DEPOSIT_REPAY, DEPOSIT_PAUSE = 11,
    DEPOSIT_RESTART,
    // Used by the till's day.
    E_OFFLINE = 108, E_FAILURE = 111, E_TIMEOUT = 112, E_BUSY = 113, ESTATS_ERROR = 280,
    PIDX_OutputID = 5, PIDXChan_AsyncMode = 13001, PIDXChan_AsyncResultCode,
    PIDXChan_AsyncResultCodeExtended, DEPOSIT_JAM = 5, CHAN_STATUS_ASYNC = 91,
};

}  // namespace qxopos_test

#endif  // QX_TESTS_OPOS_OPOS_NUMBERS_H
