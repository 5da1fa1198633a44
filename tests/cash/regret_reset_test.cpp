// regret_reset_test.cpp - a customer changing their mind (regret the last
// note, regret everything) and resetting the device from error and from a
// closed session.
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using RegretTest = CashTest;

class LegacyRegretTest : public CashTest {
protected:
    const char* initSettings() const override { return "LegacySystem:1"; }
};

TEST_F(RegretTest, LastNoteGoesBackToTheCustomer) {
    payIn(2500);  // a 2000 note and a 500 note
    g_bAskPayoutDone = true;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(0, message)) << message;
    settle();
    EXPECT_STREQ("Done", message);
    EXPECT_EQ("e|2", commands().back());
    EXPECT_EQ('2', g_chLastCommand.load());
    EXPECT_EQ(2000, g_nLastCallbackAmount.load());
    EXPECT_FALSE(g_bAskPayoutDone.load());
    EXPECT_FALSE(g_bPayoutInProgress.load());
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_TRUE(logged("CQXLogics::regret(0)"));
}

TEST_F(RegretTest, RegretAllUsesTheDevicesOwnCommandWhenIdentified) {
    ASSERT_EQ(3, g_theLogics.getVerifyQXStatus());
    const long long before = qxsim_total_value();
    payIn(2500);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    EXPECT_EQ("e|4", commands().back());
    EXPECT_EQ('F', g_chLastCommand.load());
    EXPECT_TRUE(logged("CQXLogics::regret: True regret all is supported."));
    EXPECT_EQ(0, g_nLastCallbackAmount.load());
    EXPECT_EQ(before, qxsim_total_value());
}

TEST_F(LegacyRegretTest, RegretAllIsAnEmptyPayoutOnOlderDevices) {
    // Such a device takes no pay-in commands from this library; regret all
    // still reaches it, from the state login left.
    ASSERT_EQ(0, g_theLogics.getVerifyQXStatus());
    ASSERT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    EXPECT_EQ("f|00000000|00000000|regretAll", commands().back());
    EXPECT_EQ('F', g_chLastCommand.load());
    EXPECT_TRUE(
        logged("CQXLogics::regret: True regret all is not supported, using normal "
               "payout instead."));
    // The same session refuses what needs the identified command set.
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.dispense(100, "", nullptr, message));
    EXPECT_TRUE(logged("CQXLogics::dispense: Dispense is not supported."));
}

TEST_F(RegretTest, AdmissibleStatesDependOnTheType) {
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("", message));
    settle();
    forgetCommands();
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.regret(1, message));
    EXPECT_STREQ("Not Supported", message);
    EXPECT_EQ(1u, errors("CQXLogics::regret: Regret All is not supported from state Cash "
                         "Deposited")
                      .size());
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.regret(0, message)) << message;
    EXPECT_EQ("e|2", commands().back());
    settle();

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message));
    settle();
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(0, message));
    EXPECT_TRUE(
        logged("CQXLogics::regret: Regret Last Note is not allowed from logged out "
               "state."));
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(1, message));
    EXPECT_TRUE(
        logged("CQXLogics::regret: Regret All is not allowed from logged out state."));
}

TEST_F(RegretTest, UnknownTypeIsCheckedAfterTheTenSecondBusyWait) {
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR, g_theLogics.regret(2, message));
    EXPECT_STREQ("Invalid regretType", message);
    EXPECT_EQ(1u, errors("CQXLogics::regret: Invalid regretType").size());
    EXPECT_TRUE(commands().empty());

    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    int sleeps = 0;
    qxplat::setSleepHookForTesting([&](int) { ++sleeps; });
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.regret(2, message));
    EXPECT_STREQ("QuaxVault is busy", message);
    EXPECT_EQ(1001, sleeps);  // 10000 ms, where the other operations wait 15000
    EXPECT_EQ(1u,
              errors("CQXLogics::regret: QuaxVault is still busy, giving up.").size());
}

TEST_F(RegretTest, ResetIsSentFromErrorAndFromLoggedOut) {
    ASSERT_EQ(0, qxsim_set_option("error_code", 5));
    settle();
    ASSERT_EQ(QX_DEVICE_ERROR, g_nLastCallbackStatus.load());
    EXPECT_EQ(QX_STATUS_ERROR, g_theLogics.regret(0, message));
    EXPECT_STREQ("QuaxVault has error(s)", message);

    g_bAskPayoutDone = true;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.reset(message)) << message;
    EXPECT_EQ("e|3", commands().back());
    EXPECT_EQ('3', g_chLastCommand.load());
    EXPECT_FALSE(g_bAskPayoutDone.load());
    settle();
    EXPECT_EQ(QX_DEVICE_IDLE_PAYIN_DISABLED, g_nLastCallbackStatus.load());

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message));
    settle();
    forgetCommands();
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.reset(message)) << message;
    EXPECT_EQ(std::vector<std::string>{"e|3"}, commands());
}

TEST_F(RegretTest, ResetGivesUpOnADeviceBusyFor15Seconds) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    int sleeps = 0;
    qxplat::setSleepHookForTesting([&](int) { ++sleeps; });
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.reset(message));
    EXPECT_EQ(1501, sleeps);
    EXPECT_EQ(1u, errors("CQXLogics::reset: QuaxVault is still busy, giving up.").size());
    EXPECT_TRUE(commands().empty());
}

TEST_F(RegretTest, RegretWhoseDeviceNeverGoesBusyTimesOut) {
    payIn(1000);
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
    skipSleeps();
    EXPECT_EQ(QX_STATUS_TIMEOUT, g_theLogics.regret(0, message));
    EXPECT_STREQ("Timed out", message);
    EXPECT_EQ(1u, errors("CQXLogics::regret: Start timed out, return code = 6").size());
}

}  // namespace
}  // namespace coretest
