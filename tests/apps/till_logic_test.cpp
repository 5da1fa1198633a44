// till_logic_test.cpp - the demo till's own pieces that its program test
// cannot reach cheaply: command and option parsing, the event inbox fed
// from another thread, and the shift's books.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "till_books.h"
#include "till_commands.h"
#include "till_events.h"
#include "till_options.h"

namespace {

using namespace till;

struct CommandCase {
    const char* line;
    Verb verb;
    int amount;        // checked when >= 0
    const char* error; // a part of the explanation, or ""
};

TEST(TillCommands, LinesToVerbsAmountsAndExplanations) {
    const CommandCase cases[] = {
        {"  PAY   1250 ", Verb::Pay, 1250, ""},
        {"Insert\t2000", Verb::Insert, 2000, ""},
        {"pay 0000000001250", Verb::Pay, 1250, ""},
        {"pay 99999999", Verb::Pay, kMaxAmount, ""},
        {"   \t ", Verb::Empty, -1, ""},
        {"exit", Verb::Quit, -1, ""},
        {"cancel", Verb::Regret, -1, ""},
        {"refund 500", Verb::Refund, 500, ""},
        {"frobnicate 3", Verb::Invalid, -1, "unknown command 'frobnicate'"},
        {"pay abc", Verb::Invalid, -1, "'abc' is not an amount"},
        {"pay -5", Verb::Invalid, -1, "cannot be negative"},
        {"pay 100000000", Verb::Invalid, -1, "too big"},
        {"refund", Verb::Invalid, -1, "takes one amount"},
        {"pay 1 2", Verb::Invalid, -1, "takes one amount"},
        {"status now", Verb::Invalid, -1, "takes no arguments"},
        {"pay 12.50", Verb::Invalid, -1, ""},
        {"login 7", Verb::Invalid, -1, ""},
        {"login 100 1", Verb::Invalid, -1, ""},
    };
    for (const CommandCase& c : cases) {
        const Command command = parseCommand(c.line);
        EXPECT_EQ(command.verb, c.verb) << c.line;
        EXPECT_TRUE(c.amount < 0 || command.amount == c.amount) << c.line;
        EXPECT_NE(command.error.find(c.error), std::string::npos) << c.line;
    }
    const Command given = parseCommand("login 7 42");
    EXPECT_EQ(given.user * 100 + given.password, 742);
    const Command plain = parseCommand("login");
    EXPECT_EQ(plain.user * 100 + plain.password, 101);
}

TEST(TillOptions, JobDeliveryPortAndMistakes) {
    Options options;
    std::string error;
    ASSERT_TRUE(parseOptions({"demo", "--window", "--port", "COM7"}, options, error));
    EXPECT_EQ(options.job, Job::Demo);
    EXPECT_EQ(options.delivery, Delivery::Window);
    EXPECT_EQ(portSettings(options), "Type:RS232;Name:COM7");
    Options defaults;
    ASSERT_TRUE(parseOptions({}, defaults, error));
    EXPECT_EQ(defaults.job, Job::Interactive);
    EXPECT_EQ(portSettings(defaults), "Type:RS232;Name:COM1");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--colour"}, {"--port"}, {"demo", "interactive"}, {"dance"}})
        EXPECT_FALSE(parseOptions(wrong, options, error)) << wrong.front();
}

TEST(TillEvents, InboxTakesPushesFromAnotherThreadInOrder) {
    EventInbox inbox;
    std::thread device([&] {
        for (int i = 0; i < 500; ++i) inbox.push(statusFromWindow(101, i));
    });
    int received = 0;
    while (received < 500) {
        for (const TillEvent& e : inbox.take()) EXPECT_EQ(e.amount, received++);
    }
    device.join();
    EXPECT_EQ(inbox.view().amount, 499);
    EXPECT_EQ(inbox.view().status, 1);
    EXPECT_EQ(inbox.count(EventKind::Status), 500);
}

TEST(TillBooks, NetCashFollowsSalesRegretsAndRefunds) {
    Books books;
    books.sale(1250, 1250, 0);
    books.sale(730, 1000, 270);
    books.regret(2000);
    books.refund(500);
    EXPECT_EQ(books.takings(), 1980);
    EXPECT_EQ(books.netCash(), 1480);
    EXPECT_TRUE(books.balances(10000, 11480));
    EXPECT_FALSE(books.balances(10000, 11479));
    std::ostringstream out;
    books.summary(out, 10000, 11480);
    EXPECT_NE(out.str().find("matches the till's books"), std::string::npos) << out.str();
}

}  // namespace
