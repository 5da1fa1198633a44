// waits_test.cpp - the waiting primitives at their boundaries.  A sleep
// hook stands in for the wait's sleep: it moves the virtual clock 10 ms a
// step and hands the handler device reports at exactly chosen times, so
// every case is instant and deterministic.  One case has a real second
// thread report while the wait sleeps for real.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "events/callback_handler.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace {

using qxtest::logLinesContaining;

void device(std::string text) { callbackfunc(&text[0]); }

class Waits : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("waits");
        resetDeviceModelForTesting();
        qxplat::setSleepHookForTesting([this](int ms) {
            EXPECT_EQ(ms, 10);
            ++sleeps;
            // After this sleep the wait has waited sleeps * 10 ms.
            auto due = reports.find(sleeps * 10);
            if (due != reports.end()) due->second();
        });
    }
    void TearDown() override { qxplat::setSleepHookForTesting({}); }

    // The device reports text once the wait has waited elapsedMs.
    void at(int elapsedMs, const std::string& text) {
        reports[elapsedMs] = [text] { device(text); };
    }
    void restart() {
        sleeps = 0;
        reports.clear();
    }
    static size_t errorsLogged(const char* method) {
        return logLinesContaining("qxerror", std::string("CQXLogics::") + method +
                                                 ": Error entered")
            .size();
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
        {-1, "", 1, 1, 5000, QX_STATUS_TIMEOUT, 501},             // never comes
        {4990, "a0000000011", 1, 1, 5000, QX_STATUS_OK, 499},     // just in time
        {5000, "a0000000031", 0, 3, 5000, QX_STATUS_TIMEOUT, 500},  // exactly at the time-out
        {30, "a0000000031", 0, 0, 100, QX_STATUS_TIMEOUT, 11},    // one-value form
        {30, "a0000000001", 0, 0, 100, QX_STATUS_OK, 3},
        {70, "a0000000021", 0, 3, 5000, QX_STATUS_ERROR, 7},      // error ends it
        {20, "a0000000021", 2, 2, 5000, QX_STATUS_ERROR, 2},      // even when wanted
    };
    for (const Case& c : cases) {
        resetDeviceModelForTesting();
        restart();
        if (c.reportAtMs >= 0) at(c.reportAtMs, c.report);
        EXPECT_EQ(core.waitForStatus(c.wantA, c.wantB, c.timeoutMs), c.result) << c.report;
        EXPECT_EQ(sleeps, c.sleeps) << c.report;
    }
    EXPECT_EQ(errorsLogged("waitForStatus"), 2u);
}

// A report that comes and goes before the wait looks is still seen, and
// the first deciding report wins: an error before the wanted value ends
// the wait as an error, a wanted value before an error does not.
TEST_F(Waits, EveryReportSinceTheCommandIsSeenInOrder) {
    g_theLogics.prepareCommand('C');
    device("a0000000011");  // busy ...
    device("a0000000031");  // ... and idle again, before the start wait
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    EXPECT_EQ(core.waitForStatus(0, 3, 5000), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 0);

    g_theLogics.prepareCommand('C');
    device("a0000000021");
    device("a0000000011");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_ERROR);

    g_theLogics.prepareCommand('C');
    device("a0000000011");
    device("a0000000021");
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    // The next wait reads on from there, into the error.
    EXPECT_EQ(core.waitForStatus(0, 3, 5000), QX_STATUS_ERROR);
}

// askPayout's reports arrive at once: "c" with the rest, then "b" and "a".
// Each wait reads past the one before, and the rest read after the "c"
// wait is that report's, though another "c" came since.
TEST_F(Waits, CallbackWaitsReadTheReportThatEndedThem) {
    g_theLogics.prepareCommand('D');
    device("c0000125031");
    device("c0000000031");
    device("b0000000031");
    device("a0000000031");
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_OK);
    EXPECT_EQ(core.lastWaitReport().rest, 1250);
    EXPECT_EQ(core.waitForCallback("b", 5000), QX_STATUS_OK);
    EXPECT_EQ(core.waitForCallback("a", 5000), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 0);
    EXPECT_TRUE(g_strLastCallbackCommand.equals(""));
    // A second wait for the same letter needs a new report.
    EXPECT_EQ(core.waitForCallback("a", 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 501);

    restart();
    at(5000, "c0000000031");
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 500);
}

// An operation that finds the device busy waits for what comes after: an
// idle report no earlier wait read does not end its busy wait.
TEST_F(Waits, TheBusyWaitReadsOnlyLaterReports) {
    g_theLogics.prepareCommand('C');
    device("a0000000031");
    device("a0000000011");
    at(50, "a0000000031");
    const PreCheck enable = {"enablePayin", "Enable Payin", 0, 3, 15000, true, false,
                             stateBit(QXS_PAYIN_DISABLED)};
    g_QXState = QXS_PAYIN_DISABLED;
    EXPECT_EQ(core.checkBusy(enable, nullptr), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 5);
}

TEST_F(Waits, CallbackErrorLeavesTheCommandText) {
    g_strLastCallbackCommand.set("x");
    g_nLastCallbackStatus = 2;
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 0);
    EXPECT_TRUE(g_strLastCallbackCommand.equals("x"));
    EXPECT_EQ(errorsLogged("waitForCallback"), 1u);
    // An error arriving during the wait ends it when it arrives.
    g_nLastCallbackStatus = 0;
    at(70, "b0000000021");
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 7);
}

TEST_F(Waits, ModeIsResetOnSuccessAndOnTimeout) {
    at(20, "a0000000031");
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);

    restart();
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 501);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);

    restart();
    at(5000, "a0000000031");
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 500);
}

TEST_F(Waits, ModeErrorEndsOrIsIgnoredAsAsked) {
    g_nLastCallbackStatus = 2;
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_ERROR);
    EXPECT_EQ(g_nLastCallbackMode.load(), 0);  // not reset on error
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::waitForMode: Error entered").size(), 1u);

    g_theLogics.prepareCommand('A');
    at(100, "b0000000020");
    at(300, "a0000000031");
    EXPECT_EQ(core.waitForMode(1, 5000, true), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 30);
}

// The device library's thread reports while the wait sleeps for real: the
// wait wakes for each report (checked under the thread sanitizer too).
TEST(WaitsAcrossThreads, RealReportsWakeTheWaits) {
    qxtest::useFreshLogDir("waits_thread");
    qxplat::setSleepHookForTesting({});
    resetDeviceModelForTesting();
    g_theLogics.prepareCommand('X');
    std::thread writer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        device("x" + std::string(17, 'S') + "0123abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        device("a0000000011");
        device("a0000000031");
    });
    EXPECT_EQ(g_theLogics.waitForCallback("x", 5000), QX_STATUS_OK);
    EXPECT_STREQ(g_theLogics.lastWaitReport().masterVersion, "01.23");
    EXPECT_EQ(g_theLogics.waitForStatus(1, 5000), QX_STATUS_OK);
    EXPECT_EQ(g_theLogics.waitForMode(1, 5000, false), QX_STATUS_OK);
    EXPECT_EQ(g_theLogics.waitForStatus(0, 3, 5000), QX_STATUS_OK);
    writer.join();
}

}  // namespace
