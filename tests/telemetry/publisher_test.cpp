// publisher_test.cpp - the publisher against a real Mosquitto broker,
// driven through its report methods as the service drives it: the topics
// after a sale, what a late subscriber finds retained, a broker restart in
// a burst, a queue that overflows, TLS, and a refused password.
#include <algorithm>
#include <atomic>

#include "tests/telemetry/telemetry_fixture.h"
#include "tests/telemetry/test_ca.h"

namespace qxtest {
namespace {

using qxd::telemetry::Publisher;

// One customer as the driver reports it: log-in, pay-in, a payout that
// takes the 20.00 notes to their low mark, the session total, log-out.
void reportSale(Publisher& publisher) {
    const auto now = WallClock::now;
    publisher.deviceOpened(now(), "1.0.0");
    publisher.status(now(), 0, 3, 0);
    publisher.operatorChanged(now(), 1, true);
    publisher.deviceVersion(now(), "01.23");
    publisher.status(now(), 0, 3, 1);
    publisher.status(now(), 0, 0, 1);
    publisher.status(now(), 5000, 0, 1);
    publisher.status(now(), 5000, 1, 1);
    publisher.cashLevel(now(), 2000, 5);
    publisher.levelWarning(now(), 2000, 5, 2, "20 Low (5 Left)");
    publisher.status(now(), 0, 3, 1);
    publisher.cashSession(now(), 3, 1250);
    publisher.operatorChanged(now(), 1, false);
    publisher.status(now(), 0, 3, 0);
}

std::vector<std::uint64_t> eventSeqs(const TopicWatcher& watcher) {
    std::vector<std::uint64_t> seqs;
    for (const json& event : payloads(watcher.on("events"))) seqs.push_back(event["seq"]);
    return seqs;
}

// The numbers a subscriber keeps once it has ignored repeats (QoS 1 may
// repeat what was in flight at a break): any loss or reordering shows.
std::vector<std::uint64_t> withoutRepeats(const std::vector<std::uint64_t>& seqs) {
    std::vector<std::uint64_t> kept;
    for (std::uint64_t seq : seqs)
        if (kept.empty() || seq > kept.back()) kept.push_back(seq);
    return kept;
}

std::vector<std::uint64_t> range(std::uint64_t first, std::uint64_t last) {
    std::vector<std::uint64_t> numbers;
    for (std::uint64_t n = first; n <= last; ++n) numbers.push_back(n);
    return numbers;
}

BrokerOptions persistent() {
    BrokerOptions options;
    options.persistence = true;
    return options;
}

WatcherOptions monitor(const std::string& id) {
    WatcherOptions options;
    options.persistentId = id;
    return options;
}

class PublisherTest : public ::testing::Test {
protected:
    void startBroker(BrokerOptions options = {}) {
        broker = std::make_unique<TestBroker>(options);
        ASSERT_TRUE(broker->start()) << broker->log();
    }
    std::unique_ptr<TopicWatcher> watch(WatcherOptions options = {}) {
        options.port = broker->port();
        if (options.filter == "#") options.filter = "qxtest/store-7/till-2/#";
        auto watcher = std::make_unique<TopicWatcher>(options);
        EXPECT_TRUE(watcher->start()) << broker->log();
        return watcher;
    }
    void startPublisher(qxd::telemetry::TelemetrySettings settings) {
        publisher = std::make_unique<Publisher>(settings, log.sink());
        ASSERT_TRUE(publisher->start());
    }
    bool connected() {
        return eventually([&] { return publisher->counts().connected; });
    }

    LogLines log;
    std::unique_ptr<TestBroker> broker;
    std::unique_ptr<Publisher> publisher;
};

TEST_F(PublisherTest, EveryTopicAfterASale) {
    startBroker();
    auto watcher = watch();
    startPublisher(settingsFor(broker->port()));
    ASSERT_TRUE(connected()) << broker->log();
    reportSale(*publisher);
    ASSERT_TRUE(watcher->waitForCount("events", 4));
    ASSERT_TRUE(watcher->waitFor([](const std::vector<ReceivedMessage>& all) {
        return newest(all, "state").value("mode", -1) == 0;
    })) << "the last state, logged out";

    const auto events = payloads(watcher->on("events"));
    ASSERT_EQ(4u, events.size());
    const char* const types[] = {"login", "levelWarning", "cashSession", "logout"};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(types[i], events[i]["type"]);
        EXPECT_EQ(i + 1, events[i]["seq"]);
        EXPECT_EQ(27u, events[i]["time"].get<std::string>().size()) << events[i]["time"];
    }
    const json warning = {{"denomination", 2000}, {"count", 5}, {"warning", "low"},
                          {"message", "20 Low (5 Left)"}};
    for (const auto& field : warning.items()) EXPECT_EQ(field.value(), events[1][field.key()]);
    EXPECT_EQ("CR/RF", events[2]["kind"]);
    EXPECT_EQ(1250, events[2]["amount"]);
    EXPECT_EQ(1, events[3]["user"]);

    const json state = json::parse(watcher->last("state"));
    EXPECT_TRUE(state["initiated"]);
    EXPECT_FALSE(state["open"]);
    EXPECT_EQ("idle, pay-in disabled", state["statusText"]);
    EXPECT_EQ("1.0.0", state["driverVersion"]);
    EXPECT_EQ("01.23", state["deviceVersion"]);
    EXPECT_EQ(0, state["operator"]);
    EXPECT_TRUE(state["lastError"].is_null());
    const json levels = json::parse(watcher->last("levels"));
    ASSERT_EQ(1u, levels["levels"].size());
    EXPECT_EQ(2000, levels["levels"][0]["denomination"]);
    EXPECT_EQ("low", levels["levels"][0]["warning"]);
    EXPECT_TRUE(json::parse(watcher->last("online"))["online"]);
    const auto stateSeqs = payloads(watcher->on("state"));
    EXPECT_TRUE(std::is_sorted(stateSeqs.begin(), stateSeqs.end(),
                               [](const json& a, const json& b) { return a["seq"] < b["seq"]; }));
}

TEST_F(PublisherTest, ALateSubscriberFindsTheRetainedTopicsAndNoEvents) {
    startBroker();
    startPublisher(settingsFor(broker->port()));
    ASSERT_TRUE(connected());
    reportSale(*publisher);
    publisher->error(WallClock::now(), 3, "Error Code 3");
    ASSERT_TRUE(eventually([&] {
        const auto counts = publisher->counts();
        return counts.waiting == 0 && counts.delivered >= 9;
    }));
    auto late = watch();
    ASSERT_TRUE(late->waitForCount("levels", 1) && late->waitForCount("state", 1) &&
                late->waitForCount("online", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (const auto& message : late->messages()) EXPECT_TRUE(message.retained) << message.topic;
    EXPECT_TRUE(late->on("events").empty());
    const json state = json::parse(late->last("state"));
    EXPECT_EQ(3, state["lastError"]["code"]);
    EXPECT_EQ("Error Code 3", state["lastError"]["text"]);
}

TEST_F(PublisherTest, ABrokerRestartInABurstLosesNothingAndKeepsTheOrder) {
    startBroker(persistent());
    // The monitor's session outlives the broker's restart, as a chain's should.
    auto watcher = watch(monitor("monitor-1"));
    auto settings = settingsFor(broker->port());
    settings.queueSize = 2000;
    startPublisher(settings);
    ASSERT_TRUE(connected());
    constexpr int kEvents = 600;
    for (int i = 1; i <= kEvents; ++i) {
        publisher->cashSession(WallClock::now(), 2, i);
        if (i == 200) broker->stop();
        if (i == 400) {
            ASSERT_TRUE(broker->start());
        }
        // Bursts of ten: the window is full when the broker goes.
        if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(watcher->waitFor(
        [](const std::vector<ReceivedMessage>& all) {
            return newest(all, "events").value("seq", 0) == kEvents;
        },
        30000))
        << broker->log();
    EXPECT_EQ(range(1, kEvents), withoutRepeats(eventSeqs(*watcher)));
    EXPECT_EQ(0u, publisher->counts().dropped);
    EXPECT_NE("", log.find({"connected to the broker"}));
}

TEST_F(PublisherTest, ABrokerThatForgotEverythingGetsTheRetainedTopicsAfresh) {
    startBroker();  // no persistence: a restart loses every retained message
    startPublisher(settingsFor(broker->port()));
    ASSERT_TRUE(connected());
    reportSale(*publisher);
    ASSERT_TRUE(eventually([&] { return publisher->counts().delivered >= 9; }));
    broker->stop();
    ASSERT_TRUE(eventually([&] { return !publisher->counts().connected; }));
    ASSERT_TRUE(broker->start());
    ASSERT_TRUE(connected());
    auto late = watch();
    ASSERT_TRUE(late->waitForCount("state", 1) && late->waitForCount("levels", 1) &&
                late->waitForCount("online", 1));
    EXPECT_EQ("01.23", json::parse(late->last("state"))["deviceVersion"]);
    EXPECT_EQ(2000, json::parse(late->last("levels"))["levels"][0]["denomination"]);
    EXPECT_TRUE(json::parse(late->last("online"))["online"]);
}

TEST_F(PublisherTest, AFullQueueDropsTheOldestAndReportsThemOnReconnecting) {
    startBroker(persistent());
    auto watcher = watch(monitor("monitor-2"));
    auto settings = settingsFor(broker->port());
    settings.queueSize = 50;
    startPublisher(settings);
    ASSERT_TRUE(connected());
    for (int i = 1; i <= 10; ++i) publisher->cashSession(WallClock::now(), 2, i);
    ASSERT_TRUE(watcher->waitForCount("events", 10));
    broker->stop();
    ASSERT_TRUE(eventually([&] { return !publisher->counts().connected; }));
    for (int i = 11; i <= 130; ++i) publisher->cashSession(WallClock::now(), 2, i);
    EXPECT_EQ(50u, publisher->counts().waiting);
    ASSERT_TRUE(broker->start());
    // (A monitor that reconnects late gets the retained topics again after
    // the events: the newest event is the one to wait for.)
    ASSERT_TRUE(watcher->waitFor(
        [](const std::vector<ReceivedMessage>& all) {
            return newest(all, "events").value("seq", 0) == 130;
        },
        20000));

    const auto events = payloads(watcher->on("events"));
    const auto report = std::find_if(events.begin(), events.end(),
                                      [](const json& e) { return e["type"] == "dropped"; });
    ASSERT_NE(events.end(), report);
    EXPECT_EQ(70, (*report)["count"]);
    EXPECT_EQ(11, (*report)["firstSeq"]);
    EXPECT_EQ(80, (*report)["lastSeq"]);
    EXPECT_EQ(80, (*report)["seq"]) << "the report takes the place of what it stands for";
    std::vector<std::uint64_t> expected = range(1, 10), after = range(80, 130);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(expected, withoutRepeats(eventSeqs(*watcher)));
    EXPECT_EQ(70, json::parse(watcher->last("state"))["droppedEvents"]);
    EXPECT_NE("", log.find({"70 events (11 to 80) were dropped"}));
}

TEST_F(PublisherTest, TlsWithTheChainsOwnAuthority) {
    const std::string ca = makeTestCa();
    ASSERT_NE("", ca);
    BrokerOptions options;
    options.tlsDir = ca;
    options.requireClientCert = true;
    startBroker(options);
    const struct {
        const char* caFile;
        bool connects;
        const char* logged;
    } cases[] = {
        {"ca.pem", true, "over TLS"},
        {"other-ca.pem", false, "certificate verify failed"},
    };
    for (const auto& c : cases) {
        auto settings = settingsFor(broker->port());
        settings.caFile = ca + "/" + c.caFile;
        settings.certFile = ca + "/client.pem";
        settings.keyFile = ca + "/client.key";
        startPublisher(settings);
        EXPECT_TRUE(eventually([&] { return log.find({c.logged}) != ""; })) << c.caFile;
        EXPECT_EQ(c.connects, publisher->counts().connected) << c.caFile;
        publisher.reset();
    }
    WatcherOptions tls;
    tls.caFile = ca + "/ca.pem";
    tls.certFile = ca + "/client.pem";
    tls.keyFile = ca + "/client.key";
    auto watcher = watch(tls);
    ASSERT_TRUE(watcher->waitForCount("online", 1));
    EXPECT_FALSE(json::parse(watcher->last("online"))["online"]) << "the clean stop's word";
}

TEST_F(PublisherTest, AWrongPasswordIsLoggedAndTheReportsGoOnWithoutWaiting) {
    BrokerOptions options;
    options.user = "till";
    options.password = "s3cret";
    startBroker(options);
    auto settings = settingsFor(broker->port());
    settings.username = "till";
    settings.password = "wrong";
    settings.queueSize = 5;
    startPublisher(settings);
    EXPECT_TRUE(eventually([&] { return log.find({"refused the connection"}) != ""; }));
    const std::string line = log.find({"refused the connection"});
    EXPECT_NE(std::string::npos, line.find("not authorised")) << line;
    EXPECT_NE(std::string::npos, line.find("check username and password")) << line;
    for (int i = 0; i < 20; ++i) publisher->cashSession(WallClock::now(), 2, i);
    const auto counts = publisher->counts();
    EXPECT_FALSE(counts.connected);
    EXPECT_EQ(5u, counts.waiting);
    EXPECT_EQ(15u, counts.dropped);
}

}  // namespace
}  // namespace qxtest
