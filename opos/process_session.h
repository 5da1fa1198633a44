// process_session.h - the driver is one per process, and so is its device:
// the service objects of a process that open it share one session.  The
// first to join registers the receivers and opens the device (initQX),
// the last to leave closes it (exitQX); every member hears the device's
// reports.  Open is shared, Claim is exclusive: a claim holds a named mutex
// across processes (service.cpp) and, since a mutex belongs to its thread,
// is also recorded here against the other service objects of the process.
// Joining, leaving and claiming run on the control objects' threads; the
// receivers call forEachMember on the device library's thread.
#ifndef QX_OPOS_PROCESS_SESSION_H
#define QX_OPOS_PROCESS_SESSION_H

#include <functional>
#include <string>

#include "opos/device_settings.h"
#include "opos/driver.h"

namespace qxopos {

class Service;

// The driver's code of registerEvents23QX and initQX (QX_STATUS_OK when the
// session was already open); kOtherDevice when the process has the driver
// open for another device name.
constexpr short kOtherDevice = -1;
short joinSession(Service* service, const std::string& deviceName, const DriverEntries& driver,
                  const DeviceSettings& settings, char* message);
// Ends the service object's membership; the last member's leave runs
// exitQX.  Once it returns no receiver calls the service object again.
void leaveSession(Service* service, const DriverEntries& driver);
// Closes and reopens the device for a session whose connection was lost.
short reopenSession(const DriverEntries& driver, const DeviceSettings& settings, char* message);

// Calls fn for each member under the membership lock (device library's thread).
void forEachMember(const std::function<void(Service&)>& fn);

// False while another service object of the process holds the claim.
bool claimInProcess(Service* service);
void releaseInProcess(Service* service);

}  // namespace qxopos

#endif  // QX_OPOS_PROCESS_SESSION_H
