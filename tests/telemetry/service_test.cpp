// service_test.cpp - qxd with its telemetry switched on, as a till machine
// runs it: a payout driven over its WebSocket shows on every topic; a clean
// stop says offline; kill -9 leaves the broker's last will; a wrong
// password is logged and the till works on.
#include <signal.h>

#include "tests/telemetry/service_process.h"
#include "tests/telemetry/telemetry_fixture.h"

namespace qxtest {
namespace {

// The 10.00 notes one above their low mark: a payout of 12.50 (10.00 +
// 2.00 + 0.50) brings them to it.
const char* const kStock = "1000 = 6 low=5\n200 = 50\n50 = 50\n";

std::string telemetrySection(int brokerPort, const std::string& extra = "") {
    return "enabled = true\nport = " + std::to_string(brokerPort) +
           "\nsite = store-7\ntill = till-2\ntopic_prefix = qxtest\n"
           "reconnect_min_seconds = 1\nreconnect_max_seconds = 1\n" + extra;
}

// Waits until the newest "online" message says online.
bool onlineSays(const TopicWatcher& watcher, bool online, int timeoutMs = 10000) {
    return watcher.waitFor(
        [&](const std::vector<ReceivedMessage>& all) {
            return newest(all, "online").value("online", !online) == online;
        },
        timeoutMs);
}

// The till's side: every request answered "Done".
void payout(ServiceProcess& service) {
    TillClient till(service.port(), service.token());
    const std::pair<const char*, json> steps[] = {
        {"claim", json::object()},
        {"init", json::object()},
        {"login", {{"user", 1}, {"password", 1}}},
        {"dispense", {{"amount", 1250}, {"text", "refund"}}},
        {"logout", json::object()},
    };
    for (const auto& [op, args] : steps) {
        const json answer = till.request(op, args);
        EXPECT_EQ(0, answer["code"]) << op << ": " << answer.dump();
    }
}

class ServiceTelemetryTest : public ::testing::Test {
protected:
    void SetUp() override {
        brokerProcess = std::make_unique<TestBroker>(options);
        ASSERT_TRUE(broker().start()) << broker().log();
    }
    TestBroker& broker() { return *brokerProcess; }
    std::unique_ptr<TopicWatcher> watch(const std::string& user = "",
                                        const std::string& password = "") {
        WatcherOptions options;
        options.port = broker().port();
        options.filter = "qxtest/store-7/till-2/#";
        options.user = user;
        options.password = password;
        auto watcher = std::make_unique<TopicWatcher>(options);
        EXPECT_TRUE(watcher->start()) << broker().log();
        return watcher;
    }

    BrokerOptions options;  // as the broker starts
    std::unique_ptr<TestBroker> brokerProcess;
};

TEST_F(ServiceTelemetryTest, APayoutOverTheWebSocketShowsOnEveryTopic) {
    auto watcher = watch();
    ServiceProcess service(telemetrySection(broker().port()), kStock);
    ASSERT_TRUE(service.start()) << service.log();
    ASSERT_TRUE(onlineSays(*watcher, true)) << service.log();
    payout(service);
    ASSERT_TRUE(watcher->waitForCount("events", 4)) << service.log();
    ASSERT_TRUE(watcher->waitFor([](const std::vector<ReceivedMessage>& all) {
        return newest(all, "state").value("mode", -1) == 0;
    })) << "the last state, logged out";

    const auto events = payloads(watcher->on("events"));
    std::vector<std::string> types;
    for (const json& event : events) types.push_back(event["type"]);
    EXPECT_EQ((std::vector<std::string>{"login", "levelWarning", "cashSession", "logout"}), types);
    EXPECT_EQ(1000, events[1]["denomination"]);
    EXPECT_EQ(5, events[1]["count"]);
    EXPECT_EQ("low", events[1]["warning"]);
    EXPECT_EQ("CR/WD", events[2]["kind"]);
    EXPECT_EQ(1250, events[2]["amount"]);
    const json state = json::parse(watcher->last("state"));
    EXPECT_TRUE(state["initiated"]);
    EXPECT_EQ(QX_PROJECT_VERSION, state["driverVersion"]);
    EXPECT_EQ("01.23", state["deviceVersion"]);
    EXPECT_EQ(0, state["operator"]);
    const json levels = json::parse(watcher->last("levels"));
    ASSERT_EQ(1u, levels["levels"].size());
    EXPECT_EQ(1000, levels["levels"][0]["denomination"]);

    service.signal(SIGTERM);
    ASSERT_TRUE(onlineSays(*watcher, false));
    EXPECT_LT(0, json::parse(watcher->last("online"))["seq"]) << "the stop's own word, not the will";
}

TEST_F(ServiceTelemetryTest, KillMinusNineLeavesTheLastWill) {
    auto watcher = watch();
    ServiceProcess service(telemetrySection(broker().port()), "");
    ASSERT_TRUE(service.start()) << service.log();
    ASSERT_TRUE(onlineSays(*watcher, true)) << service.log();
    service.signal(SIGKILL);
    ASSERT_TRUE(onlineSays(*watcher, false)) << broker().log();
    EXPECT_EQ(0, json::parse(watcher->last("online"))["seq"]) << "the will, set at the start";
}

class RefusingBrokerTest : public ServiceTelemetryTest {
protected:
    RefusingBrokerTest() {
        options.user = "till-2";
        options.password = "s3cret";
    }
};

TEST_F(RefusingBrokerTest, AWrongPasswordIsLoggedAndTheTillWorksOn) {
    auto watcher = watch("till-2", "s3cret");
    ServiceProcess service(
        telemetrySection(broker().port(), "username = till-2\npassword = wrong\n"), kStock);
    ASSERT_TRUE(service.start()) << service.log();
    payout(service);
    EXPECT_TRUE(eventually([&] {
        return service.log().find("refused the connection") != std::string::npos;
    })) << service.log();
    EXPECT_NE(std::string::npos, service.log().find("not authorised. - check username and password"))
        << service.log();
    EXPECT_TRUE(watcher->messages().empty());
}

}  // namespace
}  // namespace qxtest
