// lifecycle_test.cpp - initQX and exitQX, changeSettingsQX and the registration exports: their
// own checks with codes, messages and log lines, and the core's verdict passed on.
#include <cstring>
#include <functional>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using LifecycleTest = ApiTest;

TEST_F(LifecycleTest, PortSettingsAreCheckedBeforeTheDeviceIsOpened) {
    const struct {
        const char* portSettings;
        short code;
        const char* failure;  // after "initQX: Failed! Returning "; the message ends it
    } cases[] = {
        {"Type:USB;Name:COM1", QX_STATUS_ERROR, "2: Port type not implemented"},
        {"Type:CAN;Name:COM1", QX_STATUS_ERROR, "2: Port type not implemented"},
        {"Name:COM1", QX_STATUS_INPUT_PARAM_ERROR, "4: portSettings invalid"},
        {"Type:RS485;Name:COM1", QX_STATUS_INPUT_PARAM_ERROR, "4: portSettings invalid"},
        {"", QX_STATUS_INPUT_PARAM_ERROR, "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
        {nullptr, QX_STATUS_INPUT_PARAM_ERROR,
         "4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
    };
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    for (const auto& c : cases) {
        const std::string port = c.portSettings ? c.portSettings : "", failure = c.failure;
        SCOPED_TRACE(port);
        EXPECT_EQ(qx().initQX(c.portSettings, nullptr, message), c.code);
        EXPECT_EQ(message, failure.substr(failure.rfind(": ") + 2));
        expectLogged({"=> initQX(" + port + ", , message)", "!! initQX: Failed! Returning " + failure});
        EXPECT_EQ(qx().resetQX(message), QX_STATUS_ERROR) << "initiated";
    }
    EXPECT_EQ(sent(""), 0);
}

// Refused without receivers, twice initiated, twice exited, a second session after exit, and
// null message buffers whose texts still reach the log.
TEST_F(LifecycleTest, InitAndExitOnceEach) {
    EXPECT_EQ(qx().initQX(kPort, nullptr, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "No Event or callback defined");
    EXPECT_EQ(qx().enablePayinQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");

    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(qx().initQX(kPort, "", message), QX_STATUS_WARNING);
    EXPECT_STREQ(message, "Already initiated");
    // The first session is untouched; open is what the last status report said.
    int open = 7;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_TRUE(open == 0 || open == 1) << open;
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
    expectLogged({"!! initQX: Failed! Returning 2: No Event or callback defined",
                  "=> initQX(Type:RS232;Name:COM1, , message)",
                  "== initQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "!! initQX: Warning! Returning 3 (QX_STATUS_WARNING): Already initiated",
                  "== isOpenQX: Ok! Returning 0 (QX_STATUS_OK): open=" + std::to_string(open) +
                      ": Done",
                  "== exitQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "!! exitQX: Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"});

    // exit forgot the receivers: register again for the second session.
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_OK);
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_WARNING);
    EXPECT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().exitQX(nullptr), QX_STATUS_OK);
    for (const char* name : {"initQX", "exitQX"}) {
        EXPECT_EQ(log.count("qxapi", "==", std::string(name) + ": Ok! Returning 0 (QX_STATUS_OK): Done"), 2)
            << name;
    }
}

TEST_F(LifecycleTest, SettingsAndRegistrationBeforeInitQX) {
    const struct {
        std::function<short(char*)> call;
        short code;
        const char* message;
        std::vector<std::string> lines;
    } cases[] = {
        // The duration type is checked before the text; the log line has its own spelling.
        {[&](char* m) { return qx().changeSettingsQX("", 2, m); }, QX_STATUS_INPUT_PARAM_ERROR,
         "unknown durationType",
         {"=> changeSettingsQX(, 2, message)",
          "!! changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): Unknown "
          "durationType"}},
        {[&](char* m) { return qx().changeSettingsQX("", -1, m); }, QX_STATUS_INPUT_PARAM_ERROR,
         "unknown durationType", {"=> changeSettingsQX(, -1, message)"}},
        {[&](char* m) { return qx().changeSettingsQX("PayOutOkCheck:1", 1, m); }, QX_STATUS_OK,
         "Done",
         {"=> changeSettingsQX(PayOutOkCheck:1, 1, message)",
          "== changeSettingsQX: Ok! Returning 0 (QX_STATUS_OK): Done"}},
        // Each registration form wants every one of its callbacks.
        {[&](char* m) { return qx().registerEventsQX(onStatus, onError, nullptr, m); },
         QX_STATUS_INPUT_PARAM_ERROR, "empty callbacks",
         {"=> registerEventsQX(value, value, NULL, message)",
          "!! registerEventsQX: Failed! Returning 4: empty callbacks"}},
        {[&](char* m) {
             return qx().registerEvents3QX(nullptr, onError, onLevelWarning, onCashSession, m);
         },
         QX_STATUS_INPUT_PARAM_ERROR, "empty callbacks",
         {"=> registerEvents3QX(NULL, value, value, value, message)"}},
        {[&](char* m) {
             return qx().registerEvents23QX(onStatus, nullptr, onCashLevel, nullptr,
                                            onCashSession, m);
         },
         QX_STATUS_INPUT_PARAM_ERROR, "empty callbacks",
         {"=> registerEvents23QX(value, NULL, value, NULL, value, message)"}},
        {[&](char* m) {
             return qx().registerEvents2QX(onStatus, onError, onCashLevel, onCashSession, m);
         },
         QX_STATUS_OK, "Done",
         {"=> registerEvents2QX(value, value, value, value, message)",
          "== registerEvents2QX: Ok! Returning 0 (QX_STATUS_OK): Done"}},
        // Callbacks are registered: a window on top is refused by the core.
        {[&](char* m) { return qx().registerHwndQX(QX_HWND_FROM_FD(1), m); }, QX_STATUS_ERROR,
         "callbacks already set",
         {"=> registerHwndQX(hwndMessageTo, message) called from ActiveX API",
          "!! registerHwndQX: Failed! Returning 2: callbacks already set"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.front());
        EXPECT_EQ(c.call(message), c.code);
        EXPECT_STREQ(message, c.message);
        expectLogged(c.lines);
    }
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
