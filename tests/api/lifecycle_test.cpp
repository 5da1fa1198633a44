// lifecycle_test.cpp - initQX and exitQX through the exports: the port
// settings paths with their codes, messages and log kinds, initiating
// twice, exiting twice and a second session after exit.
#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using LifecycleTest = ApiTest;

TEST_F(LifecycleTest, PortSettingsAreCheckedBeforeTheDeviceIsOpened) {
    const struct {
        const char* portSettings;
        short code;
        const char* message;
        const char* entry;
        const char* failure;
    } cases[] = {
        {"Type:USB;Name:COM1", QX_STATUS_ERROR, "Port type not implemented",
         "initQX(Type:USB;Name:COM1, , message)",
         "initQX: Failed! Returning 2: Port type not implemented"},
        {"Type:CAN;Name:COM1", QX_STATUS_ERROR, "Port type not implemented",
         "initQX(Type:CAN;Name:COM1, , message)",
         "initQX: Failed! Returning 2: Port type not implemented"},
        {"Name:COM1", QX_STATUS_INPUT_PARAM_ERROR, "portSettings invalid",
         "initQX(Name:COM1, , message)",
         "initQX: Failed! Returning 4: portSettings invalid"},
        {"Type:RS485;Name:COM1", QX_STATUS_INPUT_PARAM_ERROR, "portSettings invalid",
         "initQX(Type:RS485;Name:COM1, , message)",
         "initQX: Failed! Returning 4: portSettings invalid"},
        {"", QX_STATUS_INPUT_PARAM_ERROR, "portSettings is empty", "initQX(, , message)",
         "initQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
        {nullptr, QX_STATUS_INPUT_PARAM_ERROR, "portSettings is empty", "initQX(, , message)",
         "initQX: Failed! Returning 4 (QX_STATUS_INPUT_PARAM_ERROR): portSettings is empty"},
    };
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        char message[QX_BUFFER_CAPACITY] = "";
        EXPECT_EQ(qx().initQX(c.portSettings, nullptr, message), c.code);
        EXPECT_STREQ(message, c.message);
        EXPECT_TRUE(log.has("qxapi", "=>", c.entry));
        EXPECT_TRUE(log.has("qxapi", "!!", c.failure)) << log.containing("qxapi", "initQX");
        EXPECT_TRUE(log.has("qxerror", "!!", c.failure));
        // Still uninitiated.
        EXPECT_EQ(qx().resetQX(message), QX_STATUS_ERROR);
    }
    EXPECT_TRUE(commands().empty());
}

TEST_F(LifecycleTest, InitTwiceWarnsAndKeepsTheSession) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(log.has("qxapi", "=>", "initQX(Type:RS232;Name:COM1, , message)"));
    EXPECT_TRUE(log.has("qxapi", "==", "initQX: Ok! Returning 0 (QX_STATUS_OK): Done"));

    EXPECT_EQ(qx().initQX(kPort, "", message), QX_STATUS_WARNING);
    EXPECT_STREQ(message, "Already initiated");
    const char* warning = "initQX: Warning! Returning 3 (QX_STATUS_WARNING): Already initiated";
    EXPECT_TRUE(log.has("qxapi", "!!", warning));
    EXPECT_TRUE(log.has("qxerror", "!!", warning));

    // The first session is untouched: the library is still initiated.
    // (open is what the last status report said; no login here.)
    int open = 7;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_TRUE(open == 0 || open == 1) << open;
    EXPECT_TRUE(log.has("qxapi", "==",
                        "isOpenQX: Ok! Returning 0 (QX_STATUS_OK): open=" +
                            std::to_string(open) + ": Done"));
}

TEST_F(LifecycleTest, TheCoresRefusalIsPassedOnWithItsText) {
    char message[QX_BUFFER_CAPACITY] = "";
    // Nothing registered: the core will not open the device.
    EXPECT_EQ(qx().initQX(kPort, nullptr, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "No Event or callback defined");
    EXPECT_TRUE(log.has("qxapi", "!!",
                        "initQX: Failed! Returning 2: No Event or callback defined"));
    EXPECT_EQ(qx().enablePayinQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
}

TEST_F(LifecycleTest, ExitTwiceThenASecondSession) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(log.has("qxapi", "==", "exitQX: Ok! Returning 0 (QX_STATUS_OK): Done"));

    EXPECT_EQ(qx().exitQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
    EXPECT_TRUE(log.has("qxerror", "!!",
                        "exitQX: Failed! Returning 2 (QX_STATUS_ERROR): Not initiated"));

    // exit forgot the receivers: register again, then a full new session.
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;
}

TEST_F(LifecycleTest, NullMessageBuffersStillShowTheTextInTheLog) {
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_OK);
    EXPECT_TRUE(log.has("qxapi", "==", "initQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
    EXPECT_EQ(qx().initQX(kPort, nullptr, nullptr), QX_STATUS_WARNING);
    EXPECT_EQ(qx().exitQX(nullptr), QX_STATUS_OK);
    EXPECT_TRUE(log.has("qxapi", "==", "exitQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
}

}  // namespace
}  // namespace qxtest
