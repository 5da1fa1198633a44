// precheck_test.cpp - the pre-check frame: each step's code, message and
// log lines, in the words of the operation it is told about.
#include <gtest/gtest.h>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace {

using qxtest::logLinesContaining;

const PreCheck kEnable = {"enablePayin", "Enable Payin", 0, 3, 15000, true, true,
                          stateBit(QXS_PAYIN_ENABLED) | stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kPayoutLike = {"payout", "Payout", 0, -1, 15000, true, false,
                              stateBit(QXS_PAYIN_DISABLED)};
const PreCheck kNoErrorBranch = {"login", "Login", 0, 3, 15000, false, false, 0};

class PreChecks : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("precheck");
        g_theLogics.resetForTesting();
        resetDeviceModelForTesting();
        sleeps = 0;
        qxplat::setSleepHookForTesting([this](int) { ++sleeps; });
    }
    void TearDown() override { qxplat::setSleepHookForTesting({}); }

    static size_t inBoth(const std::string& line) {
        const size_t logic = logLinesContaining("qxlogic", line).size();
        EXPECT_EQ(logic, logLinesContaining("qxerror", line).size()) << line;
        return logic;
    }

    CQXLogics& core = g_theLogics;
    char message[QX_BUFFER_CAPACITY] = "";
    int sleeps = 0;
};

TEST_F(PreChecks, LoggedOutIsClosed) {
    g_QXState = QXS_LOGGED_OUT;
    g_nLastCallbackStatus = 3;
    EXPECT_EQ(core.runPreChecks(kEnable, message), QX_STATUS_CLOSED);
    EXPECT_STREQ(message, "Closed");
    EXPECT_EQ(inBoth("CQXLogics::enablePayin: Enable Payin is not allowed from logged out state."),
              1u);
    EXPECT_EQ(sleeps, 0);
}

TEST_F(PreChecks, UnidentifiedDeviceIsNotSupported) {
    g_QXState = QXS_PAYIN_ENABLED;
    EXPECT_EQ(core.runPreChecks(kEnable, message), QX_STATUS_NOT_SUPPORTED);
    EXPECT_STREQ(message, "Not Supported");
    EXPECT_EQ(inBoth("CQXLogics::enablePayin: Enable Payin is not supported."), 1u);
}

TEST_F(PreChecks, WrongStateIsNotSupportedWithTheStateName) {
    g_QXState = QXS_CASH_DEPOSITED;
    EXPECT_EQ(core.runPreChecks(kPayoutLike, message), QX_STATUS_NOT_SUPPORTED);
    EXPECT_STREQ(message, "Not Supported");
    EXPECT_EQ(inBoth("CQXLogics::payout: Payout is not supported from state Cash Deposited"), 1u);
    g_QXState = QXS_PAYIN_DISABLED;
    EXPECT_EQ(core.runPreChecks(kPayoutLike, message), QX_STATUS_OK);
}

TEST_F(PreChecks, ErrorComesBeforeClosed) {
    g_QXState = QXS_LOGGED_OUT;
    g_nLastCallbackStatus = 2;
    EXPECT_EQ(core.runPreChecks(kEnable, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "QuaxVault has error(s)");
    EXPECT_EQ(inBoth("CQXLogics::enablePayin: QuaxVault has error(s)"), 1u);
}

TEST_F(PreChecks, StillBusyGivesUpAfterTheBusyWait) {
    g_QXState = QXS_PAYIN_ENABLED;
    g_nLastCallbackStatus = 1;
    EXPECT_EQ(core.runPreChecks(kEnable, message), QX_STATUS_BUSY);
    EXPECT_STREQ(message, "QuaxVault is busy");
    EXPECT_EQ(sleeps, 1501);
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::enablePayin: Quaxvault is Busy. "
                                            "Wait for Ok").size(), 1u);
    EXPECT_EQ(inBoth("CQXLogics::enablePayin: QuaxVault is still busy, giving up."), 1u);
}

TEST_F(PreChecks, BusyWaitEndingInErrorFollowsTheErrorBranchSetting) {
    g_nLastCallbackStatus = 1;
    qxplat::setSleepHookForTesting([](int) { g_nLastCallbackStatus = 2; });
    EXPECT_EQ(core.checkBusy(kEnable, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "QuaxVault has error(s)");

    g_nLastCallbackStatus = 1;
    message[0] = '\0';
    EXPECT_EQ(core.checkBusy(kNoErrorBranch, message), QX_STATUS_OK);
    EXPECT_STREQ(message, "");
    EXPECT_EQ(inBoth("CQXLogics::login: QuaxVault has error(s)"), 0u);
}

TEST_F(PreChecks, OneValueBusyWaitIgnoresTheOtherIdleStatus) {
    g_nLastCallbackStatus = 1;
    qxplat::setSleepHookForTesting([this](int) {
        if (++sleeps == 5) g_nLastCallbackStatus = 3;
    });
    EXPECT_EQ(core.checkBusy(kPayoutLike, message), QX_STATUS_BUSY);
    EXPECT_EQ(sleeps, 1501);

    sleeps = 0;
    g_nLastCallbackStatus = 1;
    qxplat::setSleepHookForTesting([this](int) {
        if (++sleeps == 5) g_nLastCallbackStatus = 0;
    });
    EXPECT_EQ(core.checkBusy(kPayoutLike, message), QX_STATUS_OK);
    EXPECT_EQ(sleeps, 5);
}

TEST_F(PreChecks, PrepareCommandForgetsThePreviousCallback) {
    g_strPreviousCallback.set("a00000000031");
    g_bForceNextStatusEvent = false;
    core.prepareCommand('H');
    EXPECT_TRUE(g_strPreviousCallback.equals(""));
    EXPECT_TRUE(g_bForceNextStatusEvent.load());
    EXPECT_EQ(g_chLastCommand.load(), 'H');
}

}  // namespace
