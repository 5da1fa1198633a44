// event_delivery_test.cpp - events from device texts to the application's
// callbacks: arguments, limits of the texts, order, and the log lines of
// the senders (including the suppression of repeated status lines).
#include <stdexcept>

#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;
using EventsTest = coretest::CoreTest;

TEST_F(DeviceTest, CashLevelThenLevelWarningBothCalledInThatOrder) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    g_nLastCallbackMode = 1;
    const std::string text =
        "05 20 Euro note, with far too many words to fit in one limited text of the callback";
    device("b0000000001" + text);
    const std::string cut63 = text.substr(0, 63);
    EXPECT_EQ((std::vector<std::string>{
                  "cashLevel 2000 5|" + cut63,
                  "warning 2 2000 5|Low|20|20 Low (5 Left)|" + cut63}),
              events());
    EXPECT_EQ(1u, logic("sendCashLevelEvent: denomination=2000, numberOf=5, extInfo=").size());
    EXPECT_EQ(1u, api("CashLevelEvent: denomination=2000, numberOf=5, extInfo=").size());
    EXPECT_EQ(1u, api("LevelWarningEvent: warningType=2, denomination=2000, numberOf=5, "
                      "typeString=Low, denominationString=20, warningMessage=20 Low (5 "
                      "Left), extInfo=05 20 Euro").size());
}

TEST_F(DeviceTest, OnlyTheRegisteredLevelCallbackIsCalled) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerEvents3(coretest::onStatus, coretest::onError,
                                             coretest::onLevelWarning, coretest::onCashSession,
                                             message));
    g_nLastCallbackStatus = 0;
    g_nLastCallbackMode = 1;
    device("b000000000100 0,50         ");
    EXPECT_EQ(std::vector<std::string>{
                  "warning 1 50 0|Empty|0,50|0,50 Empty|00 0,50         "},
              events());
}

TEST_F(DeviceTest, SessionTextIsCutToNineteenCharacters) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    g_nLastCallbackMode = 1;
    device("b0000000001BO/WD00001500 till 4 closing");
    EXPECT_EQ(std::vector<std::string>{"session 0 1500|BO/WD00001500 till "}, events());
    EXPECT_EQ(1u, api("CashSessionEvent: infoType=0, amount=1500, extInfo=BO/WD00001500 "
                      "till 4 closing").size());
}

TEST_F(DeviceTest, UnreadableErrorCodeStillGivesAnErrorEvent) {
    registerAllCallbacks();
    g_nLastCallbackStatus = 0;
    device("b0000000021jam");
    EXPECT_EQ(std::vector<std::string>({"status 0 2 1",
                                        "error 0|Error Code 0|ErrorInfo Not set"}),
              events());
    EXPECT_EQ(1u, errors("ErrorEvent: errorCode=0, errorText=Error Code 0, "
                         "extInfo=ErrorInfo Not set").size());
    EXPECT_EQ(1u, logic("sendErrorEvent: errorCode=0").size());
}

TEST_F(DeviceTest, RepeatedStatusIsLoggedOnceUntilAnotherEventForcesIt) {
    registerAllCallbacks();
    device("a0000000001");
    device("a0000000101");
    device("a0000000001");
    device("a0000000001");  // a repeat of the text is not forwarded
    g_ForwardCallbackChangeOnly = 0;
    device("a0000000001");  // forwarded again, but its line is not due
    EXPECT_EQ(4u, events().size());
    EXPECT_EQ(3u, api("StatusEvent: amount=").size());
    EXPECT_EQ(3u, logic("sendStatusEvent: amount=").size());

    device("b0000000001QuaxV");  // session event: the next status line is due
    device("a0000000001");
    EXPECT_EQ(3u, api("StatusEvent: amount=0, status=0, mode=1").size());

    g_LoggEveryCallback = 1;
    device("a0000000001");
    EXPECT_EQ(4u, api("StatusEvent: amount=0, status=0, mode=1").size());
    EXPECT_EQ(7u, events().size());

    g_LoggEveryCallback = 0;
    g_bForceNextStatusEvent = true;  // as before a command to the device
    device("a0000000001");
    EXPECT_EQ(5u, api("StatusEvent: amount=0, status=0, mode=1").size());
    EXPECT_FALSE(g_bForceNextStatusEvent.load());
}

TEST_F(DeviceTest, NoEventLinesWhenSendEventLoggingIsOff) {
    registerAllCallbacks();
    g_LoggSendEvents = 0;
    device("a0000000001");
    device("b0000000021" + std::string("E-TRANSPORT   12"));
    EXPECT_EQ(3u, events().size());
    EXPECT_TRUE(api("Event:").empty());
    EXPECT_EQ(1u, errors("ErrorEvent: errorCode=12").size());  // errors always
}

void QXAPI throwingStatus(int, short, short) { throw std::runtime_error("till fault"); }

TEST_F(DeviceTest, AnExceptionFromTheApplicationIsLoggedAndLeavesTheDeviceAlone) {
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(0, g_theLogics.registerEvents(throwingStatus, coretest::onError,
                                            coretest::onCashLevel, message));
    device("a0000000001");
    EXPECT_EQ(g_nLastCallbackStatus.load(), QX_DEVICE_IDLE_PAYIN_ENABLED);
    EXPECT_EQ(g_nCallbacksInProgress.load(), 0);
    EXPECT_EQ(1u, errors("callbackfunc: The application's callback threw an exception at "
                         "StatusEvent").size());
}

TEST_F(EventsTest, SendersRejectNegativeValues) {
    registerAllCallbacks();
    EXPECT_EQ(2, sendStatusEvent(-1, 0, 1));
    EXPECT_EQ(2, sendStatusEvent(5, 0, -1));
    EXPECT_EQ(2, sendStatusEvent(5, -1, 1));
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param amountOrRest: -1").size());
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param modeAndStatus: -100").size());
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param nStatus: -1").size());
    EXPECT_EQ(2, sendCashLevelEvent("-5 20           "));  // not numeric first
    EXPECT_EQ(2, sendCashSessionEvent("Unknown"));
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(0, sendStatusEvent(5, 3, 0));
    EXPECT_EQ(std::vector<std::string>{"status 5 3 0"}, events());
}

TEST_F(EventsTest, EventsWithoutReceiversAreDroppedQuietly) {
    EXPECT_EQ(0, sendStatusEvent(1, 0, 1));
    EXPECT_EQ(0, sendErrorEvent("E-TRANSPORT   12"));
    EXPECT_EQ(0, sendCashLevelEvent("05 20           "));
    EXPECT_EQ(0, sendCashSessionEvent("QuaxV"));
    std::string text;
    EXPECT_EQ(3, retrieveFromErrorQueue(text));
    EXPECT_EQ(3, retrieveFromCashLevelWarningsQueue(text));
    EXPECT_EQ(3, retrieveFromCashSessionQueue(text));
}

}  // namespace
