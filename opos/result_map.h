// result_map.h - the driver's status codes as OPOS result codes: one
// table for every call, with the over-dispense reading for the calls
// that pay out.
#ifndef QX_OPOS_RESULT_MAP_H
#define QX_OPOS_RESULT_MAP_H

namespace qxopos {

struct OposResult {
    long code;      // ResultCode
    long extended;  // ResultCodeExtended: OPOS_ECHAN_* under OPOS_E_EXTENDED, else the driver's code
};

OposResult fromDriver(short driverCode);
// For askPayout2QX and dispenseQX: "Not possible" means the device cannot
// pay the amount, which OPOS calls an over-dispense.
OposResult fromPayingDriver(short driverCode);

}  // namespace qxopos

#endif  // QX_OPOS_RESULT_MAP_H
