// payin_test.cpp - the customer's cash in and back: enabling and disabling
// pay-in, deposit, change, an amount due, regret and reset.
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using PayinTest = CashTest;

int sleeps = 0;
void countSleeps() {
    sleeps = 0;
    qxplat::setSleepHookForTesting([](int) { ++sleeps; });
}

TEST_F(PayinTest, SaleOf1250PaidWith2000GivesChangeFromTheInventory) {
    // A real line's pace: an instant device may report the whole payout
    // while the command is handed over, when no status event goes out.
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));
    const long long before = qxsim_total_value();
    payIn(2000);
    int rest = -1;
    outcome(g_theLogics.amountDue(1250, "sale 42", &rest, message), QX_STATUS_OK, "Done");
    settle();
    EXPECT_EQ(0, rest);
    // The whole 2000 is booked and the difference paid back in one command.
    ASSERT_FALSE(commands().empty());
    EXPECT_EQ("f|00000750|00002000|sale 42", commands().back());
    EXPECT_EQ(before + 2000 - 750, qxsim_total_value());
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    EXPECT_FALSE(g_bPayoutInProgress.load());
    // The application saw the cash arrive and the device idle again with nothing paid in.
    const std::vector<std::string> seen = events();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "status 2000 0 1"), seen.end());
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ("status 0 0 1", seen.back());
    once({"CQXLogics::amountDue(1250,sale 42, amountRest)"});
}

TEST_F(PayinTest, AmountDueSettlesExactAndRefusesTooLittle) {
    payIn(500);
    int rest = 77;
    outcome(g_theLogics.amountDue(700, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR,
            "Paid in amount smaller than amount due",
            "CQXLogics::amountDue: Paid in amount smaller than amount due");
    EXPECT_EQ(77, rest);
    EXPECT_FALSE(sent('f'));
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.amountDue(500, "", nullptr, message)) << message;
    EXPECT_EQ("f|00000000|00000500", commands().back());
}

// Cash Deposited admits the last-note regret alone; logged out nothing.
TEST_F(PayinTest, AdmissibleStatesAfterADepositAndALogout) {
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("till 7", message)) << message;
    EXPECT_EQ("f|00000000|00001000|till 7", commands().back());
    EXPECT_EQ(QXS_CASH_DEPOSITED, g_QXState.load());
    once({"CQXLogics::deposit(till 7)"});
    settle();
    forgetCommands();
    const std::string head = "CQXLogics::";
    outcome(g_theLogics.enablePayin(message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            head + "enablePayin: Enable Payin is not supported from state Cash Deposited");
    outcome(g_theLogics.regret(1, message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            head + "regret: Regret All is not supported from state Cash Deposited");
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.regret(0, message)) << message;
    EXPECT_EQ("e|2", commands().back());
    settle();

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message)) << message;
    settle();
    outcome(g_theLogics.enablePayin(message), QX_STATUS_CLOSED, "Closed");
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(0, message));
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(1, message));
    once({head + "enablePayin: Enable Payin is not allowed from logged out state.",
          head + "regret: Regret Last Note is not allowed from logged out state.",
          head + "regret: Regret All is not allowed from logged out state."});
}

TEST_F(PayinTest, EnableNeedsNoCallbackAndDepositNeedsPayinDisabled) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());  // as soon as the link takes the command
    EXPECT_EQ("h", commands().back());
    EXPECT_EQ('H', g_chLastCommand.load());
    settle();
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.deposit("", message));
    once({"CQXLogics::deposit: Deposit is not supported from state Payin Enabled"});
    EXPECT_FALSE(sent('f'));
}

// enablePayin traces the result of its busy wait, given up or ended.
TEST_F(PayinTest, EnableAfterABusyWait) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    ASSERT_EQ(QX_DEVICE_BUSY, g_nLastCallbackStatus.load());
    skipSleeps();
    outcome(g_theLogics.enablePayin(message), QX_STATUS_BUSY, "QuaxVault is busy",
            "CQXLogics::enablePayin: QuaxVault is still busy, giving up.");
    once({"CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=6"});
    EXPECT_FALSE(logged("was neither TIMEOUT nor ERROR."));
    EXPECT_FALSE(sent('h'));

    sleeps = 0;
    qxplat::setSleepHookForTesting([](int) {
        if (++sleeps != 3) return;
        qxsim_set_option("stay_busy", 0);  // the device settles while the operation waits
        qxsim_wait_idle(5000);
    });
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message)) << message;
    EXPECT_EQ(logCount("CQXLogics::enablePayin: Quaxvault is Busy. Wait for Ok"), 2u);
    once({"CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=0",
          "CQXLogics::enablePayin: The new status nStatus=0 was neither TIMEOUT nor ERROR."});
}

TEST_F(PayinTest, RefusedOrUnansweredCommands) {
    qxsim_override_answer('h', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.enablePayin(message));
    EXPECT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    once({"CQXLogics::enablePayin: enablePayinQX failed, return code = 1, message = "}, "qxerror");

    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    settle();
    qxsim_override_answer('g', "000", 1);  // taken, but the device does nothing
    skipSleeps();
    outcome(g_theLogics.disablePayin(message), QX_STATUS_TIMEOUT, "Timed out",
            "CQXLogics::disablePayin: disablePayin timed out, return code = 6");
    once({"CQXLogics::disablePayin()"});
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
}

// change and regret pay back what was paid in and forget the askPayout.
TEST_F(PayinTest, ChangeAndRegretPayBack) {
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
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());  // left to the device's callbacks
    countSleeps();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.change(message)) << message;  // nothing paid in:
    EXPECT_EQ(0, sleeps);                                               // no start wait
    EXPECT_EQ("e|1", commands().back());
    qxplat::setSleepHookForTesting({});
    settle();

    payIn(2500);  // a 2000 note and a 500 note
    g_bAskPayoutDone = true;
    outcome(g_theLogics.regret(0, message), QX_STATUS_OK, "Done");
    settle();
    EXPECT_EQ("e|2", commands().back());
    EXPECT_EQ('2', g_chLastCommand.load());
    EXPECT_EQ(2000, g_nLastCallbackAmount.load());
    EXPECT_FALSE(g_bAskPayoutDone.load());
    EXPECT_FALSE(g_bPayoutInProgress.load());
    EXPECT_EQ(QXS_PAYIN_ENABLED, g_QXState.load());
    once({"CQXLogics::regret(0)"});

    ASSERT_EQ(3, g_theLogics.getVerifyQXStatus());
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    EXPECT_EQ("e|4", commands().back());
    EXPECT_EQ('F', g_chLastCommand.load());
    once({"CQXLogics::regret: True regret all is supported."});
    EXPECT_EQ(0, g_nLastCallbackAmount.load());
    EXPECT_EQ(before - 1000, qxsim_total_value());
}

class LegacyTest : public CashTest {
protected:
    const char* initSettings() const override { return "LegacySystem:1"; }
};

// Such a device takes no pay-in commands from this library; regret all
// still reaches it, from the state login left.
TEST_F(LegacyTest, RegretAllIsAnEmptyPayoutOnOlderDevices) {
    ASSERT_EQ(0, g_theLogics.getVerifyQXStatus());
    ASSERT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    EXPECT_EQ("f|00000000|00000000|regretAll", commands().back());
    EXPECT_EQ('F', g_chLastCommand.load());
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.dispense(100, "", nullptr, message));
    once({"CQXLogics::regret: True regret all is not supported, using normal payout instead.",
          "CQXLogics::dispense: Dispense is not supported."});
}

TEST_F(PayinTest, PaybackWhoseDeviceNeverGoesBusyTimesOut) {
    for (const char* op : {"change", "regret"}) {
        payIn(1000);
        ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
        skipSleeps();
        const short result = op[0] == 'c' ? g_theLogics.change(message)
                                          : g_theLogics.regret(0, message);
        outcome(result, QX_STATUS_TIMEOUT, "Timed out",
                std::string("CQXLogics::") + op + ": Start timed out, return code = 6");
        qxplat::setSleepHookForTesting({});
        ASSERT_EQ(0, qxsim_set_option("no_busy_report", 0));
        settle();
    }
}

// regret checks its type after a busy wait of 10 s, reset after 15 s.
TEST_F(PayinTest, RegretTypeAndBusyWaits) {
    outcome(g_theLogics.regret(2, message), QX_STATUS_INPUT_PARAM_ERROR, "Invalid regretType",
            "CQXLogics::regret: Invalid regretType");
    EXPECT_TRUE(commands().empty());
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    countSleeps();
    outcome(g_theLogics.regret(2, message), QX_STATUS_BUSY, "QuaxVault is busy",
            "CQXLogics::regret: QuaxVault is still busy, giving up.");
    EXPECT_EQ(1001, sleeps);
    countSleeps();
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.reset(message));
    EXPECT_EQ(1501, sleeps);
    once({"CQXLogics::reset: QuaxVault is still busy, giving up."}, "qxerror");
    EXPECT_TRUE(commands().empty());
}

TEST_F(PayinTest, ResetIsSentFromErrorAndFromLoggedOut) {
    ASSERT_EQ(0, qxsim_set_option("error_code", 5));
    settle();
    ASSERT_EQ(QX_DEVICE_ERROR, g_nLastCallbackStatus.load());
    outcome(g_theLogics.regret(0, message), QX_STATUS_ERROR, "QuaxVault has error(s)");
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

}  // namespace
}  // namespace coretest
