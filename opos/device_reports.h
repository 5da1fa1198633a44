// device_reports.h - the five driver callbacks, which forward to the one
// service object that has the driver open in this process (the driver is
// one per process, and so is its device).
#ifndef QX_OPOS_DEVICE_REPORTS_H
#define QX_OPOS_DEVICE_REPORTS_H

#include "opos/driver.h"

namespace qxopos {

class Service;

// False when another service object of the process has the driver.
bool attachReports(Service* service);
void detachReports(Service* service);
short registerReports(const DriverEntries& driver, char* message);

}  // namespace qxopos

#endif  // QX_OPOS_DEVICE_REPORTS_H
