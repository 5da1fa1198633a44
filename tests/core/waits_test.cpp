// waits_test.cpp - the waiting primitives and the pre-check frame at their
// boundaries, on a virtual clock: each 10 ms poll step runs what is due then.
#include <functional>
#include <map>
#include <thread>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

void device(std::string text) { callbackfunc(&text[0]); }

class Waits : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        qxplat::setSleepHookForTesting([this](int ms) {
            EXPECT_EQ(ms, 10);
            auto due = reports.find(++sleeps * 10);  // the wait has waited sleeps * 10 ms
            if (due != reports.end()) due->second();
        });
    }
    // Once the wait has waited elapsedMs: a device report, or a change of the model.
    void at(int elapsedMs, std::function<void()> event) { reports[elapsedMs] = event; }
    void at(int elapsedMs, const std::string& text) { at(elapsedMs, [text] { device(text); }); }
    void restart() {
        sleeps = 0;
        reports.clear();
    }
    void waited(short result, short wanted, int steps) {
        EXPECT_EQ(result, wanted);
        EXPECT_EQ(sleeps, steps);
    }

    CQXLogics& core = g_theLogics;
    int sleeps = 0;
    std::map<int, std::function<void()>> reports;
};

// Status reports are "a" + amount + status + mode.
TEST_F(Waits, StatusBoundaries) {
    struct Case {
        int reportAtMs;  // -1: none
        const char* report;
        int wantA, wantB, timeoutMs;
        short result;
        int sleeps;
    } cases[] = {
        {-1, "", 1, 1, 5000, QX_STATUS_TIMEOUT, 501},               // never comes
        {4990, "a0000000011", 1, 1, 5000, QX_STATUS_OK, 499},       // just in time
        {5000, "a0000000031", 0, 3, 5000, QX_STATUS_TIMEOUT, 500},  // at the time-out
        {30, "a0000000031", 0, 0, 100, QX_STATUS_TIMEOUT, 11},      // one-value form
        {30, "a0000000001", 0, 0, 100, QX_STATUS_OK, 3},
        {70, "a0000000021", 0, 3, 5000, QX_STATUS_ERROR, 7},  // error ends it
        {20, "a0000000021", 2, 2, 5000, QX_STATUS_ERROR, 2},  // even when wanted
    };
    for (const Case& c : cases) {
        resetDeviceModelForTesting();
        restart();
        if (c.reportAtMs >= 0) at(c.reportAtMs, c.report);
        EXPECT_EQ(core.waitForStatus(c.wantA, c.wantB, c.timeoutMs), c.result) << c.report;
        EXPECT_EQ(sleeps, c.sleeps) << c.report;
    }
    EXPECT_EQ(errorCount("CQXLogics::waitForStatus: Error entered"), 2u);
}

// Every report since the command is seen in order, though gone before the
// wait looks: the first deciding one wins, and the next wait reads on.
TEST_F(Waits, EveryReportSinceTheCommandIsSeenInOrder) {
    g_strPreviousCallback.set("a00000000031");
    g_bForceNextStatusEvent = false;
    core.prepareCommand('C');
    EXPECT_TRUE(g_strPreviousCallback.equals(""));
    EXPECT_TRUE(g_bForceNextStatusEvent.load());
    EXPECT_EQ(g_chLastCommand.load(), 'C');
    device("a0000000011");
    device("a0000000031");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    waited(core.waitForStatus(0, 3, 5000), QX_STATUS_OK, 0);

    core.prepareCommand('C');
    device("a0000000021");
    device("a0000000011");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_ERROR);

    core.prepareCommand('C');
    device("a0000000011");
    device("a0000000021");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    EXPECT_EQ(core.waitForStatus(0, 3, 5000), QX_STATUS_ERROR);
}

// askPayout's reports at once: each callback wait reads past the one before,
// and the rest read after the "c" wait is that report's.
TEST_F(Waits, CallbackWaitsReadTheReportThatEndedThem) {
    core.prepareCommand('D');
    for (const char* text : {"c0000125031", "c0000000031", "b0000000031", "a0000000031"})
        device(text);
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_OK);
    EXPECT_EQ(core.lastWaitReport().rest, 1250);
    EXPECT_EQ(core.waitForCallback("b", 5000), QX_STATUS_OK);
    waited(core.waitForCallback("a", 5000), QX_STATUS_OK, 0);
    EXPECT_TRUE(g_strLastCallbackCommand.equals(""));
    waited(core.waitForCallback("a", 5000), QX_STATUS_TIMEOUT, 501);  // needs a new report

    restart();
    at(5000, "c0000000031");
    waited(core.waitForCallback("c", 5000), QX_STATUS_TIMEOUT, 500);

    // An error ends it at once, leaving the command text, or when it arrives.
    restart();
    g_strLastCallbackCommand.set("x");
    g_nLastCallbackStatus = 2;
    waited(core.waitForCallback("c", 5000), QX_STATUS_ERROR, 0);
    EXPECT_TRUE(g_strLastCallbackCommand.equals("x"));
    EXPECT_EQ(errorCount("CQXLogics::waitForCallback: Error entered"), 1u);
    g_nLastCallbackStatus = 0;
    at(70, "b0000000021");
    waited(core.waitForCallback("c", 5000), QX_STATUS_ERROR, 7);
}

// The mode is forgotten after success and time-out, kept after an error;
// an error ends the wait unless it is to be ignored.
TEST_F(Waits, ModeWaits) {
    at(20, "a0000000031");
    waited(core.waitForMode(1, 5000, false), QX_STATUS_OK, 2);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);
    restart();
    g_nLastCallbackMode = 0;
    waited(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT, 501);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);
    restart();
    at(5000, "a0000000031");
    waited(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT, 500);

    g_nLastCallbackStatus = 2;
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_ERROR);
    EXPECT_EQ(g_nLastCallbackMode.load(), 0);
    once({"CQXLogics::waitForMode: Error entered"});
    restart();
    core.prepareCommand('A');
    at(100, "b0000000020");
    at(300, "a0000000031");
    waited(core.waitForMode(1, 5000, true), QX_STATUS_OK, 30);
}

const PreCheck kEnable = {"enablePayin", "Enable Payin", 0, 3, 15000, true, true,
                          stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kPayoutLike = {"payout", "Payout", 0, -1, 15000, true, false,
                              stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kNoErrorBranch = {"login", "Login", 0, 3, 15000, false, false, 0};

// Each step of the frame refuses with its code, text and one line in both
// logs in the operation's words.  A busy wait (checkBusy alone) that ends
// in error follows the error-branch setting; the one-value form ignores the
// other idle status.
TEST_F(Waits, PreCheckSteps) {
    struct Row {
        const PreCheck& op;
        int state, status, statusAt, statusThen;
        short result;
        const char* text;
        const char* line;  // after "CQXLogics::"
        int sleeps;
    } rows[] = {
        {kEnable, QXS_LOGGED_OUT, 3, 0, 0, QX_STATUS_CLOSED, "Closed",
         "enablePayin: Enable Payin is not allowed from logged out state.", 0},
        {kEnable, QXS_PAYIN_ENABLED, -1, 0, 0, QX_STATUS_NOT_SUPPORTED, "Not Supported",
         "enablePayin: Enable Payin is not supported.", 0},
        {kPayoutLike, QXS_CASH_DEPOSITED, -1, 0, 0, QX_STATUS_NOT_SUPPORTED, "Not Supported",
         "payout: Payout is not supported from state Cash Deposited", 0},
        {kEnable, QXS_LOGGED_OUT, 2, 0, 0, QX_STATUS_ERROR, "QuaxVault has error(s)",
         "enablePayin: QuaxVault has error(s)", 0},  // error before closed
        {kEnable, QXS_PAYIN_ENABLED, 1, 0, 0, QX_STATUS_BUSY, "QuaxVault is busy",
         "enablePayin: QuaxVault is still busy, giving up.", 1501},
        {kPayoutLike, QXS_PAYIN_DISABLED, -1, 0, 0, QX_STATUS_OK, "", nullptr, 0},
        // checkBusy alone from here on
        {kEnable, -1, 1, 10, 2, QX_STATUS_ERROR, "QuaxVault has error(s)", nullptr, 1},
        {kNoErrorBranch, -1, 1, 10, 2, QX_STATUS_OK, "", nullptr, 1},
        {kPayoutLike, -1, 1, 50, 3, QX_STATUS_BUSY, "QuaxVault is busy", nullptr, 1501},
        {kPayoutLike, -1, 1, 50, 0, QX_STATUS_OK, "", nullptr, 5},
    };
    for (const Row& row : rows) {
        restart();
        message[0] = '\0';
        g_QXState = row.state;
        g_nLastCallbackStatus = row.status;
        at(row.statusAt, [&row] { g_nLastCallbackStatus = row.statusThen; });
        waited(row.state < 0 ? core.checkBusy(row.op, message) : core.runPreChecks(row.op, message),
               row.result, row.sleeps);
        EXPECT_STREQ(message, row.text);
        if (row.line) once({std::string("CQXLogics::") + row.line}, "qxlogic");
        if (row.line) once({std::string("CQXLogics::") + row.line}, "qxerror");
    }
    EXPECT_EQ(logCount("CQXLogics::enablePayin: Quaxvault is Busy. Wait for Ok"), 2u);
    EXPECT_EQ(logCount("CQXLogics::login: QuaxVault has error(s)"), 0u);

    // An idle report no earlier wait read does not end the busy wait.
    restart();
    core.prepareCommand('C');
    device("a0000000031");
    device("a0000000011");
    at(50, "a0000000031");
    waited(core.checkBusy(kEnable, nullptr), QX_STATUS_OK, 5);
}

// The device library's thread reports while the wait sleeps for real.
TEST_F(Waits, RealReportsWakeTheWaits) {
    qxplat::setSleepHookForTesting({});
    core.prepareCommand('X');
    std::thread writer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        device("x" + std::string(17, 'S') + "0123abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        device("a0000000011");
        device("a0000000031");
    });
    EXPECT_EQ(core.waitForCallback("x", 5000), QX_STATUS_OK);
    EXPECT_STREQ(core.lastWaitReport().masterVersion, "01.23");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_OK);
    EXPECT_EQ(core.waitForStatus(0, 3, 5000), QX_STATUS_OK);
    writer.join();
}

}  // namespace
}  // namespace coretest
