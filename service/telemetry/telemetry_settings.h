// telemetry_settings.h - the [telemetry] section of the service's settings
// file: whether the service publishes to an MQTT broker at all, where the
// broker is, how the service proves itself to it, and under which names
// this till appears.  Read once at start, on the service's main thread.
#ifndef QXD_TELEMETRY_SETTINGS_H
#define QXD_TELEMETRY_SETTINGS_H

#include <functional>
#include <string>
#include <vector>

namespace qxd::telemetry {

struct TelemetrySettings {
    bool enabled = false;  // off unless the settings file switches it on
    std::string host = "127.0.0.1";
    int port = 1883;       // 8883 when TLS is on and no port is given
    // TLS is on when caFile is set; the client certificate is optional.
    std::string caFile, certFile, keyFile;
    std::string username, password;
    std::string site = "site", till = "till";
    std::string topicPrefix = "qxlogics";
    std::size_t queueSize = 1000;  // events waiting while the broker is away
    int keepAliveSeconds = 30;
    int reconnectMinSeconds = 1, reconnectMaxSeconds = 30;

    bool tls() const { return !caFile.empty(); }
    // "<prefix>/<site>/<till>/<leaf>"
    std::string topic(const std::string& leaf) const;
    // The broker's client id: unique per till, stable across restarts.
    std::string clientId() const;
};

// Looks a key of the [telemetry] section up; "" when the file lacks it.
using SettingLookup = std::function<std::string(const std::string& key)>;

// The settings, with each problem (a number that is not one, a topic level
// with "/", "+" or "#", a client key without its certificate) named in
// problems.  With problems the caller leaves the publisher off.
TelemetrySettings readTelemetrySettings(const SettingLookup& lookup,
                                        std::vector<std::string>& problems);

}  // namespace qxd::telemetry

#endif  // QXD_TELEMETRY_SETTINGS_H
