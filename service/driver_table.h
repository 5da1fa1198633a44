// driver_table.h - the exports the service calls, as one table of
// function pointers with the header's signatures.  The service fills it
// with the linked driver (linkedDriver); the request tests and the fuzz
// harness fill it with functions of their own, so the request layer
// never needs a device.
//
// Who calls: the request layer, on the service's device thread only, one
// call at a time; the receivers are handed to registerEvents23 there.
#ifndef QXD_DRIVER_TABLE_H
#define QXD_DRIVER_TABLE_H

#include <string>

#include "qxlogics.h"

namespace qxd {

struct DriverTable {
    decltype(&initQX) init = nullptr;
    decltype(&exitQX) exit = nullptr;
    decltype(&changeSettingsQX) changeSettings = nullptr;
    decltype(&registerEvents23QX) registerEvents23 = nullptr;
    decltype(&loginQX) login = nullptr;
    decltype(&loginStrQX) loginStr = nullptr;
    decltype(&logoutQX) logout = nullptr;
    decltype(&isOpenQX) isOpen = nullptr;
    decltype(&infoQX) info = nullptr;
    decltype(&enablePayinQX) enablePayin = nullptr;
    decltype(&disablePayinQX) disablePayin = nullptr;
    decltype(&depositQX) deposit = nullptr;
    decltype(&dispenseQX) dispense = nullptr;
    decltype(&askPayoutQX) askPayout = nullptr;
    decltype(&askPayout2QX) askPayout2 = nullptr;
    decltype(&payoutQX) payout = nullptr;
    decltype(&payout2QX) payout2 = nullptr;
    decltype(&amountDueQX) amountDue = nullptr;
    decltype(&changeQX) change = nullptr;
    decltype(&regretQX) regret = nullptr;
    decltype(&resetQX) reset = nullptr;

    // What "init" registers before it opens the device (exitQX forgets the
    // receivers, so every init registers them again).
    QXStatusCallback onStatus = nullptr;
    QXErrorCallback onError = nullptr;
    QXCashLevelCallback onCashLevel = nullptr;
    QXLevelWarningCallback onLevelWarning = nullptr;
    QXCashSessionCallback onCashSession = nullptr;

    // The port settings of "init" when the request names none.
    std::string portSettings = "Type:RS232;Name:COM1";
};

// The exports of the driver this program is linked with; no receivers.
DriverTable linkedDriver();

}  // namespace qxd

#endif  // QXD_DRIVER_TABLE_H
