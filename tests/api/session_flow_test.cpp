// session_flow_test.cpp - end-to-end flows through the exports against the simulator: open,
// query, ask, pay out, fetch the texts behind events, close.  Result lines show the values
// the exports wrote into the caller's buffers.
#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

using SessionFlowTest = ApiTest;

TEST_F(SessionFlowTest, LoginQueryAskDispenseLogoutAndExit) {
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
    EXPECT_NE(g_lastAmount, -1) << "no status event reached the application";
    int open = 0, level = -1, rest = 55;
    char commands[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY], info[QX_BUFFER_CAPACITY];
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_OK);
    EXPECT_EQ(QX(infoQX)(&level, commands, master, info, message), QX_STATUS_OK);
    EXPECT_EQ(level, 1);
    EXPECT_STREQ(master, "01.23");
    EXPECT_STREQ(commands, "abcdefghx1234");
    EXPECT_STREQ(info, "QuaxVault");
    // Both ask forms ask the device alike; the second reports the rest.
    EXPECT_EQ(QX(askPayoutQX)(400, message), QX_STATUS_OK) << message;
    EXPECT_EQ(QX(askPayout2QX)(400, &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(sent(fs("d|00000400")), 2);
    rest = 55;
    EXPECT_EQ(QX(dispenseQX)(100000000, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR);
    EXPECT_STREQ(message, "Amount to dispense too big");
    // An empty device cannot pay: its rest reaches the caller, though its "c", "b" and "a"
    // reports come all at once.
    for (int coin : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1})
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

// A window-message application fetches the texts behind its events through the four
// information exports: oldest first, each once, and empty texts from empty queues.
TEST_F(SessionFlowTest, InformationExportsHandOutEachTextOnce) {
    EventWindow window;
    ASSERT_NE(window.handle(), nullptr);
    ASSERT_EQ(QX(registerHwndQX)(window.handle(), message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    char error[QX_BUFFER_CAPACITY] = "x", ext[QX_BUFFER_CAPACITY], type[QX_BUFFER_CAPACITY],
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
    EXPECT_STREQ(error, "");
    // An error (code 12 at positions 14-15), two cash levels (a "%" in the first), a session.
    for (const char* report : {"b0000000021JAM AT 50% NT 12", "b000000003105 20 50%       ",
                               "b000000003100 0,50         ", "b0000000031CR/WD00004200 50%"}) {
        QX(qxsim_inject_callback)(report);
    }
    ASSERT_EQ(QX(qxsim_wait_idle)(2000), 0);
    fetchAll();
    EXPECT_STREQ(error, "Error Code 12");
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
