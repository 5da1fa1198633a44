// result_map.cpp - the driver code to OPOS code table (opos/README.md
// shows the same table).
#include "opos/result_map.h"

#include "opos/opos_codes.h"
#include "qxlogics.h"

namespace qxopos {

OposResult fromDriver(short driverCode) {
    long code = opos::kFailure;
    switch (driverCode) {
    case QX_STATUS_OK:
    case QX_STATUS_WARNING: code = opos::kSuccess; break;
    case QX_STATUS_BUSY: code = opos::kBusy; break;
    case QX_STATUS_ERROR: code = opos::kFailure; break;
    case QX_STATUS_INPUT_PARAM_ERROR: code = opos::kIllegal; break;
    case QX_STATUS_CLOSED: code = opos::kOffline; break;  // the session, not the till, closed it
    case QX_STATUS_TIMEOUT: code = opos::kTimeout; break;
    case QX_STATUS_SEND_FAILED: code = opos::kOffline; break;
    case QX_STATUS_NOT_POSSIBLE: code = opos::kFailure; break;
    case QX_STATUS_MOVE_ERROR: code = opos::kFailure; break;
    case QX_STATUS_DEPOSIT_TOO_BIG: code = opos::kIllegal; break;
    case QX_STATUS_LIMIT_EXCEEDED: code = opos::kFailure; break;
    case QX_STATUS_NOT_SUPPORTED: code = opos::kIllegal; break;
    default: break;
    }
    return {code, code == opos::kSuccess ? 0 : static_cast<long>(driverCode)};
}

OposResult fromPayingDriver(short driverCode) {
    if (driverCode == QX_STATUS_NOT_POSSIBLE) return {opos::kExtended, opos::kOverDispense};
    return fromDriver(driverCode);
}

}  // namespace qxopos
