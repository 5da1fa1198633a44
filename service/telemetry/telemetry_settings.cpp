// telemetry_settings.cpp - reads and checks the [telemetry] keys.
#include "telemetry_settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace qxd::telemetry {
namespace {

bool readBool(const std::string& text, bool fallback) {
    if (text.empty()) return fallback;
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "1" || lower == "true" || lower == "yes" || lower == "on";
}

void readInt(const SettingLookup& lookup, const char* key, long low, long high, int& value,
             std::vector<std::string>& problems) {
    const std::string text = lookup(key);
    if (text.empty()) return;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high) {
        problems.push_back(std::string(key) + " must be a number from " + std::to_string(low) +
                           " to " + std::to_string(high) + ", not \"" + text + "\"");
        return;
    }
    value = static_cast<int>(number);
}

// A topic level names one till among many: no separators or wildcards.
void readLevel(const SettingLookup& lookup, const char* key, std::string& value,
               std::vector<std::string>& problems) {
    const std::string text = lookup(key);
    if (text.empty()) return;
    if (text.find_first_of("/+#") != std::string::npos) {
        problems.push_back(std::string(key) + " may not hold '/', '+' or '#': \"" + text + "\"");
        return;
    }
    value = text;
}

}  // namespace

std::string TelemetrySettings::topic(const std::string& leaf) const {
    return topicPrefix + "/" + site + "/" + till + "/" + leaf;
}

std::string TelemetrySettings::clientId() const {
    return "qxd-" + site + "-" + till;
}

TelemetrySettings readTelemetrySettings(const SettingLookup& lookup,
                                        std::vector<std::string>& problems) {
    TelemetrySettings settings;
    settings.enabled = readBool(lookup("enabled"), false);
    if (!lookup("host").empty()) settings.host = lookup("host");
    settings.caFile = lookup("ca_file");
    settings.certFile = lookup("cert_file");
    settings.keyFile = lookup("key_file");
    if (settings.tls()) settings.port = 8883;
    readInt(lookup, "port", 1, 65535, settings.port, problems);
    settings.username = lookup("username");
    settings.password = lookup("password");
    readLevel(lookup, "site", settings.site, problems);
    readLevel(lookup, "till", settings.till, problems);
    const std::string prefix = lookup("topic_prefix");
    if (!prefix.empty() && (prefix.find_first_of("+#") != std::string::npos ||
                            prefix.front() == '/' || prefix.back() == '/'))
        problems.push_back("topic_prefix may not hold '+' or '#' nor begin or end with '/': \"" +
                           prefix + "\"");
    else if (!prefix.empty())
        settings.topicPrefix = prefix;
    int queueSize = static_cast<int>(settings.queueSize);
    readInt(lookup, "queue_size", 1, 1000000, queueSize, problems);
    settings.queueSize = static_cast<std::size_t>(queueSize);
    readInt(lookup, "keepalive_seconds", 5, 3600, settings.keepAliveSeconds, problems);
    readInt(lookup, "reconnect_min_seconds", 1, 3600, settings.reconnectMinSeconds, problems);
    readInt(lookup, "reconnect_max_seconds", 1, 3600, settings.reconnectMaxSeconds, problems);
    settings.reconnectMaxSeconds =
        std::max(settings.reconnectMaxSeconds, settings.reconnectMinSeconds);
    if (settings.certFile.empty() != settings.keyFile.empty())
        problems.push_back("cert_file and key_file go together");
    if (!settings.certFile.empty() && !settings.tls())
        problems.push_back("cert_file needs ca_file: a client certificate is sent over TLS only");
    return settings;
}

}  // namespace qxd::telemetry
