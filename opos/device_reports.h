// device_reports.h - the five driver callbacks, which forward to every
// service object of the process's driver session (process_session.h).
#ifndef QX_OPOS_DEVICE_REPORTS_H
#define QX_OPOS_DEVICE_REPORTS_H

#include "opos/driver.h"

namespace qxopos {

// Registers the receivers with the driver (before initQX).
short registerReports(const DriverEntries& driver, char* message);

}  // namespace qxopos

#endif  // QX_OPOS_DEVICE_REPORTS_H
