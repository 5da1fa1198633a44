// receivers.h - the five callbacks the service registers with the driver:
// each copies its arguments into a DeviceEvent and publishes it.
//
// Who calls: the driver, on the device library's thread, one at a time.
// bindReceivers() is called before the first init and unbound (null)
// only after exitQX; the callbacks drop events while nothing is bound.
#ifndef QXD_RECEIVERS_H
#define QXD_RECEIVERS_H

#include "device_events.h"
#include "driver_table.h"

namespace qxd {

void bindReceivers(EventFanout* fanout);

// Fills the table's five callbacks with the service's receivers.
void addReceivers(DriverTable& driver);

}  // namespace qxd

#endif  // QXD_RECEIVERS_H
