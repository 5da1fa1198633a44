// waits_test.cpp - the waiting primitives at their boundaries.  A sleep
// hook counts the 10 ms poll steps and writes the device model at exactly
// chosen elapsed times, so every case is instant and deterministic; one
// case has a real second thread write the model while the wait polls.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace {

using qxtest::logLinesContaining;

class Waits : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("waits");
        resetDeviceModelForTesting();
        sleeps = 0;
        qxplat::setSleepHookForTesting([this](int ms) {
            EXPECT_EQ(ms, 10);
            ++sleeps;
            // After this sleep the wait counts sleeps * 10 ms.
            if (atElapsed && sleeps * 10 == atElapsedMs) atElapsed();
        });
    }
    void TearDown() override { qxplat::setSleepHookForTesting({}); }

    void when(int elapsedMs, std::function<void()> action) {
        atElapsedMs = elapsedMs;
        atElapsed = std::move(action);
    }

    CQXLogics& core = g_theLogics;
    int sleeps = 0;
    int atElapsedMs = 0;
    std::function<void()> atElapsed;
};

TEST_F(Waits, StatusErrorAtFirstPollEndsAfterOneSleep) {
    g_nLastCallbackStatus = 2;
    EXPECT_EQ(core.waitForStatus(0, 3, 15000), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::waitForStatus: Error entered").size(), 1u);
    EXPECT_EQ(logLinesContaining("qxerror", "CQXLogics::waitForStatus: Error entered").size(), 1u);
    // Even a wait that wants 2 is ended by it as an error.
    EXPECT_EQ(core.waitForStatus(2, 100), QX_STATUS_ERROR);
}

TEST_F(Waits, StatusNeverChangingTimesOutAfter501Sleeps) {
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 501);
}

TEST_F(Waits, StatusWantedJustBeforeTheTimeoutIsOk) {
    when(4990, [] { g_nLastCallbackStatus = 1; });
    EXPECT_EQ(core.waitForStatus(1, 5000), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 499);
}

TEST_F(Waits, StatusWantedExactlyAtTheTimeoutIsATimeout) {
    when(5000, [] { g_nLastCallbackStatus = 3; });
    EXPECT_EQ(core.waitForStatus(0, 3, 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 500);
}

TEST_F(Waits, StatusOneValueFormAcceptsOnlyThatValue) {
    g_nLastCallbackStatus = 3;
    EXPECT_EQ(core.waitForStatus(0, 100), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 11);
    sleeps = 0;
    when(30, [] { g_nLastCallbackStatus = 0; });
    EXPECT_EQ(core.waitForStatus(0, 100), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 3);
}

TEST_F(Waits, CallbackIsClearedOnSuccessAndOnTimeout) {
    when(50, [] { g_strLastCallbackCommand.set("x"); });
    EXPECT_EQ(core.waitForCallback("x", 5000), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 5);
    EXPECT_TRUE(g_strLastCallbackCommand.equals(""));
    // A second wait for the same letter needs a new callback.
    sleeps = 0;
    atElapsed = nullptr;
    EXPECT_EQ(core.waitForCallback("x", 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 501);

    g_strLastCallbackCommand.set("a");
    EXPECT_EQ(core.waitForCallback("x", 100), QX_STATUS_TIMEOUT);
    EXPECT_TRUE(g_strLastCallbackCommand.equals(""));
}

TEST_F(Waits, CallbackMatchesWholeTextAndHonoursTheBoundary) {
    g_strLastCallbackCommand.set("xx");
    EXPECT_EQ(core.waitForCallback("x", 50), QX_STATUS_TIMEOUT);
    sleeps = 0;
    when(5000, [] { g_strLastCallbackCommand.set("c"); });
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 500);
}

TEST_F(Waits, CallbackErrorLeavesTheCommandText) {
    g_strLastCallbackCommand.set("x");
    g_nLastCallbackStatus = 2;
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 1);
    EXPECT_TRUE(g_strLastCallbackCommand.equals("x"));
    EXPECT_EQ(logLinesContaining("qxerror", "CQXLogics::waitForCallback: Error entered").size(),
              1u);
    // An error arriving during the wait ends it at that poll.
    g_nLastCallbackStatus = 0;
    sleeps = 0;
    when(70, [] { g_nLastCallbackStatus = 2; });
    EXPECT_EQ(core.waitForCallback("c", 5000), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 7);
}

TEST_F(Waits, ModeIsResetOnSuccessAndOnTimeout) {
    when(20, [] { g_nLastCallbackMode = 1; });
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);

    sleeps = 0;
    atElapsed = nullptr;
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 501);
    EXPECT_EQ(g_nLastCallbackMode.load(), -1);

    sleeps = 0;
    when(5000, [] { g_nLastCallbackMode = 1; });
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_TIMEOUT);
    EXPECT_EQ(sleeps, 500);
}

TEST_F(Waits, ModeErrorEndsOrIsIgnoredAsAsked) {
    g_nLastCallbackStatus = 2;
    g_nLastCallbackMode = 0;
    EXPECT_EQ(core.waitForMode(1, 5000, false), QX_STATUS_ERROR);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(g_nLastCallbackMode.load(), 0);  // not reset on error
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::waitForMode: Error entered").size(), 1u);

    sleeps = 0;
    when(300, [] { g_nLastCallbackMode = 1; });
    EXPECT_EQ(core.waitForMode(1, 5000, true), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 30);
}

// The device library's thread writes the model while the wait sleeps for
// real; the wait must see the whole values (checked under the thread
// sanitizer as well).
TEST(WaitsAcrossThreads, RealWriterThreadEndsTheWaits) {
    qxtest::useFreshLogDir("waits_thread");
    qxplat::setSleepHookForTesting({});
    resetDeviceModelForTesting();
    std::thread writer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        g_strLastCallbackCommand.set("x");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        g_nLastCallbackMode = 1;
        g_nLastCallbackStatus = 3;
    });
    EXPECT_EQ(g_theLogics.waitForCallback("x", 5000), QX_STATUS_OK);
    EXPECT_EQ(g_theLogics.waitForMode(1, 5000, false), QX_STATUS_OK);
    EXPECT_EQ(g_theLogics.waitForStatus(0, 3, 5000), QX_STATUS_OK);
    writer.join();
}

}  // namespace
