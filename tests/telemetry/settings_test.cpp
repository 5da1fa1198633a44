// settings_test.cpp - the [telemetry] keys: defaults, TLS's port, and every
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
        read({{"enabled", "yes"}, {"site", "north"}, {"till", "t9"}, {"topic_prefix", "chain/eu"},
              {"ca_file", "/etc/ca.pem"}},
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
        {{{"port", "18x3"}}, "port must be a number"},
        {{{"port", "70000"}}, "port must be a number from 1 to 65535"},
        {{{"queue_size", "0"}}, "queue_size must be a number"},
        {{{"site", "a/b"}}, "site may not hold"},
        {{{"till", "#"}}, "till may not hold"},
        {{{"topic_prefix", "x/+/y"}}, "topic_prefix may not hold"},
        {{{"topic_prefix", "chain/"}}, "topic_prefix may not hold"},
        {{{"ca_file", "ca.pem"}, {"cert_file", "till.pem"}}, "cert_file and key_file go together"},
        {{{"cert_file", "till.pem"}, {"key_file", "till.key"}}, "cert_file needs ca_file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> problems;
        read(c.keys, problems);
        ASSERT_EQ(1u, problems.size()) << c.named;
        EXPECT_NE(std::string::npos, problems[0].find(c.named)) << problems[0];
    }
}

}  // namespace
