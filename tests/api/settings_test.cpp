// settings_test.cpp - changeSettingsQX's own checks and the registration
// exports' entry lines and pass-through of the core's verdict.
#include <cstring>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using SettingsExportsTest = ApiTest;

TEST_F(SettingsExportsTest, DurationTypeIsCheckedBeforeTheText) {
    char message[QX_BUFFER_CAPACITY] = "";
    for (short durationType : {2, -1}) {
        SCOPED_TRACE(durationType);
        EXPECT_EQ(qx().changeSettingsQX("", durationType, message),
                  QX_STATUS_INPUT_PARAM_ERROR);
        EXPECT_STREQ(message, "unknown durationType");
    }
    EXPECT_TRUE(log.has("qxapi", "=>", "changeSettingsQX(, 2, message)"));
    // The log line's own spelling, not the message's.
    const char* line =
        "changeSettingsQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): "
        "Unknown durationType";
    EXPECT_TRUE(log.has("qxapi", "!!", line));
    EXPECT_TRUE(log.has("qxerror", "!!", line));
}

TEST_F(SettingsExportsTest, EmptyTextIsRefusedWithATranslatedMessageCutToTheBuffer) {
    // qxlang.ini translates "initSettings is empty" into a text longer than
    // any caller buffer; the copy stops at QX_BUFFER_CAPACITY.
    char message[QX_BUFFER_CAPACITY + 64];
    std::memset(message, '@', sizeof message);
    EXPECT_EQ(qx().changeSettingsQX(nullptr, 0, message), QX_STATUS_INPUT_PARAM_ERROR);
    const std::string expected = longTranslation().substr(0, QX_BUFFER_CAPACITY - 1);
    EXPECT_EQ(std::strlen(message), static_cast<std::size_t>(QX_BUFFER_CAPACITY - 1));
    EXPECT_EQ(std::string(message), expected);
    EXPECT_EQ(message[QX_BUFFER_CAPACITY], '@') << "written past the buffer";
    // Log texts are never translated.
    EXPECT_TRUE(log.has("qxapi", "!!",
                        "changeSettingsQX: Failed! Returning 4 "
                        "(QX_STATUS_INPUT_PARAM_ERROR): initSettings is empty"));
    EXPECT_TRUE(log.has("qxapi", "=>", "changeSettingsQX(, 0, message)"));
}

TEST_F(SettingsExportsTest, WorksBeforeInitQX) {
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(qx().changeSettingsQX("PayOutOkCheck:1", 1, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(log.has("qxapi", "=>", "changeSettingsQX(PayOutOkCheck:1, 1, message)"));
    EXPECT_TRUE(log.has("qxapi", "==",
                        "changeSettingsQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
}

TEST_F(SettingsExportsTest, RegistrationEntryLinesAndTheCoresVerdict) {
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(qx().registerEventsQX(onStatus, onError, nullptr, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_TRUE(log.has("qxapi", "=>", "registerEventsQX(value, value, NULL, message)"));
    EXPECT_TRUE(log.has("qxerror", "!!",
                        std::string("registerEventsQX: Failed! Returning 4: ") + message));

    // Each form wants every one of its callbacks.
    EXPECT_EQ(qx().registerEvents3QX(nullptr, onError, onLevelWarning, onCashSession, message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_TRUE(log.has("qxapi", "=>", "registerEvents3QX(NULL, value, value, value, message)"));
    EXPECT_EQ(qx().registerEvents23QX(onStatus, nullptr, onCashLevel, nullptr, onCashSession,
                                      message),
              QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_TRUE(log.has("qxapi", "=>",
                        "registerEvents23QX(value, NULL, value, NULL, value, message)"));

    EXPECT_EQ(qx().registerEvents2QX(onStatus, onError, onCashLevel, onCashSession, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(log.has("qxapi", "=>", "registerEvents2QX(value, value, value, value, message)"));
    EXPECT_TRUE(log.has("qxapi", "==",
                        "registerEvents2QX: Ok! Returning 0 (QX_STATUS_OK): Done"));

    // Callbacks are registered: a window on top is refused by the core.
    EXPECT_EQ(qx().registerHwndQX(QX_HWND_FROM_FD(1), message), QX_STATUS_ERROR);
    EXPECT_TRUE(log.has("qxapi", "=>",
                        "registerHwndQX(hwndMessageTo, message) called from ActiveX API"));
    EXPECT_TRUE(log.has("qxapi", "!!",
                        std::string("registerHwndQX: Failed! Returning 2: ") +
                            message));
}

}  // namespace
}  // namespace qxtest
