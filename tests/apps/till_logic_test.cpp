// till_logic_test.cpp - the demo till's own pieces: command and option
// parsing, the words it prints, the event inbox and the shift's books.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

#include "till_books.h"
#include "till_commands.h"
#include "till_events.h"
#include "till_format.h"
#include "till_options.h"

namespace {

using namespace till;

TEST(TillCommands, VerbsAreCaseInsensitiveAndBlanksDoNotMatter) {
    EXPECT_EQ(parseCommand("  PAY   1250 ").verb, Verb::Pay);
    EXPECT_EQ(parseCommand("pay 1250").amount, 1250);
    EXPECT_EQ(parseCommand("Insert\t2000").amount, 2000);
    EXPECT_EQ(parseCommand("").verb, Verb::Empty);
    EXPECT_EQ(parseCommand("   \t ").verb, Verb::Empty);
    EXPECT_EQ(parseCommand("quit").verb, Verb::Quit);
    EXPECT_EQ(parseCommand("exit").verb, Verb::Quit);
    EXPECT_EQ(parseCommand("cancel").verb, Verb::Regret);
    EXPECT_EQ(parseCommand("refund 500").verb, Verb::Refund);
    EXPECT_EQ(parseCommand("levels").verb, Verb::Levels);
}

TEST(TillCommands, BadInputIsExplainedNotAccepted) {
    Command unknown = parseCommand("frobnicate 3");
    EXPECT_EQ(unknown.verb, Verb::Invalid);
    EXPECT_NE(unknown.error.find("unknown command 'frobnicate'"), std::string::npos);

    Command notNumber = parseCommand("pay abc");
    EXPECT_EQ(notNumber.verb, Verb::Invalid);
    EXPECT_NE(notNumber.error.find("'abc' is not an amount"), std::string::npos);

    EXPECT_NE(parseCommand("pay -5").error.find("cannot be negative"), std::string::npos);
    EXPECT_NE(parseCommand("refund").error.find("takes one amount"), std::string::npos);
    EXPECT_NE(parseCommand("pay 1 2").error.find("takes one amount"), std::string::npos);
    EXPECT_NE(parseCommand("status now").error.find("takes no arguments"), std::string::npos);
    EXPECT_EQ(parseCommand("pay 12.50").verb, Verb::Invalid);
    EXPECT_EQ(parseCommand(std::string("\x01\xff", 2)).verb, Verb::Invalid);
}

TEST(TillCommands, AmountsStayWithinEightDigits) {
    int amount = -1;
    std::string error;
    EXPECT_TRUE(parseAmount("0", amount, error));
    EXPECT_EQ(amount, 0);
    EXPECT_TRUE(parseAmount("99999999", amount, error));
    EXPECT_EQ(amount, kMaxAmount);
    EXPECT_TRUE(parseAmount("0000000001250", amount, error));
    EXPECT_EQ(amount, 1250);
    EXPECT_FALSE(parseAmount("100000000", amount, error));
    EXPECT_NE(error.find("too big"), std::string::npos);
    EXPECT_FALSE(parseAmount("99999999999999999999", amount, error));
    EXPECT_FALSE(parseAmount("", amount, error));
    EXPECT_FALSE(parseAmount("12x", amount, error));
}

TEST(TillCommands, LoginTakesNoneOrBothNumbers) {
    Command plain = parseCommand("login");
    EXPECT_EQ(plain.verb, Verb::Login);
    EXPECT_EQ(plain.user, 1);
    EXPECT_EQ(plain.password, 1);
    Command given = parseCommand("login 7 42");
    EXPECT_EQ(given.user, 7);
    EXPECT_EQ(given.password, 42);
    EXPECT_EQ(parseCommand("login 7").verb, Verb::Invalid);
    EXPECT_EQ(parseCommand("login 100 1").verb, Verb::Invalid);
    EXPECT_EQ(parseCommand("login x y").verb, Verb::Invalid);
}

TEST(TillOptions, JobDeliveryAndPort) {
    Options options;
    std::string error;
    ASSERT_TRUE(parseOptions({"demo", "--window", "--port", "COM7"}, options, error));
    EXPECT_EQ(options.job, Job::Demo);
    EXPECT_EQ(options.delivery, Delivery::Window);
    EXPECT_EQ(portSettings(options), "Type:RS232;Name:COM7");

    Options defaults;
    ASSERT_TRUE(parseOptions({}, defaults, error));
    EXPECT_EQ(defaults.job, Job::Interactive);
    EXPECT_EQ(defaults.delivery, Delivery::Callbacks);
    EXPECT_EQ(portSettings(defaults), "Type:RS232;Name:COM1");
}

TEST(TillOptions, MistakesAreRefusedWithAReason) {
    Options options;
    std::string error;
    EXPECT_FALSE(parseOptions({"--colour"}, options, error));
    EXPECT_NE(error.find("--colour"), std::string::npos);
    EXPECT_FALSE(parseOptions({"--port"}, options, error));
    EXPECT_FALSE(parseOptions({"demo", "interactive"}, options, error));
    EXPECT_FALSE(parseOptions({"dance"}, options, error));
    ASSERT_TRUE(parseOptions({"--help"}, options, error));
    EXPECT_EQ(options.job, Job::Help);
}

TEST(TillFormat, CodesMoneyAndDeviceWords) {
    EXPECT_EQ(statusCodeName(0), "QX_STATUS_OK");
    EXPECT_EQ(statusCodeName(4), "QX_STATUS_INPUT_PARAM_ERROR");
    EXPECT_EQ(statusCodeName(8), "QX_STATUS_NOT_POSSIBLE");
    EXPECT_EQ(statusCodeName(9), "code 9");
    EXPECT_EQ(statusCodeName(12), "QX_STATUS_NOT_SUPPORTED");
    EXPECT_EQ(statusCodeName(13), "code 13");
    EXPECT_EQ(statusCodeName(-1), "code -1");
    EXPECT_EQ(formatResult(5, "Closed"), "5 QX_STATUS_CLOSED: Closed");

    EXPECT_EQ(formatMoney(0), "0.00");
    EXPECT_EQ(formatMoney(5), "0.05");
    EXPECT_EQ(formatMoney(1250), "12.50");
    EXPECT_EQ(formatMoney(-250), "-2.50");
    EXPECT_EQ(formatMoney(99999999), "999999.99");

    EXPECT_EQ(deviceStatusName(3), "idle, pay-in disabled");
    EXPECT_EQ(deviceModeName(1), "open");
    EXPECT_EQ(sessionTypeName(3), "CR/RF");
    EXPECT_EQ(sessionTypeName(7), "type 7");
}

TEST(TillEvents, WindowStatusNumbersAreSplitIntoStatusAndMode) {
    TillEvent e = statusFromWindow(103, 1250);
    EXPECT_EQ(e.status, 3);
    EXPECT_EQ(e.mode, 1);
    EXPECT_EQ(e.amount, 1250);
    EXPECT_TRUE(e.viaWindow);
    EXPECT_EQ(describeEvent(e),
              "event status: amount=12.50 status=3 (idle, pay-in disabled) mode=1 (open)"
              " [window message]");
    TillEvent closed = statusFromWindow(0, 0);
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.mode, 0);
}

TEST(TillEvents, DescriptionsCarryTheEventsTexts) {
    TillEvent error;
    error.kind = EventKind::Error;
    error.errorCode = 12;
    error.text = "Error Code 12";
    error.extInfo = "ErrorInfo Not set";
    EXPECT_EQ(describeEvent(error),
              "event error: code=12 text=\"Error Code 12\" extInfo=\"ErrorInfo Not set\"");

    TillEvent warning;
    warning.kind = EventKind::LevelWarning;
    warning.warningType = 2;
    warning.typeString = "Low";
    warning.denomination = 200;
    warning.denominationString = "2";
    warning.count = 5;
    warning.text = "2 Low (5 Left)";
    EXPECT_EQ(describeEvent(warning),
              "event level warning: type=2 (Low) denomination=2.00 (\"2\") count=5 "
              "message=\"2 Low (5 Left)\"");

    TillEvent session;
    session.kind = EventKind::CashSession;
    session.infoType = 4;
    session.extInfo = "QuaxVault restarted";
    EXPECT_NE(describeEvent(session).find("type=4 (QuaxV)"), std::string::npos);
}

TEST(TillEvents, InboxHandsOverInOrderAndTracksTheLastStatus) {
    EventInbox inbox;
    EXPECT_FALSE(inbox.view().seen);
    TillEvent first = statusFromWindow(0 + 100, 500);
    TillEvent second = statusFromWindow(1 + 100, 800);
    TillEvent level;
    level.kind = EventKind::CashLevel;
    inbox.push(first);
    inbox.push(level);
    inbox.push(second);
    EXPECT_FALSE(inbox.view().seen);  // only what the till has taken counts
    std::vector<TillEvent> taken = inbox.take();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].amount, 500);
    EXPECT_EQ(taken[1].kind, EventKind::CashLevel);
    EXPECT_TRUE(inbox.view().seen);
    EXPECT_EQ(inbox.view().amount, 800);
    EXPECT_EQ(inbox.view().status, 1);
    EXPECT_TRUE(inbox.take().empty());
    EXPECT_EQ(inbox.total(), 3);
    EXPECT_EQ(inbox.count(EventKind::Status), 2);
}

TEST(TillEvents, InboxTakesPushesFromAnotherThread) {
    EventInbox inbox;
    std::thread device([&] {
        for (int i = 0; i < 500; ++i) inbox.push(statusFromWindow(100, i));
    });
    std::size_t received = 0;
    int lastAmount = -1;
    bool ordered = true;
    while (received < 500) {
        for (const TillEvent& e : inbox.take()) {
            ordered = ordered && e.amount == lastAmount + 1;
            lastAmount = e.amount;
            ++received;
        }
    }
    device.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(inbox.count(EventKind::Status), 500);
}

TEST(TillBooks, NetCashFollowsSalesRegretsAndRefunds) {
    Books books;
    books.sale(1250, 1250, 0);
    books.sale(730, 1000, 270);
    books.regret(2000);
    books.refund(500);
    EXPECT_EQ(books.sales(), 2);
    EXPECT_EQ(books.takings(), 1980);
    EXPECT_EQ(books.netCash(), 1480);
    EXPECT_TRUE(books.balances(10000, 11480));
    EXPECT_FALSE(books.balances(10000, 11479));
    EXPECT_TRUE(books.balances(-1, 500));  // a device that cannot say

    std::ostringstream out;
    books.summary(out, 10000, 11480);
    std::string text = out.str();
    EXPECT_NE(text.find("sales settled: 2"), std::string::npos);
    EXPECT_NE(text.find("19.80"), std::string::npos);
    EXPECT_NE(text.find("net cash of the shift"), std::string::npos);
    EXPECT_NE(text.find("14.80"), std::string::npos);
    EXPECT_NE(text.find("matches the till's books"), std::string::npos);
}

}  // namespace
