// session_test.cpp - a till's session through the service over a real
// WebSocket: a sale with its events before the answer, the one controller
// and its watchers, and a controller that vanishes with cash paid in.
#include "service_harness.h"

namespace qxdtest {
namespace {

TEST_F(ServiceTest, SaleGivesChangeWithEventsInReportOrder) {
    startService();
    WsClient till(port);
    ASSERT_TRUE(till.open);
    openSession(till);
    const long long held = qxsim_total_value();
    ASSERT_EQ(0, qxsim_insert(1000));
    ASSERT_FALSE(till.waitEvent("status", "amount", 1000).is_null());
    const Json sale = till.request("amountDue", {{"amountDue", 730}, {"text", "sale 1"}});
    EXPECT_EQ(0, sale["code"]);
    EXPECT_EQ("Done", sale["message"]);
    EXPECT_EQ(true, sale["device"]);
    EXPECT_EQ(0, sale["out"]["amountRest"]);
    EXPECT_EQ(held + 730, qxsim_total_value());
    std::uint64_t seq = 0;
    for (const Json& e : till.events) {
        if (!e.contains("seq")) continue;
        EXPECT_LT(seq, e["seq"].get<std::uint64_t>());
        seq = e["seq"];
    }
    const Json info = till.request("info");
    EXPECT_EQ(0, info["code"]);
    EXPECT_EQ("01.23", info["out"]["master"]);
    const Json health = Json::parse(httpGet(port, "/v1/health").second);
    EXPECT_EQ(true, health["deviceOpen"]);
    EXPECT_EQ(true, health["controlled"]);
}

TEST_F(ServiceTest, OneClientControlsWhileOthersWatch) {
    startService();
    WsClient till(port), watcher(port);
    ASSERT_TRUE(till.open && watcher.open);
    ASSERT_EQ(0, till.request("claim")["code"]);
    const Json claim = watcher.request("claim");
    EXPECT_EQ(1, claim["code"]);
    EXPECT_EQ("Another client controls the device", claim["message"]);
    const std::string before = commands();
    for (const char* op : {"init", "enablePayin", "reset", "exit"}) {
        const Json refused = watcher.request(op);
        EXPECT_EQ(1, refused["code"]) << op;
        EXPECT_EQ(false, refused["device"]) << op;
    }
    EXPECT_EQ(before, commands());
    openSession(till);
    // The watcher sees the controller's session as it happens.
    EXPECT_FALSE(watcher.waitEvent("operator", "loggedIn", true).is_null());
    EXPECT_FALSE(watcher.waitEvent("status", "status", 0).is_null());
    EXPECT_EQ(1, watcher.request("isOpen")["out"]["open"]);
    // Released, the device is the next claimer's.
    ASSERT_EQ(0, till.request("release")["code"]);
    EXPECT_EQ(0, watcher.request("claim")["code"]);
}

TEST_F(ServiceTest, ControllerVanishingMidDepositGetsItsCashBack) {
    startService();
    WsClient watcher(port);
    {
        WsClient till(port);
        openSession(till);
        const long long held = qxsim_total_value(), box = qxsim_cash_box();
        ASSERT_EQ(0, qxsim_insert(1000));
        ASSERT_EQ(0, qxsim_insert(200));
        ASSERT_FALSE(till.waitEvent("status", "amount", 1200).is_null());
        ASSERT_EQ(held + 1200, qxsim_total_value());
        till.drop();
        ASSERT_TRUE(logged("controlling client left: logged out: 0"));
        EXPECT_EQ(held, qxsim_total_value());
        EXPECT_EQ(box, qxsim_cash_box());
    }
    EXPECT_TRUE(logged("returned the 1200 paid in (regret): 0"));
    EXPECT_FALSE(watcher.waitEvent("operator", "loggedIn", false).is_null());
    EXPECT_FALSE(watcher.waitEvent("control", "control", "none").is_null());
    // The next till finds the device free and logged out.
    WsClient next(port);
    EXPECT_EQ(0, next.request("claim")["code"]);
    EXPECT_EQ(0, next.request("login", {{"user", 1}, {"password", 1}})["code"]);
}

}  // namespace
}  // namespace qxdtest
