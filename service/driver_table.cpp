// driver_table.cpp - the table of the linked driver's exports.
#include "driver_table.h"

namespace qxd {

DriverTable linkedDriver() {
    DriverTable d;
    d.init = initQX;
    d.exit = exitQX;
    d.changeSettings = changeSettingsQX;
    d.registerEvents23 = registerEvents23QX;
    d.login = loginQX;
    d.loginStr = loginStrQX;
    d.logout = logoutQX;
    d.isOpen = isOpenQX;
    d.info = infoQX;
    d.enablePayin = enablePayinQX;
    d.disablePayin = disablePayinQX;
    d.deposit = depositQX;
    d.dispense = dispenseQX;
    d.askPayout = askPayoutQX;
    d.askPayout2 = askPayout2QX;
    d.payout = payoutQX;
    d.payout2 = payout2QX;
    d.amountDue = amountDueQX;
    d.change = changeQX;
    d.regret = regretQX;
    d.reset = resetQX;
    return d;
}

}  // namespace qxd
