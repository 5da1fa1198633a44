// link_test.cpp - the device link: loading the device library and binding its entries, opening
// and closing, the command texts the device receives, and how answers become codes and traces.
#include <cstring>
#include <functional>

#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;

// Each command and the text the device receives ('|' for the separator).
TEST_F(DeviceTest, CommandsCarryTheirFieldsAndText) {
    // 09:05 today: a day of its own would log to another day's file.
    qxplat::LocalTime at = qxplat::localNow();
    at.hour = 9, at.minute = 5;
    qxplat::setLocalClockForTesting([at] { return at; });
    CDorvoLink& L = g_link;
    char* m = message;
    const std::pair<std::function<short()>, std::string> cases[] = {
        {[&] { return L.login(7, 3, m); }, "a|07|03|0905"},
        {[&] { return L.login(123, 45, m); }, "a|12|45|0905"},  // two characters each
        {[&] { return L.login(123, -5, m); }, "a|12|-5|0905"},
        {[&] { return L.login(-7, -45, m); }, "a|-7|-4|0905"},
        {[&] { return L.logout(m); }, "b"},       {[&] { return L.enablePayin(m); }, "h"},
        {[&] { return L.disablePayin(m); }, "g"}, {[&] { return L.change(m); }, "e|1"},
        {[&] { return L.regret(m); }, "e|2"},     {[&] { return L.reset(m); }, "e|3"},
        {[&] { return L.regretAllTrue(m); }, "e|4"},
        {[&] { return L.regretAll(m); }, "f|00000000|00000000|regretAll"},
        {[&] { return L.dispense(1250, "", m); }, "c|00001250"},
        {[&] { return L.dispense(1250, "table 4", m); }, "c|00001250|table 4"},
        {[&] { return L.dispense(-5, nullptr, m); }, "c|000000-5"},
        {[&] { return L.doPayOut(123456789, 0, "", m); }, "f|123456789|00000000"},
        {[&] { return L.doPayOut(300, 2500, "receipt 17", m); }, "f|00000300|00002500|receipt 17"},
        {[&] { return L.askPayOut(123456789, m); }, "d|12345678"},
        {[&] { return L.askPayOut(12345, m); }, "d|00012345"},
        {[&] { return L.askPayOut(-5, m); }, "d|-0000005"},
        {[&] { return L.verifyQX("QXLOGICS", m); }, "x|QXLOGICS"},
        {[&] { return L.verifyQX(std::string(50, 'v').c_str(), m); }, "x|" + std::string(37, 'v')},
    };
    for (const auto& c : cases) {
        forgetCommands();
        c.first();
        EXPECT_EQ(std::vector<std::string>{c.second}, commands());
    }
    qxplat::setLocalClockForTesting({});
    EXPECT_EQ(1u, logCount("-> " + qxtest::fs("c|00001250|table 4")));
}

// The answer's third character decides; refused commands and verifyQX trace the exchange.
TEST_F(DeviceTest, AnswersBecomeStatusMessageAndTraces) {
    const struct { const char* answer; short status; const char* text; } cases[] = {
        {"000", 0, "Done"},   {"XY0", 0, "Done"},          {"001", 1, "Busy"},
        {"002", 2, "Error"},  {"003", 5, "Closed"},        {"009", 7, "Send failed"},
        {"00", 7, "Send failed"}, {"0", 7, "Send failed"}, {"", 7, "Send failed"}};
    for (const auto& c : cases) {
        qxsim_override_answer('d', c.answer, 1);
        std::strcpy(message, "untouched");
        EXPECT_EQ(c.status, g_link.askPayOut(100, message)) << c.answer;
        EXPECT_STREQ(c.text, message) << c.answer;
    }
    settle();
    EXPECT_EQ("", g_strLastCallbackCommand.get());  // an overridden command does nothing else
    qxsim_override_answer('h', "003", 1);
    EXPECT_EQ(QX_STATUS_CLOSED, g_link.enablePayin(message));
    qxsim_override_answer('b', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, g_link.logout(message));
    ASSERT_EQ(0, g_link.login(1, 1, message));
    EXPECT_EQ(0, g_link.disablePayin(message));
    EXPECT_EQ(0, g_link.verifyQX("QXLOGICS", message));
    for (const char* line : {"CDorvoLink::enablePayin: sent command: h",
                             "CDorvoLink::enablePayin: return value: 5, message: Closed",
                             "CDorvoLink::enablePayin: received ans: 003",
                             "CDorvoLink::enablePayin: the enablePayin command failed",
                             "CDorvoLink::logout: received ans: 001, message: Busy",
                             "CDorvoLink::logout: returning not ok: 1",
                             "CDorvoLink::verifyQX: received ans: 000"})
        EXPECT_EQ(1u, logCount(line)) << line;
    EXPECT_EQ(0u, logCount("CDorvoLink::disablePayin:"));
}

// Exit unloads unless a callback runs; a library lacking an entry (checked: initiate, close,
// send) is refused and unloaded; a refused open passes the device's result and answer through.
TEST_F(DeviceTest, LinkLoadsOpensClosesAndUnloads) {
    g_nCallbacksInProgress = 2;
    EXPECT_EQ(0, g_link.exit(message));
    EXPECT_TRUE(g_link.isLoaded());
    EXPECT_EQ(1u, logCount("CDorvoLink::exit: NOT calling freeTheComLibrary since we're currently "
                           "processing (2) callback function(s) in that library."));
    g_nCallbacksInProgress = 0;
    EXPECT_EQ(0, g_link.freeTheComLibrary(message));
    EXPECT_EQ(QX_STATUS_ERROR, g_link.freeTheComLibrary(message));
    EXPECT_STREQ("Handle to library is null", message);
    EXPECT_EQ(0, g_link.loadTheComLibrary(message));
    EXPECT_STREQ("Done", message);
    EXPECT_EQ(0, g_link.freeTheComLibrary(message));
    EXPECT_FALSE(g_link.isLoaded());
    const std::string bin = qxplat::directoryOf(qxplat::ownModuleFileName("qxlogics.dll"));
    const std::pair<const char*, const char*> variants[] = {
        {"no_initiate", "qx_initiate is null"}, {"no_close", "qx_dini is null"},
        {"no_send", "qx_002 is null"}};
    for (const auto& v : variants) {
        qxplat::setLibraryDirectoryForTesting(bin + "variants" + qxplat::pathSeparator() + v.first);
        EXPECT_EQ(QX_STATUS_ERROR, g_link.initialize(callbackfunc, "COM1", message)) << v.first;
        EXPECT_STREQ(v.second, message);
        EXPECT_FALSE(g_link.isLoaded());
        EXPECT_EQ(QX_STATUS_ERROR, g_link.my_qx_dini(message));  // the slots are cleared
        EXPECT_STREQ("qx_dini is null", message);
    }
    qxplat::setLibraryDirectoryForTesting(bin);
    EXPECT_EQ(4u, logCount("CDorvoLink::loadTheComLibrary: Calling LoadLibrary(DorvoLINK)"));
    const std::string full(63, '#');  // the most an answer buffer holds
    const struct { int result; const char *answer, *port, *message; } opens[] = {
        {7, "COM9 in use by another program", "COM9", "COM9 in use by another program"},
        {5, full.c_str(), "COM5", full.c_str()},
        {3, nullptr, "COM4", "Cannot open port COM4"},
        {0, nullptr, "COM1", "Done"}};
    for (const auto& o : opens) {
        qxsim_refuse_initiate(o.result, o.answer);
        std::strcpy(message, "untouched");
        EXPECT_EQ(o.result, g_link.initialize(callbackfunc, o.port, message));
        EXPECT_STREQ(o.message, message);
        EXPECT_TRUE(g_link.isLoaded());
        EXPECT_EQ(o.result ? QX_STATUS_ERROR : QX_STATUS_OK, g_link.login(1, 1, message));
        EXPECT_EQ(0, g_link.exit(message));
        EXPECT_STREQ("Done", message);
    }
    EXPECT_EQ(1u, errors("CDorvoLink::initialize: my_qx_initiate returned error, portName: COM9, "
                         "ans: COM9 in use by another program, nReturn: 7").size());
    EXPECT_EQ(4u, logCount("CDorvoLink::initialize: Calling my_qx_initiate"));
    EXPECT_EQ(5u, logCount("CDorvoLink::exit: Calling my_qx_dini"));
    EXPECT_EQ(4u, logCount("CDorvoLink::exit: Calling freeTheComLibrary"));
    EXPECT_EQ(5u, logCount("CDorvoLink::exit: Done, returning QX_STATUS_OK"));
}

}  // namespace
