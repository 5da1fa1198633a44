// lifecycle_test.cpp - initQX and exitQX, changeSettingsQX and the registration exports: their
// own checks with codes, messages and log lines, and the core's verdict passed on.
#include <cstring>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using LifecycleTest = ApiTest;

TEST_F(LifecycleTest, PortSettingsAreCheckedBeforeTheDeviceIsOpened) {
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
        EXPECT_EQ(qx().initQX(c.first, nullptr, message), failure[0] - '0');
        EXPECT_EQ(message, failure.substr(failure.rfind(": ") + 2));
        expectLogged({"=> initQX(" + port + ", , message)", "!! initQX: Failed! Returning " + failure});
        EXPECT_EQ(qx().resetQX(message), QX_STATUS_ERROR) << "initiated";
    }
    EXPECT_EQ(sent(""), 0);
}

// Refused without receivers; a whole session with its sale; null message buffers, whose texts
// still reach the log.
TEST_F(LifecycleTest, ASessionFromInitToExit) {
    EXPECT_EQ(qx().initQX(kPort, nullptr, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "No Event or callback defined");
    EXPECT_EQ(qx().enablePayinQX(message), QX_STATUS_ERROR) << "initiated";
    ASSERT_NO_FATAL_FAILURE(sellOnce());
    // The whole paid-in amount is booked and the difference paid back.
    EXPECT_EQ(sent(fs("f|00000300|00001000|sale 1")), 1);
    ASSERT_EQ(registerAll(), QX_STATUS_OK);  // exit forgot the receivers
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_OK);
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_WARNING);
    EXPECT_EQ(qx().exitQX(nullptr), QX_STATUS_OK);
    expectLogged({"!! initQX: Failed! Returning 2: No Event or callback defined",
                  "=> initQX(Type:RS232;Name:COM1, LogDebug:1, message)",
                  "!! initQX: Warning! Returning 3 (QX_STATUS_WARNING): Already initiated",
                  "== enablePayinQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "=> amountDueQX(700, \"sale 1\", amountRest, message)",
                  "== amountDueQX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done",
                  "!! exitQX: Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});
    for (const std::string name : {"initQX", "exitQX"})
        EXPECT_EQ(log.count("qxapi", "==", name + ": Ok! Returning 0 (QX_STATUS_OK): Done"), 2);
}

TEST_F(LifecycleTest, SettingsAndRegistrationBeforeInitQX) {
    // The duration type is checked before the text; the log line has its own spelling.
    for (short durationType : {2, -1}) {
        EXPECT_EQ(qx().changeSettingsQX("", durationType, message), QX_STATUS_INPUT_PARAM_ERROR);
        EXPECT_STREQ(message, "unknown durationType");
    }
    EXPECT_EQ(qx().changeSettingsQX("PayOutOkCheck:1", 1, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    // Each registration form wants every one of its callbacks.
    EXPECT_EQ(qx().registerEventsQX(onStatus, onError, nullptr, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_STREQ(message, "empty callbacks");
    EXPECT_EQ(qx().registerEvents3QX(nullptr, onError, onLevelWarning, onCashSession, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(qx().registerEvents23QX(onStatus, nullptr, onCashLevel, nullptr, onCashSession,
                                      message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(qx().registerEvents2QX(onStatus, onError, onCashLevel, onCashSession, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    // Callbacks are registered: a window on top is refused by the core.
    EXPECT_EQ(qx().registerHwndQX(QX_HWND_FROM_FD(1), message), QX_STATUS_ERROR);
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

TEST_F(LifecycleTest, EmptySettingsAreRefusedWithATranslatedMessageCutToTheBuffer) {
    // qxlang.ini translates the text into one longer than any caller buffer.
    char buffer[QX_BUFFER_CAPACITY + 64];
    std::memset(buffer, '@', sizeof buffer);
    EXPECT_EQ(qx().changeSettingsQX(nullptr, 0, buffer), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(std::string(buffer), longTranslation().substr(0, QX_BUFFER_CAPACITY - 1));
    EXPECT_EQ(buffer[QX_BUFFER_CAPACITY], '@') << "written past the buffer";
    // Log texts are never translated.
    expectLogged({"=> changeSettingsQX(, 0, message)",
                  "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): "
                  "initSettings is empty"});
}

}  // namespace
}  // namespace qxtest
