// exports_test.cpp - the exports as a till calls them: entry lines, the "Not initiated" guard,
// result lines (showing what was written into the caller's buffers), the exports' own checks,
// and whole sessions against the simulator with the commands they send.
#include <cstring>

#include <chrono>
#include <thread>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

using ExportsTest = ApiTest;

#define QXT_CALL(name, ...) [](char* m, int* r) { return (void)r, QX(name)(__VA_ARGS__); }

TEST_F(ExportsTest, GuardedExportsRefuseAndLeaveTheRestAlone) {
    const struct {
        const char* entry;
        short (*call)(char*, int*);
        const char* values = "";  // shown in the refusal, zeroed first
    } cases[] = {
        {"exitQX(message)", QXT_CALL(exitQX, m)},
        {"enablePayinQX(message)", QXT_CALL(enablePayinQX, m)},
        {"disablePayinQX(message)", QXT_CALL(disablePayinQX, m)},
        {"depositQX(\"slip 7\", message)", QXT_CALL(depositQX, "slip 7", m)},
        {"dispenseQX(1250, \"\", amountRest, message)", QXT_CALL(dispenseQX, 1250, nullptr, r, m)},
        {"askPayoutQX(300, message)", QXT_CALL(askPayoutQX, 300, m)},
        {"askPayout2QX(-5, amountRest, message)", QXT_CALL(askPayout2QX, -5, r, m)},
        {"payoutQX(100, 2000, \"t\", message)", QXT_CALL(payoutQX, 100, 2000, "t", m)},
        {"payout2QX(100, 2000, \"t\", amountRest, message)",
         QXT_CALL(payout2QX, 100, 2000, "t", r, m)},
        {"amountDueQX(700, \"sale 1\", amountRest, message)",
         QXT_CALL(amountDueQX, 700, "sale 1", r, m)},
        {"changeQX(message)", QXT_CALL(changeQX, m)},
        {"regretQX(2, message)", QXT_CALL(regretQX, 2, m)},
        {"resetQX(message)", QXT_CALL(resetQX, m)},
        {"loginQX(1234, -7, message)", QXT_CALL(loginQX, 1234, -7, m)},
        {"loginStrQX(, 42, message)", QXT_CALL(loginStrQX, nullptr, "42", m)},
        {"logoutQX(message)", QXT_CALL(logoutQX, m)},
        {"isOpenQX(open, message)", QXT_CALL(isOpenQX, r, m), "open=0: "},
        {"infoQX(level, commands, master, info, message)",
         QXT_CALL(infoQX, r, nullptr, nullptr, nullptr, m), "level=0: "},
    };
    for (const auto& c : cases) {
        const std::string entry = c.entry, name = entry.substr(0, entry.find('('));
        SCOPED_TRACE(name);
        std::strcpy(message, "caller's text");
        int rest = 777;
        EXPECT_EQ(c.call(message, &rest), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
        EXPECT_EQ(rest, *c.values ? 0 : 777);
        EXPECT_EQ(c.call(nullptr, nullptr), QX_STATUS_ERROR);
        // Both refusals are logged, the second without a message buffer.
        const std::string refusal =
            name + ": Failed! Returning 2 (QX_STATUS_ERROR): " + c.values + "Not initiated";
        EXPECT_EQ(logCount("qxapi", "!!", refusal), 2);
        expectLogged({"=> " + entry, "!! " + refusal});
    }
    EXPECT_EQ(sent(""), 0) << "a refused export reached the device";
}

// infoQX empties its texts first; the information exports, with no message, write nothing.
TEST_F(ExportsTest, OutParametersOfTheQueries) {
    int level = 9, warningType = 42;
    char commands[64] = "ABC", master[64] = "01.02", info[64] = "box", error[64] = "keep",
         ext[64] = "keep", type[64] = "keep", denomination[64] = "keep", warning[64] = "keep";
    EXPECT_EQ(QX(infoQX)(&level, commands, master, info, message), QX_STATUS_ERROR);
    for (const char* text : {commands, master, info}) EXPECT_STREQ(text, "");
    EXPECT_EQ(QX(getErrorInfoQX)(error, ext), QX_STATUS_ERROR);
    EXPECT_EQ(QX(getCashLevelInfoQX)(ext), QX_STATUS_ERROR);
    EXPECT_EQ(QX(getLevelWarningInfoQX)(&warningType, type, denomination, warning, ext),
              QX_STATUS_ERROR);
    EXPECT_EQ(QX(getCashSessionInfoQX)(ext), QX_STATUS_ERROR);
    for (const char* text : {error, ext, type, denomination, warning}) EXPECT_STREQ(text, "keep");
    EXPECT_EQ(warningType, 42);
    for (const std::string name : {"getErrorInfoQX", "getCashLevelInfoQX", "getLevelWarningInfoQX",
                                   "getCashSessionInfoQX"}) {
        const std::string arguments = name == "getErrorInfoQX" ? "errorText, extInfo" : "extInfo";
        expectLogged({"=> " + name + "(" + arguments + ") called from ActiveX API",
                      "!! " + name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    }
}

// Refused without receivers or with port settings it does not drive; then a whole session, and
// null message buffers, whose texts are logged.
TEST_F(ExportsTest, InitiatingAndASessionToExit) {
    EXPECT_EQ(QX(initQX)(kPort, nullptr, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "No Event or callback defined");
    const std::pair<const char*, const char*> ports[] = {
        // port settings, then the failure line after "Returning ", which the message ends
        {"Type:USB;Name:COM1", "2: Port type not implemented"},
        {"Type:CAN;Name:COM1", "2: Port type not implemented"},
        {"Name:COM1", "4: portSettings invalid"},
        {"Type:RS485;Name:COM1", "4: portSettings invalid"},
        {"", "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
        {nullptr, "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
    };
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    for (const auto& c : ports) {
        const std::string port = c.first ? c.first : "", failure = c.second;
        SCOPED_TRACE(port);
        EXPECT_EQ(QX(initQX)(c.first, nullptr, message), failure[0] - '0');
        EXPECT_EQ(message, failure.substr(failure.rfind(": ") + 2));
        expectLogged(
            {"=> initQX(" + port + ", , message)", "!! initQX: Failed! Returning " + failure});
        EXPECT_EQ(QX(enablePayinQX)(message), QX_STATUS_ERROR) << "initiated";
    }
    EXPECT_EQ(sent(""), 0);
    ASSERT_NO_FATAL_FAILURE(sellOnce());
    // The whole paid-in amount is booked and the difference paid back.
    EXPECT_EQ(sent(fs("f|00000300|00001000|sale 1")), 1);
    ASSERT_EQ(registerAll(), QX_STATUS_OK);  // exit forgot the receivers
    EXPECT_EQ(QX(initQX)(kPort, nullptr, nullptr), QX_STATUS_OK);
    EXPECT_EQ(QX(initQX)(kPort, nullptr, nullptr), QX_STATUS_WARNING);
    EXPECT_EQ(QX(exitQX)(nullptr), QX_STATUS_OK);
    expectLogged({"!! initQX: Failed! Returning 2: No Event or callback defined",
                  "=> initQX(Type:RS232;Name:COM1, LogDebug:1, message)",
                  "!! initQX: Warning! Returning 3 (QX_STATUS_WARNING): Already initiated",
                  "== enablePayinQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "=> amountDueQX(700, \"sale 1\", amountRest, message)",
                  "== amountDueQX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done",
                  "!! exitQX: Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    for (const std::string name : {"initQX", "exitQX"})
        EXPECT_EQ(logCount("qxapi", "==", name + ": Ok! Returning 0 (QX_STATUS_OK): Done"), 2);
}

TEST_F(ExportsTest, SettingsAndRegistrationBeforeInitQX) {
    // The duration type is checked before the text; the log line has its own spelling.
    for (short durationType : {2, -1}) {
        EXPECT_EQ(QX(changeSettingsQX)("", durationType, message), QX_STATUS_INPUT_PARAM_ERROR);
        EXPECT_STREQ(message, "unknown durationType");
    }
    EXPECT_EQ(QX(changeSettingsQX)("PayOutOkCheck:1", 1, message), QX_STATUS_OK);
    // qxlang.ini translates an empty text's message into one longer than any caller buffer.
    char buffer[QX_BUFFER_CAPACITY + 64];
    std::memset(buffer, '@', sizeof buffer);
    EXPECT_EQ(QX(changeSettingsQX)(nullptr, 0, buffer), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(std::string(buffer), longTranslation().substr(0, QX_BUFFER_CAPACITY - 1));
    EXPECT_EQ(buffer[QX_BUFFER_CAPACITY], '@') << "written past the buffer";
    // Each registration form wants every one of its callbacks.
    EXPECT_EQ(QX(registerEventsQX)(onStatus, onError, nullptr, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(QX(registerEvents3QX)(nullptr, onError, onLevelWarning, onCashSession, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(QX(registerEvents23QX)(onStatus, nullptr, onCashLevel, nullptr, onCashSession,
                                      message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(QX(registerEvents2QX)(onStatus, onError, onCashLevel, onCashSession, message),
              QX_STATUS_OK);
    // Callbacks are registered: a window on top is refused by the core.
    EXPECT_EQ(QX(registerHwndQX)(QX_HWND_FROM_FD(1), message), QX_STATUS_ERROR);
    // Result lines show the message (here the core's); log texts are never translated.
    expectLogged(
        {"=> changeSettingsQX(, 2, message)", "=> changeSettingsQX(, -1, message)",
         "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): Unknown "
         "durationType",
         "=> changeSettingsQX(PayOutOkCheck:1, 1, message)",
         "== changeSettingsQX: Ok! Returning 0 (QX_STATUS_OK): Done",
         "=> changeSettingsQX(, 0, message)",
         "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): initSettings "
         "is empty",
         "=> registerEventsQX(value, value, NULL, message)",
         "!! registerEventsQX: Failed! Returning 4: empty callbacks",
         "=> registerEvents3QX(NULL, value, value, value, message)",
         "=> registerEvents23QX(value, NULL, value, NULL, value, message)",
         "=> registerEvents2QX(value, value, value, value, message)",
         "== registerEvents2QX: Ok! Returning 0 (QX_STATUS_OK): Done",
         "=> registerHwndQX(hwndMessageTo, message) called from ActiveX API",
         "!! registerHwndQX: Failed! Returning 2: callbacks already set"});
}

TEST_F(ExportsTest, LoginQueryAskDispenseLogoutAndExit) {
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
    int open = 0, level = -1, rest = 55;
    char commands[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_OK);
    EXPECT_EQ(QX(infoQX)(&level, commands, master, info, message), QX_STATUS_OK);
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(commands, "abcdefghx1234");
    EXPECT_STREQ(info, "QuaxVault");
    // Both ask forms ask the device alike; the second reports the rest.
    EXPECT_EQ(QX(askPayoutQX)(400, message), QX_STATUS_OK) << message;
    EXPECT_EQ(QX(askPayout2QX)(400, &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(sent(fs("d|00000400")), 2);
    rest = 55;
    EXPECT_EQ(QX(dispenseQX)(100000000, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_STREQ(message, "Amount to dispense too big");
    // An empty device cannot pay: its rest reaches the caller, though its reports come at once.
    for (int coin : kDenominations)
        QX(qxsim_set_level)(coin, 0);
    EXPECT_EQ(QX(dispenseQX)(1250, "drawer", &rest, message), QX_STATUS_NOT_POSSIBLE);
    EXPECT_EQ(rest, 1250);
    const std::string drawer = message;
    EXPECT_EQ(QX(logoutQX)(message), QX_STATUS_OK) << message;
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 0);
    // A null user counts as operator 1; the password keeps its last two digits.
    EXPECT_EQ(QX(loginStrQX)(nullptr, "1234", message), QX_STATUS_OK) << message;
    EXPECT_EQ(QX(exitQX)(message), QX_STATUS_OK) << message;
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_ERROR) << "after exit";
    expectLogged({"=> loginQX(1, 1, message)", "== loginQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "== isOpenQX: Ok! Returning 0 (QX_STATUS_OK): open=1: Done",
                  "== infoQX: Ok! Returning 0 (QX_STATUS_OK): level=1: Done",
                  "== askPayoutQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "== askPayout2QX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done",
                  "!! dispenseQX: Failed! Returning 4: amountRest=0: Amount to dispense too big",
                  "=> dispenseQX(1250, \"drawer\", amountRest, message)",
                  "!! dispenseQX: Failed! Returning 8: amountRest=1250: " + drawer,
                  "=> loginStrQX(, 1234, message)"});
    EXPECT_GT(sent(fs("a|01|01|")), 0) << "login command";
    EXPECT_GT(sent(fs("a|01|34|")), 0) << "text login command";
    EXPECT_GT(sent("x"), 0) << "verification query";
    EXPECT_GT(sent("b"), 0) << "logout command";
}

// A window-message application fetches the texts behind its events: oldest first, each once.
TEST_F(ExportsTest, InformationExportsHandOutEachTextOnce) {
    EventWindow window;
    ASSERT_EQ(QX(registerHwndQX)(window.handle(), message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    char error[QX_BUFFER_CAPACITY], ext[QX_BUFFER_CAPACITY], type[QX_BUFFER_CAPACITY],
        denomination[QX_BUFFER_CAPACITY], warning[QX_BUFFER_CAPACITY];
    int warningType = 42;
    const auto fetchAll = [&] {
        warningType = 42;
        EXPECT_EQ(QX(getErrorInfoQX)(error, ext), QX_STATUS_OK);
        EXPECT_EQ(QX(getCashLevelInfoQX)(ext), QX_STATUS_OK);
        EXPECT_EQ(QX(getLevelWarningInfoQX)(&warningType, type, denomination, warning, ext),
                  QX_STATUS_OK);
        EXPECT_EQ(QX(getCashSessionInfoQX)(ext), QX_STATUS_OK);
    };
    fetchAll();
    // An error (code 12 at positions 14-15), two cash levels (a "%" in the first), a session.
    for (const char* report : {"b0000000021JAM AT 50% NT 12", "b000000003105 20 50%       ",
                               "b000000003100 0,50         ", "b0000000031CR/WD00004200 50%"}) {
        QX(qxsim_inject_callback)(report);
    }
    ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    // The session's event, the last, is posted once its text is queued.
    bool sessionPosted = false;
    for (int ms = 0; !sessionPosted && ms < 5000; ++ms) {
        for (const PostedEvent& event : window.drain())
            sessionPosted = sessionPosted || event.kind == EventKind::CashSession;
        if (!sessionPosted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(sessionPosted);
    fetchAll();
    EXPECT_STREQ(ext, "CR/WD00004200 50%");
    fetchAll();  // each text was handed out once
    const std::string ok = "Ok! Returning 0 (QX_STATUS_OK): ";
    for (const std::string& line :
         {"getErrorInfoQX: " + ok + "errorText=: extInfo=ErrorInfo Not set",
          "getCashLevelInfoQX: " + ok + "extInfo=", "getCashSessionInfoQX: " + ok + "extInfo=",
          "getLevelWarningInfoQX: " + ok + "42, , , chWarningMessage=, extInfo="}) {
        EXPECT_EQ(logCount("qxapi", "==", line), 2) << line;  // before and after
    }
    // The second cash-level text went to the same queue: the level warning hands it out parsed.
    expectLogged({"== getErrorInfoQX: " + ok + "errorText=Error Code 12: extInfo=ErrorInfo Not set",
                  "== getCashLevelInfoQX: " + ok + "extInfo=05 20 50%       ",
                  "== getLevelWarningInfoQX: " + ok +
                      "1, Empty, 0,50, chWarningMessage=0,50 Empty, extInfo=00 0,50         ",
                  "== getCashSessionInfoQX: " + ok + "extInfo=CR/WD00004200 50%"});
    EXPECT_EQ(QX(exitQX)(message), QX_STATUS_OK) << message;  // before the window goes
}

}  // namespace
}  // namespace qxtest
