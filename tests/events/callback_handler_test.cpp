// callback_handler_test.cpp - callback texts sent by the (simulated)
// device through the real link: the device model they leave behind, the
// events they forward, and the lines they log.
#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;

// "b" + 8 amount digits + status + mode + extInfo.
std::string statusText(char letter, const char* amount, int status, int mode,
                       const std::string& extInfo = "") {
    return std::string(1, letter) + amount + std::to_string(status) +
           std::to_string(mode) + extInfo;
}

const std::string kErrorText = "E-TRANSPORT   12";
const std::string kLevelText = "05 20           ";
const std::string kSessionText = "CR/RF00004200";

TEST_F(DeviceTest, StatusCallbackInLoggedOutStateEnablesPayin) {
    registerAllCallbacks();
    g_QXState = QXS_LOGGED_OUT;
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_TRUE_PENDING;
    device("a0000125001");
    EXPECT_EQ(1250, g_nLastCallbackAmount.load());
    EXPECT_EQ(0, g_nLastCallbackStatus.load());
    EXPECT_EQ(1, g_nLastCallbackMode.load());
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_TRUE(g_bIsOpen.load());
    EXPECT_EQ("a", g_strLastCallbackCommand.get());
    EXPECT_EQ(LOW_LEVEL_WARNING_FALSE, g_nCurrentLowLevelWarningState.load());
    EXPECT_EQ(1u, logic("cqxlogics.callbackfunc(A): Updating g_nCurrentLowLevelWarningState: "
                        "2 - > 0 (LOW_LEVEL_WARNING_FALSE)").size());
    EXPECT_EQ(std::vector<std::string>{"status 1250 0 1"}, events());
    EXPECT_EQ(1u, logic("<- a0000125001").size());
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE_PENDING;
    device("a0000125011");  // busy: no change
    EXPECT_EQ(LOW_LEVEL_WARNING_FALSE_PENDING, g_nCurrentLowLevelWarningState.load());
    device("a0000125001");
    EXPECT_EQ(LOW_LEVEL_WARNING_FALSE, g_nCurrentLowLevelWarningState.load());
}

TEST_F(DeviceTest, StatusCallbackDuringPayoutUpdatesModelOnly) {
    registerAllCallbacks();
    g_bPayoutInProgress = true;
    g_QXState = QXS_PAYIN_DISABLED;
    device("a0000050010");
    EXPECT_EQ(500, g_nLastCallbackAmount.load());
    EXPECT_EQ(1, g_nLastCallbackStatus.load());
    EXPECT_FALSE(g_bIsOpen.load());
    EXPECT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    EXPECT_TRUE(events().empty());
}

TEST_F(DeviceTest, StateMovesAfterFailedLoginOnlyForKnownStatuses) {
    g_QXState = QXS_CASH_DEPOSITED;
    g_nLastCallbackStatus = QX_DEVICE_ERROR;
    g_chLastCommand = 'H';
    device("a0000000031");
    EXPECT_EQ(QXS_CASH_DEPOSITED, g_QXState.load());  // not after a login
    g_nLastCallbackStatus = QX_DEVICE_ERROR;
    g_chLastCommand = 'A';
    device("a0000000031");
    EXPECT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    g_QXState = QXS_LOGGED_OUT;
    device("a0000000071");
    EXPECT_EQ(QXS_LOGGED_OUT, g_QXState.load());
    EXPECT_EQ(1u, logic("Unexpected callback status == 7, not changing g_QXState").size());
}

TEST_F(DeviceTest, MalformedCallbacksReportAnErrorStatusAndForwardNothing) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    for (const std::string text : {"b000012500", "b0000000x01"}) {
        SCOPED_TRACE(text);
        g_nLastCallbackStatus = 0;
        device(text);
        EXPECT_EQ(QX_DEVICE_ERROR, g_nLastCallbackStatus.load());
        EXPECT_EQ(text, g_strPreviousCallback.get());
        EXPECT_EQ("", g_strLastCallbackCommand.get());
    }
    EXPECT_EQ(2u, errors("cqxlogics.callbackfunc: Error in format of received callback").size());
    EXPECT_EQ(1u, errors("!! b0000000x01").size());
    EXPECT_TRUE(events().empty());
}

TEST_F(DeviceTest, RepeatedCallbackIsForwardedOnlyWhenChangesAloneAreNotAsked) {
    registerAllCallbacks();
    const std::string text = statusText('b', "00000000", 0, 1, kLevelText);
    device(text);
    device(text);
    // status (its triple changed), cash level, level warning; once
    EXPECT_EQ(3u, events().size());
    EXPECT_EQ(1u, logic("<- " + text).size());

    g_ForwardCallbackChangeOnly = 0;
    device(text);
    ASSERT_EQ(5u, events().size());  // cash level and level warning again
    EXPECT_EQ("cashLevel 2000 5|" + kLevelText, events()[3]);
    EXPECT_EQ(1u, logic("<- " + text).size());

    g_LoggEveryCallback = 1;
    device(text);
    EXPECT_EQ(2u, logic("<- " + text).size());
}

TEST_F(DeviceTest, ErrorStatusSendsStatusThenErrorThenInnerTexts) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    device(statusText('b', "00000000", 2, 1, kErrorText));
    EXPECT_EQ((std::vector<std::string>{"status 0 2 1",
                                        "error 12|Error Code 12|ErrorInfo Not set"}),
              events());
    EXPECT_FALSE(g_bIsOpen.load());

    coretest::Recorder::get().clear();
    device(statusText('b', "00000000", 2, 1, kSessionText));
    EXPECT_EQ(std::vector<std::string>{"session 3 4200|" + kSessionText}, events());
}

TEST_F(DeviceTest, InnerTextKindFollowsItsFirstCharacter) {
    registerAllCallbacks();
    device(statusText('b', "00000000", 0, 1, "QuaxV"));
    device(statusText('b', "00000000", 0, 1));  // empty extInfo: a cash-level text
    EXPECT_EQ((std::vector<std::string>{"status 0 0 1", "session 4 0|QuaxV"}), events());
    EXPECT_EQ(1u, errors("getCashLevels: wrong message length: ").size());
    for (const char* text : {"Z/WD00000100", "z/WD00000100"})  // session texts
        device(statusText('b', "00000000", 0, 1, text));
    EXPECT_EQ(2u, errors("getSessionInfo: Unknown infoType").size());
}

TEST_F(DeviceTest, AskPayoutAnswerSendsStatusOnlyWhenBusy) {
    registerAllCallbacks();
    device("c0000020000");
    EXPECT_EQ(200, g_nLastRestAmount.load());
    EXPECT_EQ(0, g_nLastCallbackAmount.load());
    EXPECT_TRUE(events().empty());
    device("c0000030011");
    EXPECT_EQ(300, g_nLastCallbackAmount.load());
    EXPECT_EQ(1, g_nLastCallbackStatus.load());
    EXPECT_EQ(std::vector<std::string>{"status 300 1 1"}, events());
}

TEST_F(DeviceTest, VerificationCallbackSetsVersionAndCommandsByLength) {
    const std::string head = "x00000000000000000";  // letter + 17 unused
    device(head + "010");
    EXPECT_EQ("x", g_strLastCallbackCommand.get());
    EXPECT_EQ("", g_strMasterVersion.get());
    device(head + "0102");
    EXPECT_EQ("01.02", g_strMasterVersion.get());
    EXPECT_EQ("", g_strSupportedCommands.get());
    device(head + "0304H");
    EXPECT_EQ("03.04", g_strMasterVersion.get());
    EXPECT_EQ("H", g_strSupportedCommands.get());
}

TEST_F(DeviceTest, UnknownLetterIsADeviceError) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    device("z0000000001");
    EXPECT_EQ(QX_DEVICE_ERROR, g_nLastCallbackStatus.load());
    EXPECT_EQ(0, g_nLastCallbackMode.load());
    EXPECT_EQ(1u, errors("cqxlogics.callbackfunc(?): Unknown command=z").size());
    EXPECT_TRUE(events().empty());
}

}  // namespace
