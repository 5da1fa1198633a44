// till_test.cpp - the demo till qxtill: its command and option parsing, and
// the program run against the device simulator.
#include <gtest/gtest.h>

#include "tests/support/api_loader.h"
#include "tests/support/process_probe.h"
#include "tests/support/run_program.h"
#include "tests/support/test_env.h"
#include "till_commands.h"
#include "till_options.h"

namespace qxtest {

using till::Verb;

// Typed lines to verbs, amounts and explanations; the till's own options.
TEST(TillParsing, CommandsAndOptions) {
    const std::tuple<const char*, Verb, int, const char*> cases[] = {
        // line, verb, amount (checked when >= 0), a part of the explanation
        {"  PAY   1250 ", Verb::Pay, 1250, ""},
        {"Insert\t2000", Verb::Insert, 2000, ""},
        {"pay 0000000001250", Verb::Pay, 1250, ""},
        {"pay 99999999", Verb::Pay, till::kMaxAmount, ""},
        {"   \t ", Verb::Empty, -1, ""},  {"exit", Verb::Quit, -1, ""},
        {"cancel", Verb::Regret, -1, ""}, {"login 7", Verb::Invalid, -1, ""},
        {"login 100 1", Verb::Invalid, -1, ""},
        {"frobnicate 3", Verb::Invalid, -1, "unknown command 'frobnicate'"},
        {"pay abc", Verb::Invalid, -1, "'abc' is not an amount"},
        {"pay -5", Verb::Invalid, -1, "cannot be negative"},
        {"pay 100000000", Verb::Invalid, -1, "too big"},
        {"refund", Verb::Invalid, -1, "takes one amount"},
        {"status now", Verb::Invalid, -1, "takes no arguments"},
    };
    for (const auto& [line, verb, amount, error] : cases) {
        const till::Command command = till::parseCommand(line);
        EXPECT_EQ(command.verb, verb) << line;
        EXPECT_TRUE(amount < 0 || command.amount == amount) << line;
        EXPECT_NE(command.error.find(error), std::string::npos) << line;
    }
    const till::Command login = till::parseCommand("login 7 42");
    EXPECT_EQ(login.user * 100 + login.password, 742);
    till::Options options;
    std::string error;
    ASSERT_TRUE(till::parseOptions({"demo", "--port", "COM7"}, options, error));
    EXPECT_EQ(till::portSettings(options), "Type:RS232;Name:COM7");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--colour"}, {"--port"}, {"demo", "interactive"}, {"dance"}})
        EXPECT_FALSE(till::parseOptions(wrong, options, error)) << wrong.front();
}

// qxtill run in a fresh folder, without QXLOGS: it ends cleanly, with every
// result as it expected, and prints every text.  Its log folder comes back.
std::string runTill(std::vector<std::string> arguments, const std::string& input,
                    std::initializer_list<std::string> texts) {
    ProgramRun till;
    till.program = programDirectory() + (onWindows() ? "qxtill.exe" : "qxtill");
    till.arguments = std::move(arguments);
    till.folder = makeTempDir("till");
    till.environment["QXLOGS"] = std::nullopt;
    till.input = till.folder + "/input.txt";
    till.output = till.folder + "/output.txt";
    writeFile(till.input, input);
    EXPECT_EQ(runProgram(till), 0);
    const std::string output = readFile(till.output);
    EXPECT_EQ(output.find("UNEXPECTED"), std::string::npos) << output;
    for (const std::string& text : texts)
        EXPECT_NE(output.find(text), std::string::npos) << "missing: " << text << "\n" << output;
    return till.folder + (onWindows() ? "\\logs" : "/logs");
}

// A shift by callbacks, then by window messages whose texts come from the
// get*InfoQX functions.
TEST(TillDemo, ShiftsEndCleanWithTheEventsAndLogsBesideTheTill) {
    const std::string logs =
        runTill({"demo"}, "",
                {"amountDueQX(1250) -> 0 QX_STATUS_OK: Done (rest 0.00)",
                 "event status: amount=12.50 status=0 (idle, pay-in enabled) mode=1 (open)",
                 "event cash level: denomination=2.00 count=4", "event level warning: type=2 (Low)",
                 // what the cash-level and cash-session lines mean at the till
                 "        = only 4 of the 2.00 pieces left: refill soon",
                 "        = the device restarted",
                 "        = this till session paid 11.70 out of the device",
                 "        = this till session took 22.50 into the cash box",
                 "event error: code=1 text=\"Error Code 1\" extInfo=\"ErrorInfo Not set\"",
                 "enablePayinQX -> 2 QX_STATUS_ERROR: QuaxVault has error(s)",
                 "the device's cash matches the till's books", " 0 unexpected results."});
    EXPECT_NE(readLog("qxapi", logs).find("initQX(Type:RS232;Name:COM1, , message)"),
              std::string::npos);
    runTill({"demo", "--window"}, "",
            {"registerHwndQX(window) -> 0 QX_STATUS_OK: Done", "mode=1 (open) [window message]",
             "event error: code=1 text=\"Error Code 1\" extInfo=\"ErrorInfo Not set\" [window",
             "warning=\"2 Low (4 Left)\" [window message]",
             "        = only 4 of the 2.00 pieces left: refill soon", " 0 unexpected results."});
}

// A sale with change, a refund, a logout; then input refused by the till, by the
// driver before login and by the device; the end of the input closes the till.
TEST(TillInteractive, TheTillAnswersTypedCommands) {
    runTill({}, "help\nlogin\npay 1250\ninsert 1000\ninsert 500\nstatus\nrefund 200\nlevels\n"
                "logout\nfrobnicate\npay abc\nlogin x y\n\x01\xff\npay 100\ninsert 100\nlogin\n"
                "regret\npay 0\npay 300\npay 400\nrefund 100\n",
            {"Commands (amounts in minor units", "sale of 12.50: waiting for the customer's cash",
             "paid in 10.00 of 12.50", "paid in 15.00 of 12.50", "sale settled, change 2.50",
             "isOpenQX -> open=1 -> 0 QX_STATUS_OK", "dispenseQX(200) -> 0 QX_STATUS_OK",
             "  2.00: ", "the device's cash matches the till's books",
             "?? unknown command 'frobnicate' (type help for the list)",
             "enablePayinQX -> 5 QX_STATUS_CLOSED: Closed", "the device takes no cash now",
             "nothing to pay", "a sale of 3.00 is open: insert cash or regret first",
             "finish or regret the open sale first", "(end of input)",
             "logoutQX -> 0 QX_STATUS_OK", "exitQX -> 0 QX_STATUS_OK", "bye"});
}

}  // namespace qxtest
