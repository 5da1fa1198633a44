// payin_test.cpp - pay-in control at the till: enabling and disabling
// acceptance, booking what was paid in, change from the device and an
// amount due settled by the library.
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using PayinTest = CashTest;

bool startsWithAny(const std::vector<std::string>& lines, const std::string& head) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(head, 0) == 0; });
}

TEST_F(PayinTest, SaleOf1250PaidWith2000GivesChangeFromTheInventory) {
    // A real line's pace: an instant device may report the whole payout
    // while the command is handed over, when no status event goes out.
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));
    const long long before = qxsim_total_value();
    payIn(2000);
    int rest = -1;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.amountDue(1250, "sale 42", &rest, message));
    settle();
    EXPECT_STREQ("Done", message);
    EXPECT_EQ(0, rest);
    // The whole 2000 is booked and the difference paid back in one command.
    ASSERT_FALSE(commands().empty());
    EXPECT_EQ("f|00000750|00002000|sale 42", commands().back());
    EXPECT_EQ(before + 2000 - 750, qxsim_total_value());
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_FALSE(g_bPayoutInProgress.load());
    // The application saw the cash arrive and the device come back to idle
    // with nothing paid in.
    EXPECT_TRUE(startsWithAny(events(), "status 2000 0 1"));
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(0u, events().back().rfind("status 0 0 1", 0)) << events().back();
    EXPECT_TRUE(logged("CQXLogics::amountDue(1250,sale 42, amountRest)"));
}

TEST_F(PayinTest, AmountDueSettlesExactAndRefusesTooLittle) {
    payIn(500);
    int rest = 77;
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR,
              g_theLogics.amountDue(700, "", &rest, message));
    EXPECT_STREQ("Paid in amount smaller than amount due", message);
    EXPECT_EQ(77, rest);
    EXPECT_EQ(
        1u,
        errors("CQXLogics::amountDue: Paid in amount smaller than amount due").size());
    EXPECT_FALSE(sent('f'));

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.amountDue(500, "", nullptr, message)) << message;
    EXPECT_EQ("f|00000000|00000500", commands().back());
}

TEST_F(PayinTest, EnableFromLoggedOutOrCashDepositedIsRefused) {
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("till 7", message)) << message;
    EXPECT_EQ("f|00000000|00001000|till 7", commands().back());
    EXPECT_EQ(QXS_CASH_DEPOSITED, g_QXState.load());
    EXPECT_TRUE(logged("CQXLogics::deposit(till 7)"));
    settle();

    forgetCommands();
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.enablePayin(message));
    EXPECT_STREQ("Not Supported", message);
    EXPECT_EQ(1u,
              errors("CQXLogics::enablePayin: Enable Payin is not supported from state "
                     "Cash Deposited")
                  .size());
    EXPECT_TRUE(commands().empty());

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message)) << message;
    settle();
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.enablePayin(message));
    EXPECT_STREQ("Closed", message);
    EXPECT_TRUE(
        logged("CQXLogics::enablePayin: Enable Payin is not allowed from logged out "
               "state."));
}

TEST_F(PayinTest, EnableNeedsNoCallbackAndDepositNeedsPayinDisabled) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    // The state moves as soon as the link takes the command.
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_EQ("h", commands().back());
    EXPECT_EQ('H', g_chLastCommand.load());
    settle();

    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.deposit("", message));
    EXPECT_TRUE(
        logged("CQXLogics::deposit: Deposit is not supported from state Payin "
               "Enabled"));
    EXPECT_FALSE(sent('f'));
}

TEST_F(PayinTest, EnableAfterBusyWaitTracesTheNewStatus) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    ASSERT_EQ(QX_DEVICE_BUSY, g_nLastCallbackStatus.load());
    // The device settles while the operation waits.
    int sleeps = 0;
    qxplat::setSleepHookForTesting([&](int) {
        if (++sleeps == 3) {
            qxsim_set_option("stay_busy", 0);
            qxsim_wait_idle(5000);
        }
    });
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message)) << message;
    EXPECT_TRUE(logged("CQXLogics::enablePayin: Quaxvault is Busy. Wait for Ok"));
    EXPECT_TRUE(
        logged("CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=0"));
    EXPECT_TRUE(
        logged("CQXLogics::enablePayin: The new status nStatus=0 was neither TIMEOUT "
               "nor ERROR."));
}

TEST_F(PayinTest, EnableTracesTheResultOfABusyWaitThatGivesUp) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    ASSERT_EQ(QX_DEVICE_BUSY, g_nLastCallbackStatus.load());
    skipSleeps();
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.enablePayin(message));
    EXPECT_STREQ("QuaxVault is busy", message);
    EXPECT_TRUE(
        logged("CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=6"));
    EXPECT_FALSE(logged("was neither TIMEOUT nor ERROR."));
    EXPECT_EQ(1u,
              errors("CQXLogics::enablePayin: QuaxVault is still busy, giving up.").size());
    EXPECT_FALSE(sent('h'));
}

TEST_F(PayinTest, DisableWithoutDeviceAnswerTimesOutAndKeepsState) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    settle();
    qxsim_override_answer('g', "000", 1);  // taken, but the device does nothing
    skipSleeps();
    EXPECT_EQ(QX_STATUS_TIMEOUT, g_theLogics.disablePayin(message));
    EXPECT_STREQ("Timed out", message);
    EXPECT_TRUE(logged("CQXLogics::disablePayin()"));
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_EQ(1u,
              errors("CQXLogics::disablePayin: disablePayin timed out, return code = 6")
                  .size());
}

TEST_F(PayinTest, RefusedCommandsReturnTheLinkCodeAndText) {
    qxsim_override_answer('h', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.enablePayin(message));
    EXPECT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    EXPECT_EQ(1u, errors("CQXLogics::enablePayin: enablePayinQX failed, return code = 1, "
                         "message = ")
                      .size());
}

TEST_F(PayinTest, ChangePaysBackWhatWasPaidInAndForgetsTheAskPayout) {
    payIn(1000);
    const long long before = qxsim_total_value();
    g_bAskPayoutDone = true;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.change(message)) << message;
    settle();
    EXPECT_EQ("e|1", commands().back());
    EXPECT_EQ('1', g_chLastCommand.load());
    EXPECT_FALSE(g_bAskPayoutDone.load());
    EXPECT_EQ(before - 1000, qxsim_total_value());
    EXPECT_EQ(0, g_nLastCallbackAmount.load());
    // change leaves the state to the device's callbacks.
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
}

TEST_F(PayinTest, ChangeWithNothingPaidInSkipsTheStartWait) {
    int sleeps = 0;
    qxplat::setSleepHookForTesting([&](int) { ++sleeps; });
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.change(message)) << message;
    EXPECT_EQ(0, sleeps);
    EXPECT_EQ("e|1", commands().back());
}

TEST_F(PayinTest, ChangeWhoseDeviceNeverGoesBusyTimesOut) {
    payIn(1000);
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
    skipSleeps();
    EXPECT_EQ(QX_STATUS_TIMEOUT, g_theLogics.change(message));
    EXPECT_STREQ("Timed out", message);
    EXPECT_EQ(1u, errors("CQXLogics::change: Start timed out, return code = 6").size());
}

}  // namespace
}  // namespace coretest
