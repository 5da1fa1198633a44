// link_commands_test.cpp - the command texts the device receives and how
// its answers become status codes.
#include <gtest/gtest.h>

#include "tests/link/link_fixture.h"

namespace qxtest {
namespace {

class LinkCommandTest : public LinkTest {};

TEST(CommandText, AmountFormats) {
    EXPECT_EQ(pad8(1250), "00001250");
    EXPECT_EQ(pad8(0), "00000000");
    EXPECT_EQ(pad8(123456789), "123456789");
    EXPECT_EQ(pad8(-5), "000000-5");
    EXPECT_EQ(fixed8(12345), "00012345");
    EXPECT_EQ(fixed8(123456789), "12345678");
    EXPECT_EQ(fixed8(-5), "-0000005");
    EXPECT_EQ(g_strFS, std::string("\x1C"));
}

// The third character decides; the first two are never looked at.
TEST_F(LinkCommandTest, AnswerCharacterMapsToStatusAndMessage) {
    const struct {
        const char* answer;
        short status;
        const char* text;
    } cases[] = {{"000", 0, "Done"},         {"XY0", 0, "Done"},   {"001", 1, "Busy"},
                 {"002", 2, "Error"},        {"003", 5, "Closed"}, {"009", 7, "Send failed"},
                 {"00", 7, "Send failed"},   {"0", 7, "Send failed"},
                 {"", 7, "Send failed"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("answer \"") + c.answer + "\"");
        sim.overrideAnswer('d', c.answer, 1);
        std::strcpy(message, "untouched");
        EXPECT_EQ(g_link.askPayOut(100, message), c.status);
        EXPECT_STREQ(message, c.text);
    }
    // An overridden command has no effect beyond its answer.
    EXPECT_TRUE(callbacks().empty());
    EXPECT_EQ(received().size(), sizeof cases / sizeof cases[0]);
}

TEST_F(LinkCommandTest, SendRoutineLogsTheCommandUnchanged) {
    g_link.dispense(1250, "till 4", message);
    EXPECT_EQ(logLinesContaining("qxlogic", "-> " + fs("c|00001250|till 4")).size(), 1u);
}

TEST_F(LinkCommandTest, RefusedPayinCommandsTraceTheExchange) {
    sim.overrideAnswer('h', "003", 1);
    EXPECT_EQ(g_link.enablePayin(message), QX_STATUS_CLOSED);
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::enablePayin: sent command: h").size(), 1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::enablePayin: return value: 5, message: Closed")
                  .size(),
              1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::enablePayin: received ans: 003").size(), 1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::enablePayin: the enablePayin command failed")
                  .size(),
              1u);
    // Accepted: no trace.
    g_link.login(1, 1, message);
    EXPECT_EQ(g_link.disablePayin(message), QX_STATUS_OK);
    EXPECT_TRUE(logLinesContaining("qxlogic", "CDorvoLink::disablePayin:").empty());
}

TEST_F(LinkCommandTest, LoginSendsTwoDigitsEachAndTheLocalTime) {
    qxplat::setLocalClockForTesting([] {
        qxplat::LocalTime t{2026, 3, 14, 9, 5, 0, 0, 6, 72};
        return t;
    });
    EXPECT_EQ(g_link.login(7, 3, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(lastReceived(), fs("a|07|03|0905"));
    EXPECT_EQ(lastReceived().size(), 12u);
    g_link.login(123, 45, message);
    EXPECT_EQ(lastReceived(), fs("a|12|45|0905"));
    // The link sends a signed number as printed; the core passes it on
    // positive.
    g_link.login(123, -5, message);
    EXPECT_EQ(lastReceived(), fs("a|12|-5|0905"));
    g_link.login(-7, -45, message);
    EXPECT_EQ(lastReceived(), fs("a|-7|-4|0905"));
}

TEST_F(LinkCommandTest, CashCommandsCarryTheirAmountsAndText) {
    g_link.dispense(1250, "", message);
    EXPECT_EQ(lastReceived(), fs("c|00001250"));
    g_link.dispense(1250, "table 4", message);
    EXPECT_EQ(lastReceived(), fs("c|00001250|table 4"));
    g_link.doPayOut(123456789, 0, "", message);
    EXPECT_EQ(lastReceived(), fs("f|123456789|00000000"));
    g_link.doPayOut(0, 2500, "", message);
    EXPECT_EQ(lastReceived(), fs("f|00000000|00002500"));
    g_link.doPayOut(300, 2500, "receipt 17", message);
    EXPECT_EQ(lastReceived(), fs("f|00000300|00002500|receipt 17"));
    g_link.askPayOut(123456789, message);
    EXPECT_EQ(lastReceived(), fs("d|12345678"));
    g_link.askPayOut(12345, message);
    EXPECT_EQ(lastReceived(), fs("d|00012345"));
    g_link.regretAll(message);
    EXPECT_EQ(lastReceived(), fs("f|00000000|00000000|regretAll"));
}

TEST_F(LinkCommandTest, FixedCommands) {
    g_link.logout(message);
    g_link.enablePayin(message);
    g_link.disablePayin(message);
    g_link.change(message);
    g_link.regret(message);
    g_link.reset(message);
    g_link.regretAllTrue(message);
    std::vector<std::string> expected = {"b", "h", "g", fs("e|1"), fs("e|2"), fs("e|3"), fs("e|4")};
    EXPECT_EQ(received(), expected);
}

TEST_F(LinkCommandTest, VerifyIsBuiltInFortyCharacters) {
    EXPECT_EQ(g_link.verifyQX("QXLOGICS", message), QX_STATUS_OK);
    EXPECT_EQ(lastReceived(), fs("x|QXLOGICS"));
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::verifyQX: received ans: 000").size(), 1u);
    EXPECT_TRUE(logLinesContaining("qxlogic", "the verifyQX command failed").empty());
    std::string longArgument(50, 'v');
    g_link.verifyQX(longArgument.c_str(), message);
    EXPECT_EQ(lastReceived(), "x\x1C" + std::string(37, 'v'));
}

TEST_F(LinkCommandTest, RefusedLogoutTracesAnswerAndCode) {
    sim.overrideAnswer('b', "001", 1);
    EXPECT_EQ(g_link.logout(message), QX_STATUS_BUSY);
    EXPECT_STREQ(message, "Busy");
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::logout: received ans: 001, message: Busy")
                  .size(),
              1u);
    EXPECT_EQ(logLinesContaining("qxlogic", "CDorvoLink::logout: returning not ok: 1").size(), 1u);
}

}  // namespace
}  // namespace qxtest
