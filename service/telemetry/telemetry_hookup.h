// telemetry_hookup.h - switches the till service's MQTT telemetry on from
// the [telemetry] section of its settings file and ties it to the service:
// the publisher observes the event fan-out (the driver's events and the
// operator's log-ins and log-outs, in report order) and the outcomes of
// "init", "exit" and "login" (the device's version is asked for then).
//
// Who calls: main(), once, after the service started and before it runs;
// destroying the result (after the service stopped, before the service
// itself goes) gives waiting events a second, publishes "online" false
// and disconnects.
#ifndef QXD_TELEMETRY_HOOKUP_H
#define QXD_TELEMETRY_HOOKUP_H

#include <memory>

#include <boost/property_tree/ptree_fwd.hpp>

namespace qxd {

class Service;
class ServiceLog;
struct DriverTable;

class Telemetry {
public:
    virtual ~Telemetry() = default;
};

// nullptr when the section leaves it off, when a value is wrong or the
// client cannot be set up (each logged, the till runs on), or when this
// build has no MQTT library (logged when the section asks for it).
std::unique_ptr<Telemetry> startTelemetry(const boost::property_tree::ptree& file,
                                          Service& service, const DriverTable& driver,
                                          ServiceLog& log);

}  // namespace qxd

#endif  // QXD_TELEMETRY_HOOKUP_H
