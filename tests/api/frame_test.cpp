// frame_test.cpp - what every export shares: the entry line, the "Not initiated" guard with
// out-parameters left alone or zeroed as promised, and the result lines; and the exports' own
// checks (port settings, settings, registration) with the core's verdict passed on.
#include <cstring>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using FrameTest = ApiTest;

#define QXT_CALL(name, ...) [](char* m, int* r) { return (void)r, QX(name)(__VA_ARGS__); }

TEST_F(FrameTest, ExportsWithAMessageRefuseAndLeaveTheRestAlone) {
    const std::pair<const char*, short (*)(char*, int*)> cases[] = {
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
    };
    for (const auto& c : cases) {
        const std::string entry = c.first, name = entry.substr(0, entry.find('('));
        SCOPED_TRACE(name);
        std::strcpy(message, "caller's text");
        int rest = 777;
        EXPECT_EQ(c.second(message, &rest), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
        EXPECT_EQ(rest, 777);
        EXPECT_EQ(c.second(nullptr, nullptr), QX_STATUS_ERROR);
        // Both refusals are logged, the second without a message buffer.
        const std::string refusal = name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated";
        EXPECT_EQ(logCount("qxapi", "!!", refusal), 2);
        expectLogged({"=> " + entry, "!! " + refusal});
    }
    EXPECT_EQ(sent(""), 0) << "a refused export reached the device";
}

// The status exports zero their values first; the information exports write nothing.
TEST_F(FrameTest, OutParametersOfTheQueries) {
    int open = 5, level = 9, warningType = 42;
    char commands[64] = "ABC", master[64] = "01.02", info[64] = "box", error[64] = "keep",
         ext[64] = "keep", type[64] = "keep", denomination[64] = "keep", warning[64] = "keep";
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_ERROR);
    EXPECT_EQ(open, 0);
    std::strcpy(message, "caller's text");
    EXPECT_EQ(QX(infoQX)(&level, commands, master, info, message), QX_STATUS_ERROR);
    EXPECT_EQ(level, 0);
    EXPECT_STREQ(message, "Not initiated");
    for (const char* text : {commands, master, info}) EXPECT_STREQ(text, "");
    EXPECT_EQ(QX(infoQX)(nullptr, nullptr, nullptr, nullptr, nullptr), QX_STATUS_ERROR);
    EXPECT_EQ(QX(getErrorInfoQX)(error, ext), QX_STATUS_ERROR);
    EXPECT_EQ(QX(getCashLevelInfoQX)(ext), QX_STATUS_ERROR);
    EXPECT_EQ(QX(getLevelWarningInfoQX)(&warningType, type, denomination, warning, ext),
              QX_STATUS_ERROR);
    EXPECT_EQ(QX(getCashSessionInfoQX)(ext), QX_STATUS_ERROR);
    for (const char* text : {error, ext, type, denomination, warning}) EXPECT_STREQ(text, "keep");
    EXPECT_EQ(warningType, 42);
    expectLogged({"=> isOpenQX(open, message)",
                  "!! isOpenQX: Failed! Returning 2 (QX_STATUS_ERROR): open=0: Not initiated",
                  "=> infoQX(level, commands, master, info, message)",
                  "!! infoQX: Failed! Returning 2 (QX_STATUS_ERROR): level=0: Not initiated"});
    for (const std::string name : {"getErrorInfoQX", "getCashLevelInfoQX", "getLevelWarningInfoQX",
                                   "getCashSessionInfoQX"}) {
        const std::string arguments = name == "getErrorInfoQX" ? "(errorText, extInfo)" : "(extInfo)";
        expectLogged({"=> " + name + arguments + " called from ActiveX API",
                      "!! " + name + ": Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    }
}

TEST_F(FrameTest, PortSettingsAreCheckedBeforeTheDeviceIsOpened) {
    const std::pair<const char*, const char*> cases[] = {
        // port settings, then the failure line after "Returning ", which the message ends
        {"Type:USB;Name:COM1", "2: Port type not implemented"},
        {"Type:CAN;Name:COM1", "2: Port type not implemented"},
        {"Name:COM1", "4: portSettings invalid"},
        {"Type:RS485;Name:COM1", "4: portSettings invalid"},
        {"", "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
        {nullptr, "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
    };
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    for (const auto& c : cases) {
        const std::string port = c.first ? c.first : "", failure = c.second;
        SCOPED_TRACE(port);
        EXPECT_EQ(QX(initQX)(c.first, nullptr, message), failure[0] - '0');
        EXPECT_EQ(message, failure.substr(failure.rfind(": ") + 2));
        expectLogged({"=> initQX(" + port + ", , message)", "!! initQX: Failed! Returning " + failure});
        EXPECT_EQ(QX(resetQX)(message), QX_STATUS_ERROR) << "initiated";
    }
    EXPECT_EQ(sent(""), 0);
}

// Refused without receivers; a whole session with its sale; null message buffers, whose texts
// still reach the log.
TEST_F(FrameTest, ASessionFromInitToExit) {
    EXPECT_EQ(QX(initQX)(kPort, nullptr, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "No Event or callback defined");
    EXPECT_EQ(QX(enablePayinQX)(message), QX_STATUS_ERROR) << "initiated";
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

TEST_F(FrameTest, SettingsAndRegistrationBeforeInitQX) {
    // The duration type is checked before the text; the log line has its own spelling.
    for (short durationType : {2, -1}) {
        EXPECT_EQ(QX(changeSettingsQX)("", durationType, message), QX_STATUS_INPUT_PARAM_ERROR);
        EXPECT_STREQ(message, "unknown durationType");
    }
    EXPECT_EQ(QX(changeSettingsQX)("PayOutOkCheck:1", 1, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    // Each registration form wants every one of its callbacks.
    EXPECT_EQ(QX(registerEventsQX)(onStatus, onError, nullptr, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_STREQ(message, "empty callbacks");
    EXPECT_EQ(QX(registerEvents3QX)(nullptr, onError, onLevelWarning, onCashSession, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(QX(registerEvents23QX)(onStatus, nullptr, onCashLevel, nullptr, onCashSession,
                                      message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(QX(registerEvents2QX)(onStatus, onError, onCashLevel, onCashSession, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    // Callbacks are registered: a window on top is refused by the core.
    EXPECT_EQ(QX(registerHwndQX)(QX_HWND_FROM_FD(1), message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "callbacks already set");
    expectLogged(
        {"=> changeSettingsQX(, 2, message)", "=> changeSettingsQX(, -1, message)",
         "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): Unknown "
         "durationType",
         "=> changeSettingsQX(PayOutOkCheck:1, 1, message)",
         "== changeSettingsQX: Ok! Returning 0 (QX_STATUS_OK): Done",
         "=> registerEventsQX(value, value, NULL, message)",
         "!! registerEventsQX: Failed! Returning 4: empty callbacks",
         "=> registerEvents3QX(NULL, value, value, value, message)",
         "=> registerEvents23QX(value, NULL, value, NULL, value, message)",
         "=> registerEvents2QX(value, value, value, value, message)",
         "== registerEvents2QX: Ok! Returning 0 (QX_STATUS_OK): Done",
         "=> registerHwndQX(hwndMessageTo, message) called from ActiveX API",
         "!! registerHwndQX: Failed! Returning 2: callbacks already set"});
}

TEST_F(FrameTest, EmptySettingsAreRefusedWithATranslatedMessageCutToTheBuffer) {
    // qxlang.ini translates the text into one longer than any caller buffer.
    char buffer[QX_BUFFER_CAPACITY + 64];
    std::memset(buffer, '@', sizeof buffer);
    EXPECT_EQ(QX(changeSettingsQX)(nullptr, 0, buffer), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(std::string(buffer), longTranslation().substr(0, QX_BUFFER_CAPACITY - 1));
    EXPECT_EQ(buffer[QX_BUFFER_CAPACITY], '@') << "written past the buffer";
    // Log texts are never translated.
    expectLogged({"=> changeSettingsQX(, 0, message)",
                  "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): "
                  "initSettings is empty"});
}

}  // namespace
}  // namespace qxtest
