// waits_test.cpp - the waiting primitives and the pre-check frame at their
// boundaries, on a virtual clock: each 10 ms poll step runs what is due then.
#include <cstdio>
#include <functional>
#include <map>

#include "core/device_reports.h"
#include "core/precheck.h"
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

void device(std::string text) { callbackfunc(&text[0]); }

const PreCheck kEnable = {"enablePayin", "Enable Payin", 0, 3, 15000, true, true,
                          stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kPayoutLike = {"payout", "Payout", 0, -1, 15000, true, false,
                              stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kNoErrorBranch = {"login", "Login", 0, 3, 15000, false, false, 0};

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
    // A wait's result and the poll steps it took; then the clock starts again.
    void waited(int result, int wanted, int steps) {
        EXPECT_EQ(result, wanted);
        EXPECT_EQ(sleeps, steps);
        sleeps = 0;
        reports.clear();
    }

    CQXLogics& core = g_theLogics;
    int sleeps = 0;
    std::map<int, std::function<void()>> reports;
};

DeviceReport aReport(const char* command, int status) {
    DeviceReport r;
    std::snprintf(r.command, sizeof r.command, "%s", command);
    r.status = status;
    r.mode = 1;
    return r;
}

// More reports in one operation than the record holds (a device library that floods one
// hand-over): those that decide the waits - the first busy and the first idle after it - stay.
TEST_F(Waits, TheReportsThatDecideOutlastTheRecordsCap) {
    g_nLastCallbackStatus = QX_DEVICE_IDLE_PAYIN_DISABLED;  // as the last report left it
    g_deviceReports.startCursorHere();
    const auto report = [](const DeviceReport& r) {
        g_deviceReports.forwarded(g_deviceReports.append(r));  // as the handler does
    };
    report(aReport("a", QX_DEVICE_BUSY));  // the move starts, then cash-level texts follow
    for (int i = 0; i < 1100000; ++i) report(aReport("b", QX_DEVICE_IDLE_PAYIN_DISABLED));
    report(aReport("a", QX_DEVICE_IDLE_PAYIN_DISABLED));
    waited(core.waitForStatus(QX_DEVICE_BUSY, 5000), QX_STATUS_OK, 0);
    waited(core.waitForStatus(0, 3, 5000), QX_STATUS_OK, 0);
    g_deviceReports.endOperation();
}

// Status reports are "a" + amount + status + mode.
TEST_F(Waits, StatusBoundaries) {
    struct Case {
        int reportAtMs;  // -1: none
        const char* report;
        int wantA, wantB, timeoutMs, result, sleeps;
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
        if (c.reportAtMs >= 0) at(c.reportAtMs, c.report);
        waited(core.waitForStatus(c.wantA, c.wantB, c.timeoutMs), c.result, c.sleeps);
    }
    EXPECT_EQ(errorCount("CQXLogics::waitForStatus: Error entered"), 2u);
}

// Every report since the command counts, in order, though gone before the wait looks.
TEST_F(Waits, EveryReportSinceTheCommandIsSeenInOrder) {
    g_strPreviousCallback.set("a00000000031");
    g_bForceNextStatusEvent = false;
    core.prepareCommand('C');
    EXPECT_TRUE(g_strPreviousCallback.equals(""));
    EXPECT_TRUE(g_bForceNextStatusEvent.load());
    EXPECT_EQ(g_chLastCommand.load(), 'C');
    struct Case {
        const char *first, *then;
        int busy, idle;  // idle -1: not waited for
    } cases[] = {{"a0000000011", "a0000000031", QX_STATUS_OK, QX_STATUS_OK},
                 {"a0000000021", "a0000000011", QX_STATUS_ERROR, -1},
                 {"a0000000011", "a0000000021", QX_STATUS_OK, QX_STATUS_ERROR}};
    for (const Case& c : cases) {
        core.prepareCommand('C');
        device(c.first);
        device(c.then);
        waited(core.waitForStatus(1, 5000), c.busy, 0);
        if (c.idle >= 0) waited(core.waitForStatus(0, 3, 5000), c.idle, 0);
    }
}

// Each callback wait reads past the one before; the rest read is its report's.
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
    at(5000, "c0000000031");
    waited(core.waitForCallback("c", 5000), QX_STATUS_TIMEOUT, 500);

    g_strLastCallbackCommand.set("x");
    g_nLastCallbackStatus = 2;  // an error ends it at once, or when it arrives
    waited(core.waitForCallback("c", 5000), QX_STATUS_ERROR, 0);
    EXPECT_TRUE(g_strLastCallbackCommand.equals("x"));
    EXPECT_EQ(errorCount("CQXLogics::waitForCallback: Error entered"), 1u);
    g_nLastCallbackStatus = 0;
    at(70, "b0000000021");
    waited(core.waitForCallback("c", 5000), QX_STATUS_ERROR, 7);
}

// The mode is forgotten after success and time-out, kept after an error.
TEST_F(Waits, ModeWaits) {
    at(20, "a0000000031");
    waited(core.waitForMode(1, 5000, false), QX_STATUS_OK, 2);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);
    g_nLastCallbackMode = 0;
    waited(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT, 501);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);
    at(5000, "a0000000031");
    waited(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT, 500);

    g_nLastCallbackStatus = 2;
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_ERROR);
    EXPECT_EQ(g_nLastCallbackMode.load(), 0);
    once({"CQXLogics::waitForMode: Error entered"});
    core.prepareCommand('A');
    at(100, "b0000000020");
    at(300, "a0000000031");
    waited(core.waitForMode(1, 5000, true), QX_STATUS_OK, 30);
}

// The frame looks for an error before the logged-out state.  A busy wait
// (checkBusy alone: state -1) ending in error follows the error-branch
// setting, and the one-value form ignores the other idle status.
TEST_F(Waits, PreCheckFrame) {
    struct Row {
        const PreCheck& op;
        int state, status, statusAt, statusThen, result, sleeps;
        const char* text;
    } rows[] = {
        {kEnable, QXS_LOGGED_OUT, 2, 0, 0, QX_STATUS_ERROR, 0, "QuaxVault has error(s)"},
        {kEnable, QXS_PAYIN_ENABLED, 1, 0, 0, QX_STATUS_BUSY, 1501, "QuaxVault is busy"},
        {kEnable, -1, 1, 10, 2, QX_STATUS_ERROR, 1, "QuaxVault has error(s)"},
        {kNoErrorBranch, -1, 1, 10, 2, QX_STATUS_OK, 1, ""},
        {kPayoutLike, -1, 1, 50, 3, QX_STATUS_BUSY, 1501, "QuaxVault is busy"},
        {kPayoutLike, -1, 1, 50, 0, QX_STATUS_OK, 5, ""},
    };
    for (const Row& row : rows) {
        message[0] = '\0';
        g_QXState = row.state;
        g_nLastCallbackStatus = row.status;
        at(row.statusAt, [&row] { g_nLastCallbackStatus = row.statusThen; });
        const PreCheck& op = row.op;
        waited(row.state < 0 ? core.checkBusy(op, message) : core.runPreChecks(op, message),
               row.result, row.sleeps);
        EXPECT_STREQ(message, row.text);
    }
    const std::string enable = "CQXLogics::enablePayin: ";
    EXPECT_EQ(errorCount(enable + "QuaxVault has error(s)"), 2u);
    EXPECT_EQ(logCount(enable + "Quaxvault is Busy. Wait for Ok"), 2u);
    EXPECT_EQ(logCount("CQXLogics::login: QuaxVault has error(s)"), 0u);
    once({"!" + enable + "QuaxVault is still busy, giving up."});
    // An idle report no earlier wait read does not end the busy wait.
    core.prepareCommand('C');
    device("a0000000031");
    device("a0000000011");
    at(50, "a0000000031");
    waited(core.checkBusy(kEnable, nullptr), QX_STATUS_OK, 5);
}

// The names the frame's lines give states and warning states; none outside the tables.
TEST(DeviceModelNames, StatesAndWarningStatesByValue) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {-1, "", ""},
        {0, "Uninitiated", "LOW_LEVEL_WARNING_FALSE"},
        {3, "Payin Disabled", "LOW_LEVEL_WARNING_TRUE"},
        {4, "Cash Deposited", ""},
        {5, "", ""}};
    for (const auto& [value, state, warning] : cases) {
        EXPECT_STREQ(stateName(value), state) << value;
        EXPECT_STREQ(lowLevelWarningName(value), warning) << value;
    }
}

// Each operation's own busy wait: the idle status that ends it and its time-out.  The state is
// Logged Out, so an operation whose wait ended in time refuses right after it with
// QX_STATUS_CLOSED; login, reset and verifyQX would send their command then, so only their
// time-out is tried.
TEST_F(Waits, EachOperationHasItsOwnBusyWait) {
    for (const BusyStepOperation& op : kBusyStepOperations) {
        // A "c": an "a" would move the state on from Logged Out.
        const std::string idle = "c00000000" + std::to_string(op.idle) + "1";
        const int steps = op.timeoutMs / 10;
        struct { int atMs; std::string text; int result, sleeps; } rows[] = {
            {op.timeoutMs, idle, QX_STATUS_BUSY, steps},
            {op.timeoutMs - 10, idle, QX_STATUS_CLOSED, steps - 1},
            {op.timeoutMs - 10, "c0000000031", QX_STATUS_BUSY, steps + 1},  // payout: no end
        };
        for (const auto& row : rows) {
            if (row.result == QX_STATUS_CLOSED && op.goesOnWith) continue;
            if (row.sleeps > steps && op.idle == 3) continue;
            SCOPED_TRACE(std::string(op.name) + " " + row.text + " at " + n(row.atMs));
            resetDeviceModelForTesting();
            g_QXState = QXS_LOGGED_OUT;
            g_nLastCallbackStatus = QX_DEVICE_BUSY;
            at(row.atMs, row.text);
            waited(op.call(message), row.result, row.sleeps);
        }
    }
}

}  // namespace
}  // namespace coretest
