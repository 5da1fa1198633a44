// safety_test.cpp - what a local service must refuse, over real sockets:
// handshakes without the token, from foreign pages or rebound names;
// malformed, binary and oversized messages; idle and slow connections.
// Each case checks that nothing reached the device, that the refusal was
// logged and that the service still answers a well-behaved client.
#include "service_harness.h"

#include <list>

namespace qxdtest {
namespace {

struct HandshakeCase {
    const char* name;
    Handshake handshake;
    unsigned status;     // the handshake's HTTP status
    const char* logged;  // part of the refusal's log line; "" when admitted
};

Handshake with(std::string host, std::string origin, std::string protocols) {
    Handshake hs;
    hs.host = std::move(host);
    hs.origin = std::move(origin);
    hs.protocols = std::move(protocols);
    return hs;
}

TEST_F(ServiceTest, HandshakesAreCheckedForHostOriginAndToken) {
    startService();
    const std::string good = goodProtocols();
    const std::string otherPort = "http://127.0.0.1:" + std::to_string(port + 1);
    const HandshakeCase cases[] = {
        {"no token", with("127.0.0.1", "", "qxd.v1"), 401, "no valid token"},
        {"wrong token", with("127.0.0.1", "", "qxd.v1, qxd.token." + std::string(64, 'b')), 401,
         "no valid token"},
        {"token cut short", with("127.0.0.1", "", "qxd.v1, qxd.token." + std::string(63, 'a')), 401,
         "no valid token"},
        {"no subprotocol", with("127.0.0.1", "", ""), 401, "\"qxd.v1\" was not offered"},
        {"foreign origin", with("127.0.0.1", "http://evil.example", good), 403,
         "Origin \"http://evil.example\""},
        {"own origin, other port", with("127.0.0.1", otherPort, good), 403, "Origin"},
        {"rebound host", with("evil.example", "", good), 403, "Host \"evil.example\""},
        {"rebound host with port", with("evil.example:80", "", good), 403, "Host"},
        {"loopback-looking host", with("localhost.evil.example", "", good), 403, "Host"},
        {"program, no origin", with("127.0.0.1", "", good), 101, ""},
        {"localhost", with("localhost:9", "", good), 101, ""},
        {"listed origin", with("[::1]", "http://till.example:8080", good), 101, ""},
    };
    const std::string before = commands();
    for (const HandshakeCase& c : cases) {
        EXPECT_EQ(c.status, upgradeStatus(port, c.handshake)) << c.name;
        EXPECT_EQ(c.status == 101, WsClient(port, c.handshake).open) << c.name;
        EXPECT_TRUE(!*c.logged || logged(c.logged)) << c.name;
    }
    EXPECT_EQ(403u, httpGet(port, "/v1/health", "evil.example").first);
    EXPECT_EQ(before, commands());
    expectAnswering();
}

struct MalformedCase {
    const char* text;
    const char* field;
};

TEST_F(ServiceTest, MalformedRequestsAreAnsweredAndNothingReachesTheDevice) {
    const std::string longText(256, 'x');
    const MalformedCase cases[] = {
        {"not json", "request"},
        {"{\"id\":1,\"op\":", "request"},
        {"[1,2]", "request"},
        {"{\"op\":\"reset\"}", "id"},
        {"{\"id\":[1],\"op\":\"reset\"}", "id"},
        {"{\"id\":1}", "op"},
        {"{\"id\":1,\"op\":7}", "op"},
        {"{\"id\":1,\"op\":\"fly\"}", "op"},
        {"{\"id\":1,\"op\":\"reset\",\"extra\":1}", "extra"},
        {"{\"id\":1,\"op\":\"reset\",\"args\":[]}", "args"},
        {"{\"id\":1,\"op\":\"dispense\",\"args\":{}}", "args.amount"},
        {"{\"id\":1,\"op\":\"dispense\",\"args\":{\"amount\":\"500\"}}", "args.amount"},
        {"{\"id\":1,\"op\":\"dispense\",\"args\":{\"amount\":5.5}}", "args.amount"},
        {"{\"id\":1,\"op\":\"dispense\",\"args\":{\"amount\":4294967796}}", "args.amount"},
        {"{\"id\":1,\"op\":\"dispense\",\"args\":{\"amount\":500,\"txt\":\"\"}}", "args.txt"},
        {"{\"id\":1,\"op\":\"regret\",\"args\":{\"regretType\":65536}}", "args.regretType"},
        {"{\"id\":1,\"op\":\"login\",\"args\":{\"user\":1,\"password\":null}}", "args.password"},
        {"{\"id\":1,\"op\":\"deposit\",\"args\":{\"text\":\"a\\u0000b\"}}", "args.text"},
    };
    startService();
    WsClient till(port);
    openSession(till);
    const std::string before = commands();
    for (const MalformedCase& c : cases) {
        till.sendText(c.text);
        const Json answer = till.nextAnswer();
        ASSERT_FALSE(answer.is_null()) << c.text;
        EXPECT_EQ(4, answer["code"]) << c.text;
        EXPECT_EQ(c.field, answer.value("field", "")) << c.text;
        EXPECT_EQ(false, answer["device"]) << c.text;
        EXPECT_TRUE(logged(answer["message"].get<std::string>())) << c.text;
    }
    till.sendText("{\"id\":\"t\",\"op\":\"deposit\",\"args\":{\"text\":\"" + longText + "\"}}");
    EXPECT_EQ("args.text", till.answerTo("t").value("field", ""));
    till.sendBinary("{\"id\":1,\"op\":\"reset\"}");
    EXPECT_EQ("request", till.nextAnswer().value("field", ""));
    EXPECT_EQ(before, commands());
    // The same connection goes on working.
    EXPECT_EQ(0, till.request("disablePayin")["code"]);
    EXPECT_NE(before, commands());
}

TEST_F(ServiceTest, OversizedMessageClosesOnlyThatConnection) {
    settings.maxMessageBytes = 1024;
    startService();
    WsClient till(port);
    openSession(till);
    const std::string before = commands();
    WsClient big(port);
    big.sendText("{\"id\":1,\"op\":\"reset\",\"args\":{\"text\":\"" + std::string(2000, 'x') + "\"}}");
    EXPECT_TRUE(big.closedByService());
    EXPECT_TRUE(logged("message larger than 1024 bytes"));
    EXPECT_EQ(before, commands());
    EXPECT_EQ(0, till.request("isOpen")["code"]);
    expectAnswering();
}

TEST_F(ServiceTest, IdleConnectionsMakeRoomForNewClients) {
    settings.maxPending = 64;
    startService();
    net::io_context io;
    std::list<tcp::socket> idle;
    for (int i = 0; i < 200; ++i) {
        idle.emplace_back(io);
        idle.back().connect(tcp::endpoint(net::ip::make_address(i % 2 ? "127.0.0.1" : "::1"), port));
    }
    const std::string before = commands();
    expectAnswering();
    EXPECT_TRUE(logged("too many connections waiting"));
    EXPECT_EQ(before, commands());
}

TEST_F(ServiceTest, ClientsBeyondTheLimitAreRefused) {
    settings.maxConnections = 3;
    startService();
    std::list<WsClient> clients;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(clients.emplace_back(port).open);
    EXPECT_EQ(503u, upgradeStatus(port, Handshake()));
    EXPECT_TRUE(logged("too many clients"));
    clients.pop_front();
    ASSERT_TRUE(logged("client gone"));
    expectAnswering();
}

TEST_F(ServiceTest, ClientThatDoesNotReadIsDropped) {
    settings.sendQueueLimit = 16;
    startService();
    {
        // The device opened by a till that leaves again: events flow.
        WsClient till(port);
        ASSERT_EQ(0, till.request("claim")["code"]);
        ASSERT_EQ(0, till.request("init")["code"]);
    }
    WsClient slow(port);
    ASSERT_TRUE(slow.open);
    slow.socket().set_option(net::socket_base::receive_buffer_size(4096));
    const std::string before = commands();
    // Status reports, as a device that is paid in coin by coin sends them.
    for (int i = 0; i < 20000 && !hasLine("client does not read"); ++i)
        qxsim_inject_callback(("a" + std::string(8 - std::to_string(i).size(), '0') +
                               std::to_string(i) + "01").c_str());
    EXPECT_TRUE(logged("client does not read"));
    EXPECT_TRUE(slow.closedByService());
    ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs));
    drainEvents();
    EXPECT_EQ(before, commands());
    expectAnswering();
}

}  // namespace
}  // namespace qxdtest
