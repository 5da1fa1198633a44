// callback_handler_test.cpp - callback texts from the simulated device through the real link:
// the model they leave, the events they forward to the application and the lines they log.
#include <stdexcept>
#include <thread>

#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;
using coretest::n;
using EventsTest = coretest::CoreTest;
using Lines = std::vector<std::string>;

// amount status mode rest letter, "open" while open, and a verification's version|commands.
std::string model() {
    const std::string version = g_strMasterVersion.get() + "|" + g_strSupportedCommands.get();
    return n(g_nLastCallbackAmount) + " " + n(g_nLastCallbackStatus) + " " +
           n(g_nLastCallbackMode) + " " + n(g_nLastRestAmount) + " " +
           g_strLastCallbackCommand.get() + (g_bIsOpen ? " open" : "") +
           (version == "|" ? "" : " " + version);
}

// Each text after the one before: the model it leaves, the events it forwards, an error line.
TEST_F(DeviceTest, TextsUpdateTheModelAndForwardEvents) {
    registerAllCallbacks();
    const std::string level = "05 20 Euro note, with far too many words to fit in one limited "
                              "text of the callback";
    const std::string cut = level.substr(0, 63), tooShort = "Callback string too short";
    // A malformed text or an unknown letter changes no value: it is an error event of its own.
    const std::string same = "0 0 1 0 x open 03.04|H";
    const std::string malformed = "error 0|Malformed device report|";
    const struct { std::string text, model; Lines events; std::string error; } script[] = {
        {"a0000125001", "1250 0 1 0 a open", {"status 1250 0 1"}, ""},
        {"b0000000001" + level, "0 0 1 0 b open",
         {"status 0 0 1", "cashLevel 2000 5|" + cut,
          "warning 2 2000 5|Low|20|20 Low (5 Left)|" + cut}, ""},
        {"b0000000001" + level, "0 0 1 0 b open", {}, ""},  // a repeat
        {"b0000000031BO/WD00001500 till 4 closing", "0 3 1 0 b open",
         {"status 0 3 1", "session 0 1500|BO/WD00001500 till "}, ""},
        {"b0000000001QuaxV", "0 0 1 0 b open", {"status 0 0 1", "session 4 0|QuaxV"}, ""},
        {"b0000000001", "0 0 1 0 b open", {}, "getCashLevels did not return status ok"},
        {"b0000000001Z/WD00000100", "0 0 1 0 b open", {}, "getSessionInfo: Unknown infoType"},
        {"b0000000001z/WD00000100", "0 0 1 0 b open", {}, "getSessionInfo: Unknown infoType"},
        {"b0000000001A/WD00000100", "0 0 1 0 b open", {}, "getSessionInfo: Unknown infoType"},
        {"b0000000001a/WD00000100", "0 0 1 0 b open", {}, "getSessionInfo: Unknown infoType"},
        {"b0000000021jam", "0 2 1 0 b", {"status 0 2 1", "error 0|Error Code 0|ErrorInfo Not set"},
         "ErrorEvent: errorCode=0, errorText=Error Code 0, extInfo=ErrorInfo Not set"},
        {"b0000000021CR/RF00004200", "0 2 1 0 b", {"session 3 4200|CR/RF00004200"}, ""},
        {"a0000000001", "0 0 1 0 a open", {"status 0 0 1"}, ""},
        {"b0000000021E-TRANSPORT   12", "0 2 1 0 b",
         {"status 0 2 1", "error 12|Error Code 12|ErrorInfo Not set"}, ""},
        {"a0000050010", "500 1 0 0 a", {"status 500 1 0"}, ""},
        {"c0000020000", "500 0 0 200 c", {}, ""},
        {"c0000030011", "300 1 1 300 c", {"status 300 1 1"}, ""},
        {"c0000000031", "300 3 1 0 c open", {}, ""},
        {"z0000000001", "300 3 1 0 c open", {"error 0|Unknown device report|z0000000001"},
         "callbackfunc(?): Unknown command=z"},
        {"b0000030020E-TRANSPORT   05", "300 2 0 0 b",
         {"status 300 2 0", "error 5|Error Code 5|ErrorInfo Not set"}, ""},
        {"a0000000001", "0 0 1 0 a open", {"status 0 0 1"}, ""},
        {"x00000000000000000010", "0 0 1 0 x open", {}, ""},  // version and commands by length
        {"x000000000000000000102", "0 0 1 0 x open 01.02|", {}, ""},
        {"x000000000000000000304H", "0 0 1 0 x open 03.04|H", {}, ""},
        {"b000012500", same, {malformed + "b000012500"}, tooShort},
        {"b0000000x01", same, {malformed + "b0000000x01"}, "amountOrRest atoi-conversion failed"},
        {"b-000001201", same, {malformed + "b-000001201"},
         "invalid amountOrRest from: b-000001201"},
        {"b00000000x1", same, {malformed + "b00000000x1"}, "nStatus atoi-conversion failed"},
        {"b000000000-", same, {malformed + "b000000000-"}, "nMode atoi-conversion failed"},
        {"", same, {malformed}, tooShort},
        {"x1234567890123456789", same, {malformed + "x1234567890123456789"}, tooShort},
        // The device's next error report is a new error, and a further one is not.
        {"b0000000021E-TRANSPORT   07", "0 2 1 0 b 03.04|H",
         {"status 0 2 1", "error 7|Error Code 7|ErrorInfo Not set"}, ""},
        {"b0000000021E-TRANSPORT   08", "0 2 1 0 b 03.04|H", {},
         "getSessionInfo: Unknown infoType"},
    };
    for (const auto& row : script) {
        SCOPED_TRACE(row.text);
        coretest::Recorder::get().clear();
        const size_t before = row.error.empty() ? 0 : errors(row.error).size();
        device(row.text);
        EXPECT_EQ(row.model, model());
        EXPECT_EQ(row.events, events());
        EXPECT_TRUE(row.error.empty() || errors(row.error).size() == before + 1);
    }
    EXPECT_EQ("b0000000021E-TRANSPORT   08", g_strPreviousCallback.get());
    EXPECT_EQ(7u, errors("callbackfunc: Error in format of received callback").size());
    const std::pair<const char*, const char*> lines[] = {
        {"qxerror", "!! b0000000x01"},
        {"qxlogic", "<- a0000125001"},
        {"qxlogic", "sendErrorEvent: errorCode=0, errorText=Error Code 0"},
        {"qxlogic", "sendCashLevelEvent: denomination=2000, numberOf=5, extInfo=05 20 Euro"},
        {"qxapi", "CashLevelEvent: denomination=2000, numberOf=5, extInfo=05 20 Euro"},
        {"qxapi", "LevelWarningEvent: warningType=2, denomination=2000, numberOf=5, "
                  "typeString=Low, denominationString=20, warningMessage=20 Low (5 Left), "
                  "extInfo=05 20 Euro"},
        {"qxapi", "CashSessionEvent: infoType=0, amount=1500, extInfo=BO/WD00001500 till 4 c"},
    };
    for (const auto& l : lines)
        EXPECT_EQ(1u, qxtest::logLinesContaining(l.first, l.second).size()) << l.second;
    // A "b" that changed the status sends its status event before its text is logged; an "a"
    // logs its text first.
    const std::string log = qxtest::readLog("qxlogic");
    EXPECT_LT(log.find("sendStatusEvent: amount=0, status=3, mode=1"),
              log.find("<- b0000000031BO/WD00001500"));
    EXPECT_LT(log.find("<- a0000125001"), log.find("sendStatusEvent: amount=1250, status=0"));
}

// An idle "a" moves the state after logout or a failed login, and ends a pending warning.
TEST_F(DeviceTest, StatusTextsMoveStateAndWarning) {
    struct { int state, prevStatus, command; const char* text; int after, warning, warningAfter; }
    const cases[] = {
        {QXS_LOGGED_OUT, 0, 'B', "a0000125001", QXS_PAYIN_ENABLED, 2, 0},
        {QXS_LOGGED_OUT, 0, 'B', "a0000125031", QXS_PAYIN_DISABLED, 1, 1},
        {QXS_LOGGED_OUT, 0, 'B', "a0000125011", QXS_LOGGED_OUT, 1, 1},
        {QXS_LOGGED_OUT, 0, 'B', "a0000000071", QXS_LOGGED_OUT, 1, 1},
        {QXS_CASH_DEPOSITED, 2, 'H', "a0000000001", QXS_CASH_DEPOSITED, 1, 0},
        {QXS_CASH_DEPOSITED, 0, 'A', "a0000000001", QXS_CASH_DEPOSITED, 3, 3},
        {QXS_CASH_DEPOSITED, 2, 'A', "a0000000031", QXS_PAYIN_DISABLED, 3, 3},
        {QXS_LOGGED_OUT, 0, 'A', "b0000000001", QXS_LOGGED_OUT, 0, 3},  // a bad level text: raised
    };
    for (const auto& c : cases) {
        g_QXState = c.state;
        g_nLastCallbackStatus = c.prevStatus;
        g_chLastCommand = static_cast<char>(c.command);
        g_nCurrentLowLevelWarningState = c.warning;
        device(c.text);
        EXPECT_EQ(c.after, g_QXState.load()) << c.text;
        EXPECT_EQ(c.warningAfter, g_nCurrentLowLevelWarningState.load()) << c.text;
    }
    EXPECT_EQ(1u, logCount("(A): Unexpected callback status == 7, not changing g_QXState"));
    EXPECT_EQ(1u, logCount("cqxlogics.callbackfunc(A): Updating g_nCurrentLowLevelWarningState: "
                           "2 - > 0 (LOW_LEVEL_WARNING_FALSE)"));
}

// Repeats: forwarded unless changes alone are asked; "<-" and status lines once unless forced.
TEST_F(DeviceTest, RepeatsAreForwardedAndLoggedAsConfigured) {
    registerAllCallbacks();
    const char* idle = "a0000000001";
    const std::string idleLine = "StatusEvent: amount=0, status=0, mode=1";
    for (const char* text : {idle, "a0000000101", idle, idle}) device(text);
    g_ForwardCallbackChangeOnly = 0;
    device(idle);
    EXPECT_EQ(4u, events().size());
    EXPECT_EQ(3u, api("StatusEvent: amount=").size());
    EXPECT_EQ(3u, logCount("sendStatusEvent: amount="));
    EXPECT_EQ(2u, logCount("<- a0000000001"));
    device("b0000000001QuaxV");
    device(idle);
    EXPECT_EQ(3u, api(idleLine).size());
    g_LoggEveryCallback = 1;
    device(idle);
    EXPECT_EQ(4u, api(idleLine).size());
    EXPECT_EQ(4u, logCount("<- a0000000001"));
    EXPECT_EQ(7u, events().size());
    g_LoggEveryCallback = 0;
    g_bForceNextStatusEvent = true;
    device(idle);
    EXPECT_EQ(5u, api(idleLine).size());
    EXPECT_FALSE(g_bForceNextStatusEvent.load());
    g_LoggSendEvents = 0;
    device("b0000000021E-TRANSPORT   12");
    EXPECT_EQ(10u, events().size());
    EXPECT_EQ(7u, api("Event:").size());
    EXPECT_EQ(1u, errors("ErrorEvent: errorCode=12").size());
}

void QXAPI throwingStatus(int, short, short) { throw std::runtime_error("till fault"); }

// Only registered callbacks are called; an application's exception is logged, no further.
TEST_F(DeviceTest, OnlyRegisteredCallbacksAreCalledAndMayThrow) {
    ASSERT_EQ(0, g_theLogics.registerEvents3(throwingStatus, coretest::onError,
                                             coretest::onLevelWarning, coretest::onCashSession,
                                             message));
    g_bPayoutInProgress = true;  // an "a" forwards nothing during a payout
    device("a0000000001");
    g_bPayoutInProgress = false;
    device("b000000000100 0,50         ");
    EXPECT_EQ(Lines{"warning 1 50 0|Empty|0,50|0,50 Empty|00 0,50         "}, events());
    EXPECT_EQ(0, g_nCallbacksInProgress.load());
    EXPECT_EQ(0u, errors("The application's callback threw an exception").size());
    device("a0000000001");
    EXPECT_EQ(1u, errors("callbackfunc: The application's callback threw an exception at "
                         "StatusEvent").size());
}

// Whether a status event is logged follows LoggSendEvents alone: one sent while its lines are
// switched off still counts as the last one logged.
TEST_F(DeviceTest, StatusEventsKeepTheirLoggingStateWithTheirLinesOff) {
    registerAllCallbacks();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.changeSettings("LogCAPIToCR:0", 0, message));
    device("a0000010001");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.changeSettings("LogCAPIToCR:1", 0, message));
    device("a0000010001z");  // the same values
    device("a0000020001");
    EXPECT_EQ(0u, logCount("sendStatusEvent: amount=100, status=0, mode=1"));
    EXPECT_EQ(1u, logCount("sendStatusEvent: amount=200, status=0, mode=1"));
    EXPECT_EQ(3u, events().size());
}

std::atomic<int> g_inside{0}, g_mostInside{0}, g_calls{0};

void QXAPI countingStatus(int, short, short) {
    const int inside = ++g_inside;
    int most = g_mostInside;
    while (inside > most && !g_mostInside.compare_exchange_weak(most, inside)) {
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
    ++g_calls;
    --g_inside;
}

// A device library that calls back from several threads at once: the application's callbacks
// still run one at a time, and each report reaches it.
TEST_F(EventsTest, ApplicationCallbacksRunOneAtATime) {
    g_pfnStatusCallback = countingStatus;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 1; i <= 200; ++i) {
                std::string text = "a" + std::to_string(10000000 + t * 1000 + i) + "01";
                callbackfunc(&text[0]);
            }
        });
    for (std::thread& thread : threads) thread.join();
    ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs));
    EXPECT_EQ(1, g_mostInside.load());
    EXPECT_EQ(800, g_calls.load());
}

// The device library is always answered 1, whatever its text and whatever the application's
// callback does.
TEST_F(EventsTest, TheDeviceLibraryIsAlwaysAnswered1) {
    g_pfnStatusCallback = throwingStatus;
    for (std::string text : {"a0000125001", "b000012500", "z0000000001", ""})
        EXPECT_EQ(1, callbackfunc(&text[0])) << text;
    EXPECT_EQ(1, callbackfunc(nullptr));
}

// Negative values are refused with their line.
TEST_F(EventsTest, SendersRefuseNegativeValues) {
    registerAllCallbacks();
    EXPECT_EQ(2, sendStatusEvent(-1, 0, 1));
    EXPECT_EQ(2, sendStatusEvent(5, 0, -1));
    EXPECT_EQ(2, sendStatusEvent(5, -1, 1));
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param amountOrRest: -1").size());
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param modeAndStatus: -100").size());
    EXPECT_EQ(1u, errors("sendStatusEvent: Failed, neg param nStatus: -1").size());
    EXPECT_TRUE(events().empty());
}

}  // namespace
