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

// An error the device reports after the report that ended the last wait, before the call
// returns: the call answers the error, not Done.  (The device takes each command and the test
// reports for it.)
TEST_F(ReportsTest, AnErrorReportedBeforeTheCallReturnsIsNotDone) {
    g_bAskPayoutDone = true;  // 6000 was asked for: nothing asks first
    g_nAskPayoutAmount = 6000;
    const struct {
        const char* method;
        char letter, command;
        int state, paidIn;
        std::function<short(char*)> call;
    } cases[] = {
        {"dispense", 'C', 'c', QXS_PAYIN_DISABLED, 0,
         [](char* m) { return g_theLogics.dispense(6000, "", nullptr, m); }},
        {"payout", 'F', 'f', QXS_PAYIN_ENABLED, 1000,
         [](char* m) { return g_theLogics.amountDue(700, "", nullptr, m); }},
        {"change", '1', 'e', QXS_PAYIN_ENABLED, 1000,
         [](char* m) { return g_theLogics.change(m); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        device("a0000000031");
        g_QXState = c.state;
        g_nLastCallbackAmount = c.paidIn;
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
        qxsim_override_answer(c.command, "000", 1);
        whenWaitingAfter(c.letter, {"a0000000011", "b0000000021E-TRANSPORT   12"});
        outcome(c.call(message), QX_STATUS_ERROR, "QuaxVault has error(s)",
                {"!CQXLogics::" + std::string(c.method) + ": QuaxVault has error(s)"});
        qxplat::setSleepHookForTesting({});
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
