// settings_test.cpp - the [Telemetry] keys: defaults, TLS's port, and every
// refusal named.
#include <map>

#include "telemetry_settings.h"
#include <gtest/gtest.h>

namespace {

using qxd::telemetry::readTelemetrySettings;
using qxd::telemetry::TelemetrySettings;

TelemetrySettings read(const std::map<std::string, std::string>& keys,
                       std::vector<std::string>& problems) {
    return readTelemetrySettings(
        [&](const std::string& key) {
            const auto it = keys.find(key);
            return it == keys.end() ? std::string() : it->second;
        },
        problems);
}

TEST(TelemetrySettings, OffByDefaultAndTopicsFromTheirParts) {
    std::vector<std::string> problems;
    EXPECT_FALSE(read({}, problems).enabled);
    const TelemetrySettings settings =
        read({{"Enabled", "yes"}, {"Site", "north"}, {"Till", "t9"}, {"TopicPrefix", "chain/eu"},
              {"CaFile", "/etc/ca.pem"}},
             problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(settings.enabled);
    EXPECT_EQ(8883, settings.port) << "TLS without a port takes MQTT's TLS port";
    EXPECT_EQ("chain/eu/north/t9/state", settings.topic("state"));
}

TEST(TelemetrySettings, EachBadValueIsNamed) {
    const struct {
        std::map<std::string, std::string> keys;
        const char* named;
    } cases[] = {
        {{{"Port", "18x3"}}, "Port must be a number"},
        {{{"Port", "70000"}}, "Port must be a number from 1 to 65535"},
        {{{"QueueSize", "0"}}, "QueueSize must be a number"},
        {{{"Site", "a/b"}}, "Site may not hold"},
        {{{"Till", "#"}}, "Till may not hold"},
        {{{"TopicPrefix", "x/+/y"}}, "TopicPrefix may not hold"},
        {{{"TopicPrefix", "chain/"}}, "TopicPrefix may not hold"},
        {{{"CaFile", "ca.pem"}, {"CertFile", "till.pem"}}, "CertFile and KeyFile go together"},
        {{{"CertFile", "till.pem"}, {"KeyFile", "till.key"}}, "CertFile needs CaFile"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> problems;
        read(c.keys, problems);
        ASSERT_EQ(1u, problems.size()) << c.named;
        EXPECT_NE(std::string::npos, problems[0].find(c.named)) << problems[0];
    }
}

}  // namespace
