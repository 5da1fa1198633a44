// session_flow_test.cpp - end-to-end flows through the exports against the simulator: open,
// query, sell, ask, pay out, fetch the texts behind events, close.
#include <cstring>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

using SessionFlowTest = ApiTest;

TEST_F(SessionFlowTest, LoginQueryDispenseLogoutAndExit) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    EXPECT_NE(g_lastAmount, -1) << "no status event reached the application";
    int open = 0, level = -1;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 1);
    char commands[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    EXPECT_EQ(qx().infoQX(&level, commands, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(level, 1);
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(commands, "abcdefghx1234");
    EXPECT_STREQ(info, "QuaxVault");
    int rest = 55;
    EXPECT_EQ(qx().dispenseQX(100000000, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_EQ(rest, 0);
    EXPECT_STREQ(message, "Amount to dispense too big");
    // An empty device cannot pay: its rest reaches the caller, though its "c", "b" and "a"
    // reports come all at once.
    for (int denomination : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5,
                             2, 1}) {
        sim().qxsim_set_level(denomination, 0);
    }
    EXPECT_EQ(qx().dispenseQX(1250, "drawer", &rest, message), QX_STATUS_NOT_POSSIBLE);
    EXPECT_EQ(rest, 1250);
    const std::string drawer = message;
    EXPECT_EQ(qx().logoutQX(message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_OK);
    EXPECT_EQ(open, 0);
    // A null user counts as operator 1; the password keeps its last two digits.
    EXPECT_EQ(qx().loginStrQX(nullptr, "1234", message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;
    EXPECT_EQ(qx().isOpenQX(&open, message), QX_STATUS_ERROR) << "after exit";
    expectLogged({"=> loginQX(1, 1, message)", "== loginQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "== isOpenQX: Ok! Returning 0 (QX_STATUS_OK): open=1: Done",
                  "== infoQX: Ok! Returning 0 (QX_STATUS_OK): level=1: Done",
                  "=> loginStrQX(, 1234, message)",
                  "!! dispenseQX: Failed! Returning 4: amountRest=0: Amount to dispense too big",
                  "=> dispenseQX(1250, \"drawer\", amountRest, message)",
                  "!! dispenseQX: Failed! Returning 8: amountRest=1250: " + drawer});
    EXPECT_GT(sent(fs("a|01|01|")), 0) << "login command";
    EXPECT_GT(sent(fs("a|01|34|")), 0) << "text login command";
    EXPECT_GT(sent("x"), 0) << "verification query";
    EXPECT_GT(sent("b"), 0) << "logout command";
}

TEST_F(SessionFlowTest, SaleAndAsks) {
    ASSERT_NO_FATAL_FAILURE(openSession());
    ASSERT_EQ(qx().enablePayinQX(message), QX_STATUS_OK) << message;
    ASSERT_EQ(sim().qxsim_insert(1000), 0);
    ASSERT_TRUE(awaitStatusAmount(1000));
    int rest = 55;
    EXPECT_EQ(qx().amountDueQX(700, "sale 1", &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    EXPECT_STREQ(message, "Done");
    // The whole paid-in amount is booked and the difference paid back.
    EXPECT_EQ(sent(fs("f|00000300|00001000|sale 1")), 1);

    // Both ask forms ask the device alike; the second reports the rest.
    EXPECT_EQ(qx().askPayoutQX(400, message), QX_STATUS_OK) << message;
    rest = 55;
    EXPECT_EQ(qx().askPayout2QX(400, &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(sent(fs("d|00000400")), 2);

    expectLogged({"== enablePayinQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "=> amountDueQX(700, \"sale 1\", amountRest, message)",
                  "== amountDueQX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done",
                  "== askPayoutQX: Ok! Returning 0 (QX_STATUS_OK): Done",
                  "== askPayout2QX: Ok! Returning 0 (QX_STATUS_OK): amountRest=0: Done"});
}

// A window-message application fetches the texts behind its events through the four
// information exports: oldest first, each once, and empty texts from empty queues.
TEST_F(SessionFlowTest, InformationExportsHandOutEachTextOnce) {
    EventWindow window;
    ASSERT_NE(window.handle(), nullptr);
    ASSERT_EQ(qx().registerHwndQX(window.handle(), message), QX_STATUS_OK) << message;
    ASSERT_EQ(qx().initQX(kPort, "", message), QX_STATUS_OK) << message;
    char error[QX_BUFFER_CAPACITY], ext[4][QX_BUFFER_CAPACITY], type[QX_BUFFER_CAPACITY],
        denomination[QX_BUFFER_CAPACITY], warning[QX_BUFFER_CAPACITY];
    int warningType = 42;
    const auto expectEmpty = [&] {
        for (char* text : {error, ext[0], ext[1], ext[2], ext[3], type, denomination, warning})
            std::strcpy(text, "x");
        warningType = 42;
        EXPECT_EQ(qx().getErrorInfoQX(error, ext[0]), QX_STATUS_OK);
        EXPECT_EQ(qx().getCashLevelInfoQX(ext[1]), QX_STATUS_OK);
        EXPECT_EQ(qx().getCashSessionInfoQX(ext[2]), QX_STATUS_OK);
        EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext[3]),
                  QX_STATUS_OK);
        EXPECT_STREQ(ext[0], "ErrorInfo Not set");
        for (const char* text : {error, ext[1], ext[2], ext[3], type, denomination, warning})
            EXPECT_STREQ(text, "");
        EXPECT_EQ(warningType, 42);
    };
    expectEmpty();
    expectLogged(
        {"== getErrorInfoQX: Ok! Returning 0 (QX_STATUS_OK): errorText=: extInfo=ErrorInfo Not set",
         "== getCashLevelInfoQX: Ok! Returning 0 (QX_STATUS_OK): extInfo=",
         "== getCashSessionInfoQX: Ok! Returning 0 (QX_STATUS_OK): extInfo=",
         "== getLevelWarningInfoQX: Ok! Returning 0 (QX_STATUS_OK): 42, , , chWarningMessage=, "
         "extInfo="});

    // An error (code 12 at positions 14-15), two cash levels (a "%" in the first), a session.
    for (const char* report : {"b0000000021JAM AT 50% NT 12", "b000000003105 20 50%       ",
                               "b000000003100 0,50         ", "b0000000031CR/WD00004200 50%"}) {
        sim().qxsim_inject_callback(report);
    }
    ASSERT_EQ(sim().qxsim_wait_idle(2000), 0);
    EXPECT_EQ(qx().getErrorInfoQX(error, ext[0]), QX_STATUS_OK);
    EXPECT_STREQ(error, "Error Code 12");
    EXPECT_STREQ(ext[0], "ErrorInfo Not set");
    EXPECT_EQ(qx().getCashLevelInfoQX(ext[1]), QX_STATUS_OK);
    EXPECT_STREQ(ext[1], "05 20 50%       ");
    // The second cash-level text went to the same queue: the level warning hands it out parsed.
    EXPECT_EQ(qx().getLevelWarningInfoQX(&warningType, type, denomination, warning, ext[3]),
              QX_STATUS_OK);
    EXPECT_EQ(warningType, 1);
    EXPECT_STREQ(type, "Empty");
    EXPECT_STREQ(denomination, "0,50");
    EXPECT_STREQ(warning, "0,50 Empty");
    EXPECT_STREQ(ext[3], "00 0,50         ");
    EXPECT_EQ(qx().getCashSessionInfoQX(ext[2]), QX_STATUS_OK);
    EXPECT_STREQ(ext[2], "CR/WD00004200 50%");
    expectLogged({"== getCashLevelInfoQX: Ok! Returning 0 (QX_STATUS_OK): extInfo=05 20 50%       ",
                  "== getLevelWarningInfoQX: Ok! Returning 0 (QX_STATUS_OK): 1, Empty, 0,50, "
                  "chWarningMessage=0,50 Empty, extInfo=00 0,50         "});
    expectEmpty();
    EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;  // before the window goes
}

}  // namespace
}  // namespace qxtest
