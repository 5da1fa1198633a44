// reports_test.cpp - every device report a cash operation's wait needs is seen, whatever comes
// around it: reports from before the wait, bursts, an application callback that blocks, an
// error that follows the report that ended the wait.
#include <functional>
#include <thread>
#include <utility>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

void device(std::string text) { callbackfunc(&text[0]); }

class ReportsTest : public CashTest {
protected:
    // Once the operation has sent its command (letter as in g_chLastCommand) and waits, the
    // device reports these texts, on the operation's own thread, at its first poll step.
    void whenWaitingAfter(char letter, std::vector<std::string> texts) {
        qxplat::setSleepHookForTesting([letter, texts, sent = false](int) mutable {
            if (sent || g_chLastCommand.load() != letter) return;
            sent = true;
            for (const std::string& text : texts) device(text);
        });
    }
};

// A busy wait ends only on a report that follows the status check that started it: an idle
// report from before the device went busy ends none, whichever operation waits.
TEST_F(ReportsTest, BusyWaitsEndOnlyOnReportsAfterTheirCheck) {
    for (const BusyStepOperation& op : kBusyStepOperations) {
        SCOPED_TRACE(op.name);
        const std::string method = op.name == std::string("amountDue") ? "payout" : op.name;
        skipSleeps();
        device("a0000000001");  // idle: what every busy wait waits for ...
        device("a0000000011");  // ... then busy, and nothing more
        forgetCommands();
        outcome(op.call(message), QX_STATUS_BUSY, "QuaxVault is busy");
        EXPECT_FALSE(
            errors("CQXLogics::" + method + ": QuaxVault is still busy, giving up.")
                .empty());
        EXPECT_TRUE(commands().empty()) << commands().front();
        qxplat::setSleepHookForTesting({});
        device("a0000000031");
    }
}

// A busy wait that an error ends stops the operations that have that branch; login, reset and
// verifyQX go on and send their command.
TEST_F(ReportsTest, OnlySomeBusyWaitsStopAtAnError) {
    for (const BusyStepOperation& op : kBusyStepOperations) {
        SCOPED_TRACE(op.name);
        device("a0000000011");  // busy, then an error at the first poll step
        qxplat::setSleepHookForTesting([reported = false](int) mutable {
            if (!std::exchange(reported, true)) device("a0000000021");
        });
        forgetCommands();
        const short result = op.call(message);
        qxplat::setSleepHookForTesting({});
        settle();
        const std::vector<std::string> sent = commands();
        EXPECT_EQ(sent.empty() ? 0 : sent.front()[0], op.goesOnWith);
        if (!op.goesOnWith) {
            EXPECT_EQ(result, QX_STATUS_ERROR);
        }
        device("a0000000031");
    }
}

// With its OK check on, change and regret wait for the device to stop after it started: a
// device that stays busy makes them time out.
TEST_F(ReportsTest, TheOkCheckWaitsForTheDeviceToStop) {
    const std::tuple<const char*, const char*, char, std::function<short(char*)>> operations[] = {
        // the setting, the method, the command's letter, the call
        {"ChangeOkCheck:1", "change", '1', [](char* m) { return g_theLogics.change(m); }},
        {"RegretOkCheck:1", "regret", '2', [](char* m) { return g_theLogics.regret(0, m); }},
    };
    for (const auto& [setting, method, letter, operation] : operations) {
        SCOPED_TRACE(setting);
        changeSettings(setting, 0);
        device("a0000100001");                // 1000 paid in, idle
        qxsim_override_answer('e', "000", 1);  // the device takes the command; the test reports
        whenWaitingAfter(letter, {"a0000100011"});  // busy, and it stays so
        outcome(operation(message), QX_STATUS_TIMEOUT, "Timed out",
                {"!CQXLogics::" + std::string(method) + ": Stop timed out, return code = 6"});
        qxplat::setSleepHookForTesting({});
        device("a0000000001");
    }
}

// 10,000 reports after the one that ends the wait, all before the wait reads the record.
TEST_F(ReportsTest, NoReportIsLostInABurst) {
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;  // no ask first
    qxsim_override_answer('c', "000", 1);  // the device takes the command; the test reports
    std::vector<std::string> burst{"a0000000011"};
    burst.resize(10001, "b0000000031");
    whenWaitingAfter('C', burst);
    int rest = -1;
    outcome(g_theLogics.dispense(100, "", &rest, message), QX_STATUS_OK, "Done", {},
            "state=Payin Disabled");
}

// What a cash move answers when more reports follow its start before the call returns: the
// report that ends the move decides - with the OK check the stop wait's idle, without it the
// first idle or error after busy - and nothing after it changes the answer.  Only the device's
// own error before that answers 9, which no refusal before sending gives; a malformed text or
// an unknown letter is no error.  A till that follows the manual after an error (resetQX, call
// again) pays once.  (The device takes each command and the test reports for it.)
TEST_F(ReportsTest, TheReportThatEndsTheMoveDecidesItsAnswer) {
    const struct {
        const char* method;
        const char* check;
        char letter, command;
        int state, paidIn;
        const char* idle;
        std::function<short(char*)> call;
    } operations[] = {
        {"dispense", "PayOutOkCheck", 'C', 'c', QXS_PAYIN_DISABLED, 0, "a0000000031",
         [](char* m) { return g_theLogics.dispense(600, "", nullptr, m); }},
        {"payout", "PayOutOkCheck", 'F', 'f', QXS_PAYIN_ENABLED, 1000, "a0000000001",
         [](char* m) { return g_theLogics.amountDue(700, "", nullptr, m); }},
        {"change", "ChangeOkCheck", '1', 'e', QXS_PAYIN_ENABLED, 1000, "a0000000001",
         [](char* m) { return g_theLogics.change(m); }},
        {"regret", "RegretOkCheck", '2', 'e', QXS_PAYIN_ENABLED, 1000, "a0000000001",
         [](char* m) { return g_theLogics.regret(0, m); }},
    };
    const std::string jam = "b0000000021E-NOTEJAM     01", malformed = "a0000",
                      unknown = "z0000000031", idle = "idle";
    const struct {
        int check;
        std::vector<std::string> afterBusy;
        short answer;
    } rows[] = {
        {0, {idle, jam}, QX_STATUS_OK},       {1, {idle, jam}, QX_STATUS_OK},
        {0, {idle, malformed}, QX_STATUS_OK}, {1, {idle, malformed}, QX_STATUS_OK},
        {0, {idle, unknown}, QX_STATUS_OK},   {1, {idle, unknown}, QX_STATUS_OK},
        {0, {malformed, unknown}, QX_STATUS_OK},
        {1, {malformed, unknown, idle}, QX_STATUS_OK},
        {0, {jam, idle}, QX_STATUS_MOVE_ERROR},
        {1, {jam, idle}, QX_STATUS_TIMEOUT},  // the stop wait ended in the error
    };
    for (const auto& op : operations) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(op.method) + " " + op.check + ":" + n(row.check) + " " +
                         row.afterBusy.front() + ", " + row.afterBusy.back());
            changeSettings((op.check + (":" + n(row.check))).c_str(), 0);
            device(op.idle);
            g_QXState = op.state;
            g_nLastCallbackAmount = op.paidIn;
            g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;  // nothing asks first
            forgetCommands();
            qxsim_override_answer(op.command, "000", 1);
            std::vector<std::string> reports{"a0000000011"};
            for (const std::string& text : row.afterBusy)
                reports.push_back(text == idle ? op.idle : text);
            whenWaitingAfter(op.letter, reports);
            char answer[QX_BUFFER_CAPACITY];
            const short result = op.call(answer);
            EXPECT_EQ(result, row.answer) << answer;
            if (result == QX_STATUS_MOVE_ERROR) {
                EXPECT_STREQ(answer, "QuaxVault reported error(s) during the cash move");
                EXPECT_FALSE(errors("CQXLogics::" + std::string(op.method) +
                                    ": QuaxVault reported error(s) after the cash move started")
                                 .empty());
            }
            if (result == QX_STATUS_ERROR) {  // the manual's answer to "QuaxVault has error(s)"
                g_theLogics.reset(message);
                settle();
                op.call(message);
            }
            qxplat::setSleepHookForTesting({});
            settle();
            int moves = 0;
            for (const std::string& sentText : commands())
                moves += sentText[0] == op.command && (op.command != 'e' || sentText[2] != '3');
            EXPECT_EQ(moves, 1) << "the cash moved twice";
        }
    }
}

// A malformed text or an unknown letter from the device's own thread stands for no status:
// the till hears of it as an error event of its own, and the next cash call goes ahead.
TEST_F(ReportsTest, AnUnreadableReportIsAnErrorEventAndNoStatus) {
    const std::pair<const char*, const char*> texts[] = {
        {"a0000", "error 0|Malformed device report|a0000"},
        {"q0000000031", "error 0|Unknown device report|q0000000031"},
    };
    for (const auto& [text, event] : texts) {
        SCOPED_TRACE(text);
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message)) << message;
        settle();
        Recorder::get().clear();
        qxsim_inject_callback(text);
        settle();
        EXPECT_EQ(events(), std::vector<std::string>{event});
        EXPECT_EQ(g_nLastCallbackStatus.load(), QX_DEVICE_IDLE_PAYIN_ENABLED);
        outcome(g_theLogics.disablePayin(message), QX_STATUS_OK, "Done");
        settle();
    }
}

std::atomic<bool> g_callReturned{false};

// The application's status callback waits until the call on its own thread has returned.
void QXAPI waitingStatus(int, short status, short) {
    for (int ms = 0; status == QX_DEVICE_IDLE_PAYIN_DISABLED && !g_callReturned && ms < 10000;
         ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The report that ends a wait ends it at once, although the application's callback for that
// report blocks until the call returns.
TEST_F(ReportsTest, AnApplicationCallbackThatWaitsForTheCallerDelaysNoWait) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    settle();
    g_pfnStatusCallback = waitingStatus;
    g_callReturned = false;
    qxsim_override_answer('g', "000", 1);  // the device reports the disable with a "b"
    std::thread deviceThread([this] {
        for (int ms = 0; !sent('g') && ms < 5000; ++ms)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        qxsim_inject_callback("b0000000031");
    });
    const short result = g_theLogics.disablePayin(message);
    g_callReturned = true;
    deviceThread.join();
    settle();
    EXPECT_EQ(QX_STATUS_OK, result) << message;
}

std::atomic<int> g_lastStatusSeen{-1};

void QXAPI slowStatus(int, short status, short) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_lastStatusSeen = status;
}

// The status event of the report that ended the wait reaches the application before the call
// returns, although the application takes its time over each event.
TEST_F(ReportsTest, TheDecidingReportsEventComesFirst) {
    g_pfnStatusCallback = slowStatus;
    int first = 0;
    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
        settle();
        g_lastStatusSeen = -1;
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.disablePayin(message));
        first += g_lastStatusSeen == QX_DEVICE_IDLE_PAYIN_DISABLED;
        settle();
    }
    EXPECT_GE(first, 90);  // the wait for it is bounded by one poll step
}

}  // namespace
}  // namespace coretest
