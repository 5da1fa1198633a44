// session_flow_test.cpp - end-to-end flows through the exports against the
// simulator: open, query, sell, pay out, fetch information, close.
#include <cstring>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using SessionFlowTest = ApiTest;

bool anyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

TEST_F(SessionFlowTest, LoginQueryLogoutAndExit) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    EXPECT_TRUE(log.has("qxapi", "=>", "loginQX(1, 1, message)"));
    EXPECT_TRUE(log.has("qxapi", "==", "loginQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
    EXPECT_GT(g_received.statusEvents.load(), 0) << "no status event reached the application";

    char message[QX_BUFFER_CAPACITY] = "";
    int open = 0;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 1);
    EXPECT_TRUE(log.has("qxapi", "==", "isOpenQX: Ok! Returning 0 (QX_STATUS_OK): open=1: Done"));

    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    EXPECT_EQ(qx().infoQX(&level, commandsText, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(level, 1);
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(commandsText, "abcdefghx1234");
    EXPECT_STREQ(info, "QuaxVault");
    EXPECT_TRUE(log.has("qxapi", "==", "infoQX: Ok! Returning 0 (QX_STATUS_OK): level=1: Done"));

    EXPECT_EQ(qx().logoutQX(message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 0);
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;

    const std::vector<std::string> sent = commands();
    EXPECT_TRUE(anyStartsWith(sent, fs("a|01|01|"))) << "login command";
    EXPECT_TRUE(anyStartsWith(sent, "x")) << "verification query";
    EXPECT_TRUE(anyStartsWith(sent, "b")) << "logout command";
    // After exit everything is refused again.
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_ERROR);
}

TEST_F(SessionFlowTest, TextLoginPassesNullTextsOn) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().loginStrQX(nullptr, "1234", message), QX_STATUS_OK) << message;
    EXPECT_TRUE(log.has("qxapi", "=>", "loginStrQX(, 1234, message)"));
    // A null user counts as operator 1; the password keeps its last two digits.
    EXPECT_TRUE(anyStartsWith(commands(), fs("a|01|34|")));
}

TEST_F(SessionFlowTest, SaleWithAmountDuePaysBackTheChange) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(qx().enablePayinQX(message), QX_STATUS_OK) << message;
    EXPECT_TRUE(log.has("qxapi", "==", "enablePayinQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
    ASSERT_EQ(sim().qxsim_insert(1000), 0);
    ASSERT_TRUE(awaitStatusAmount(1000));

    int rest = 55;
    EXPECT_EQ(qx().amountDueQX(700, "sale 1", &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    EXPECT_STREQ(message, "Done");
    EXPECT_TRUE(log.has("qxapi", "=>", "amountDueQX(700, \"sale 1\", amountRest, message)"));
    EXPECT_TRUE(log.has("qxapi", "==",
                        "amountDueQX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done"))
        << log.containing("qxapi", "amountDueQX");
    // The whole paid-in amount is booked and the difference paid back.
    const std::vector<std::string> sent = commands();
    EXPECT_TRUE(anyStartsWith(sent, fs("f|00000300|00001000|sale 1")))
        << "payout command missing";
}

TEST_F(SessionFlowTest, DispenseFailureLogsTheRest) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    char message[QX_BUFFER_CAPACITY] = "";
    int rest = 55;
    EXPECT_EQ(qx().dispenseQX(100000000, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(rest, 0);
    EXPECT_STREQ(message, "Amount to dispense too big");
    EXPECT_TRUE(log.has("qxerror", "!!",
                        "dispenseQX: Failed! Returning 4: amountRest=0: "
                        "Amount to dispense too big"));

    // An empty device cannot pay: the device's rest reaches the caller,
    // though its "c", "b" and "a" reports come all at once.
    for (int denomination : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20,
                             10, 5, 2, 1}) {
        sim().qxsim_set_level(denomination, 0);
    }
    EXPECT_EQ(qx().dispenseQX(1250, "drawer", &rest, message), QX_STATUS_NOT_POSSIBLE);
    EXPECT_EQ(rest, 1250);
    EXPECT_TRUE(log.has("qxapi", "=>", "dispenseQX(1250, \"drawer\", amountRest, message)"));
    EXPECT_TRUE(log.has("qxapi", "!!",
                        std::string("dispenseQX: Failed! Returning 8: amountRest=1250: ") +
                            message))
        << log.containing("qxapi", "dispenseQX");
}

TEST_F(SessionFlowTest, AskPayoutFormsReportTheRestOnlyInTheSecond) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    char message[QX_BUFFER_CAPACITY] = "";
    int rest = 55;
    EXPECT_EQ(qx().askPayoutQX(300, message), QX_STATUS_OK) << message;
    EXPECT_TRUE(log.has("qxapi", "==", "askPayoutQX: Ok! Returning 0 (QX_STATUS_OK): Done"));
    EXPECT_EQ(qx().askPayout2QX(300, &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    EXPECT_TRUE(log.has("qxapi", "==",
                        "askPayout2QX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done"));
    int asks = 0;
    for (const std::string& command : commands()) asks += command == fs("d|00000300");
    EXPECT_EQ(asks, 2) << "both forms ask the device alike";
}

TEST_F(SessionFlowTest, InformationExportsOnEmptyQueues) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;

    char errorText[QX_BUFFER_CAPACITY] = "x", ext[QX_BUFFER_CAPACITY] = "x";
    EXPECT_EQ(qx().getErrorInfoQX(errorText, ext), QX_STATUS_OK);
    EXPECT_STREQ(errorText, "");
    EXPECT_STREQ(ext, "ErrorInfo Not set");
    EXPECT_TRUE(log.has("qxapi", "==",
                        "getErrorInfoQX: Ok! Returning 0 (QX_STATUS_OK): errorText=: "
                        "extInfo=ErrorInfo Not set"));

    std::strcpy(ext, "x");
    EXPECT_EQ(qx().getCashLevelInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "");
    EXPECT_TRUE(log.has("qxapi", "==", "getCashLevelInfoQX: Ok! Returning 0 (QX_STATUS_OK): extInfo="));

    std::strcpy(ext, "x");
    EXPECT_EQ(qx().getCashSessionInfoQX(ext), QX_STATUS_OK);
    EXPECT_STREQ(ext, "");
    EXPECT_TRUE(log.has("qxapi", "==",
                        "getCashSessionInfoQX: Ok! Returning 0 (QX_STATUS_OK): extInfo="));

    int warningType = 42;
    char type[QX_BUFFER_CAPACITY] = "x", denomination[QX_BUFFER_CAPACITY] = "x",
         warning[QX_BUFFER_CAPACITY] = "x";
    std::strcpy(ext, "x");
    EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext),
              QX_STATUS_OK);
    EXPECT_EQ(warningType, 42);
    for (const char* text : {type, denomination, warning, ext}) EXPECT_STREQ(text, "");
    EXPECT_TRUE(log.has("qxapi", "==",
                        "getLevelWarningInfoQX: Ok! Returning 0 (QX_STATUS_OK): 42, , , "
                        "chWarningMessage=, extInfo="));
}

}  // namespace
}  // namespace qxtest
