// telemetry_absent.cpp - startTelemetry for a build without libmosquitto:
// the till runs without telemetry, and says so when the settings ask.
#include <boost/property_tree/ptree.hpp>

#include "service_log.h"
#include "telemetry_hookup.h"

namespace qxd {

std::unique_ptr<Telemetry> startTelemetry(const boost::property_tree::ptree& file, Service&,
                                          const DriverTable&, ServiceLog& log) {
    if (file.get<std::string>("telemetry.enabled", "") != "")
        log.info("telemetry: this qxd was built without an MQTT library; [telemetry] ignored");
    return nullptr;
}

}  // namespace qxd
