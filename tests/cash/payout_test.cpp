// payout_test.cpp - the rules that guard paying cash out: whether the
// device is asked first, the per-time limit over the paid-out list, the
// amount checks and their order, and the temporary settings restored
// after the command.
#include <ctime>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using PayoutTest = CashTest;

int askCount(const std::vector<std::string>& commands) {
    return static_cast<int>(std::count_if(
        commands.begin(), commands.end(),
        [](const std::string& command) { return command.rfind("d|", 0) == 0; }));
}

// Leaves only one denomination (and one count) in the device.
void stockOnly(int denomination, int count) {
    for (int value :
         {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1})
        ASSERT_EQ(0, qxsim_set_level(value, value == denomination ? count : 0));
}

class AskFirstTest : public PayoutTest {
protected:
    // Dispenses with the low-level warning state set as given; true when
    // the device was asked first.
    bool dispenseAsks(int amount, int warningState) {
        g_nCurrentLowLevelWarningState = warningState;
        forgetCommands();
        EXPECT_EQ(QX_STATUS_OK, g_theLogics.dispense(amount, "", nullptr, message))
            << message;
        settle();
        return askCount(commands()) == 1;
    }
};

TEST_F(AskFirstTest, ZeroAndSmallAmountsFollowTheCashLevels) {
    EXPECT_FALSE(dispenseAsks(0, LOW_LEVEL_WARNING_TRUE));
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Zero amount to dispense, askPayout not called"));
    EXPECT_EQ("c|00000000", commands().back());

    EXPECT_FALSE(dispenseAsks(4899, LOW_LEVEL_WARNING_FALSE));
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Small amount to dispense and Cash Levels are "
               "ok, askPayout not called"));
    EXPECT_FALSE(dispenseAsks(4899, LOW_LEVEL_WARNING_FALSE_PENDING));
    EXPECT_TRUE(dispenseAsks(4899, LOW_LEVEL_WARNING_TRUE_PENDING));
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Small amount to dispense but Cash Levels are "
               "low, call askPayout"));
    // The threshold itself is not small.
    EXPECT_TRUE(dispenseAsks(4900, LOW_LEVEL_WARNING_FALSE));
    EXPECT_EQ("d|00004900", commands().front());
    EXPECT_TRUE(logged("CQXLogics::dispense: Performing askPayout prior to dispense"));
}

TEST_F(AskFirstTest, PendingWarningStateKeepsSmallPayoutsAsking) {
    // Right after login the levels count as low.
    ASSERT_EQ(LOW_LEVEL_WARNING_TRUE, g_nCurrentLowLevelWarningState.load());
    forgetCommands();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(100, "", nullptr, message)) << message;
    settle();
    EXPECT_EQ(LOW_LEVEL_WARNING_TRUE_PENDING, g_nCurrentLowLevelWarningState.load());
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Updating g_nCurrentLowLevelWarningState: 3 - > "
               "2 (LOW_LEVEL_WARNING_TRUE_PENDING)"));
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(100, "", nullptr, message)) << message;
    settle();
    EXPECT_EQ(2, askCount(commands()));
    EXPECT_EQ(LOW_LEVEL_WARNING_TRUE_PENDING, g_nCurrentLowLevelWarningState.load());

    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(100, "", nullptr, message)) << message;
    EXPECT_EQ(LOW_LEVEL_WARNING_FALSE_PENDING, g_nCurrentLowLevelWarningState.load());
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Updating g_nCurrentLowLevelWarningState: 0 - > "
               "1 (LOW_LEVEL_WARNING_FALSE_PENDING)"));
}

TEST_F(AskFirstTest, AnsweredAskPayoutLetsOneDispenseOfThatAmountSkipAsking) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.askPayout(6000, message)) << message;
    EXPECT_TRUE(g_bAskPayoutDone.load());
    EXPECT_TRUE(logged("CQXLogics::askPayout(6000)"));
    EXPECT_TRUE(logged("CQXLogics::askPayout(6000, amountRest)"));
    EXPECT_FALSE(dispenseAsks(6000, LOW_LEVEL_WARNING_TRUE));
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Previous askPayout with same amount performed, "
               "askPayout not called"));
    EXPECT_FALSE(g_bAskPayoutDone.load());
    EXPECT_TRUE(dispenseAsks(6000, LOW_LEVEL_WARNING_TRUE));
}

TEST_F(AskFirstTest, TheRecordHoldsTheLatestAskedAmount) {
    stockOnly(1000, 6);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.askPayout(6000, message)) << message;
    int rest = 0;
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, g_theLogics.askPayout(7000, &rest, message));
    EXPECT_EQ(1000, rest);
    EXPECT_EQ(7000, g_nAskPayoutAmount.load());
    EXPECT_TRUE(g_bAskPayoutDone.load());
    settle();
    forgetCommands();
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_TRUE;
    g_theLogics.dispense(7000, "", nullptr, message);
    settle();
    EXPECT_EQ(0, askCount(commands()));
    EXPECT_EQ("c|00007000", commands().front());
}

TEST_F(AskFirstTest, AskPayoutWithRestIsNotPossible) {
    stockOnly(5000, 10);
    int rest = -1;
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, g_theLogics.askPayout(5300, &rest, message));
    EXPECT_STREQ("Not possible (rest)", message);
    EXPECT_EQ(300, rest);
    EXPECT_EQ("d|00005300", commands().back());
    EXPECT_EQ(1u, errors("CQXLogics::askPayout: Not possible (rest: 300)").size());
    // The device's "b" and "a" reports were awaited, not timed out.
    EXPECT_TRUE(logged("CQXLogics::askPayout: Not possible (rest: 300). Waiting for b message ..."));
    EXPECT_TRUE(logged("CQXLogics::askPayout: Waiting for b message resulted in:0"));
    EXPECT_TRUE(logged("CQXLogics::askPayout: Waiting for a message resulted in:0"));

    // A dispense that asks first hands the same answer to its caller.
    settle();
    rest = -1;
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, g_theLogics.dispense(5300, "", &rest, message));
    EXPECT_EQ(300, rest);
    EXPECT_EQ(1u,
              errors("CQXLogics::dispense: askPayout failed, return code = 8, message = "
                     "Not possible (rest)")
                  .size());
    EXPECT_FALSE(sent('c'));
}

TEST_F(AskFirstTest, ZeroAskPayoutSendsNothing) {
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.askPayout(0, message));
    EXPECT_TRUE(g_bAskPayoutDone.load());
    EXPECT_TRUE(logged("CQXLogics::askPayout: Zero askPayout, Ok"));
    EXPECT_TRUE(commands().empty());
}

TEST_F(AskFirstTest, PayoutTracesItsDecisionBeforeTheStateCheck) {
    ASSERT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.payout(0, 0, "", message));
    EXPECT_TRUE(
        logged("CQXLogics::payout: Zero amount to pay out, askPayout not called"));
    EXPECT_TRUE(
        logged("CQXLogics::payout: Payout is not supported from state Payin "
               "Disabled"));
    EXPECT_TRUE(logged("CQXLogics::payout(0,0,)"));
    EXPECT_TRUE(commands().empty());
}

// ---- The per-time limit ------------------------------------------------------

class LimitTest : public PayoutTest {
protected:
    void SetUp() override {
        PayoutTest::SetUp();
        qxplat::setCalendarClockForTesting([this] { return m_now; });
        changeSettings(
            "PayOutAmountPerTimeLimitAmount:10000;"
            "PayOutAmountPerTimeLimitSeconds:61",
            0);
    }
    short dispense(int amount) {
        short result = g_theLogics.dispense(amount, "", nullptr, message);
        settle();
        return result;
    }
    // Past 2038: the 32-bit builds keep 64-bit calendar times as well.
    std::time_t m_now = 4102444800;  // 2100-01-01
};

TEST_F(LimitTest, TenThousandInSixtyOneSeconds) {
    EXPECT_EQ(QX_STATUS_OK, dispense(6000));
    m_now += 10;
    EXPECT_EQ(QX_STATUS_OK, dispense(4000));  // exactly the limit
    EXPECT_EQ(10000, g_theLogics.sumPaidOutAmount());

    forgetCommands();
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1));
    EXPECT_STREQ("Payout larger than allowed limit per time unit", message);
    EXPECT_TRUE(
        logged("CQXLogics::dispense: sumPaidOutAmount = 10000, amountDispense = 1"));
    EXPECT_EQ(1u, errors("CQXLogics::dispense: (10000 + 1 > 10000), Payout larger than "
                         "allowed limit per time unit: 61 seconds!")
                      .size());
    EXPECT_EQ(2, g_theLogics.paidOutCount());
    EXPECT_FALSE(sent('c'));

    m_now += 51;  // the first entry is exactly 61 s old: it still counts
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1));
    m_now += 1;
    EXPECT_EQ(QX_STATUS_OK, dispense(1));
    EXPECT_EQ(4001, g_theLogics.sumPaidOutAmount());
    EXPECT_TRUE(logged("CQXLogics::dispense: adding 1 to paid out list."));
}

TEST_F(LimitTest, PayoutWithBiggerDepositMakesRoom) {
    payIn(5000);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.payout(3000, 5000, "", message)) << message;
    settle();
    EXPECT_EQ(-2000, g_theLogics.sumPaidOutAmount());
    EXPECT_TRUE(logged("CQXLogics::payout: adding -2000 to paid out list."));
    EXPECT_TRUE(logged("CQXLogics::payout: sumPaidInAmount = 0"));
    EXPECT_EQ("f|00003000|00005000", commands().back());

    disable();
    EXPECT_EQ(QX_STATUS_OK, dispense(12000));
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, g_theLogics.payout(1, 0, "", message));
    EXPECT_EQ(1u, errors("CQXLogics::payout: (10000 + (1 - 0) > 10000), Payout larger "
                         "than allowed limit per time unit: 61 seconds!")
                      .size());
}

TEST_F(LimitTest, TimeOutAfterTheCommandKeepsTheEntry) {
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("", message));
    settle();
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    skipSleeps();
    EXPECT_EQ(QX_STATUS_TIMEOUT, g_theLogics.dispense(1000, "", nullptr, message));
    EXPECT_STREQ("Timed out", message);
    EXPECT_EQ(
        1u,
        errors("CQXLogics::dispense: dispense start timed out, return code = 6").size());
    EXPECT_EQ(1000, g_theLogics.sumPaidOutAmount());
    EXPECT_EQ(QXS_CASH_DEPOSITED, g_QXState.load());
}

TEST_F(PayoutTest, SwitchedOffLimitChecksNothing) {
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(1000, "", nullptr, message)) << message;
    EXPECT_TRUE(
        logged("CQXLogics::dispense: PayOutAmountPerTimeLimitAmount = 0, seconds "
               "limit = 60, not checking paid out amounts."));
    EXPECT_EQ(0, g_theLogics.paidOutCount());
    // The smallest limit that checks.
    changeSettings("PayOutAmountPerTimeLimitAmount:1", 0);
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, g_theLogics.dispense(2, "", nullptr, message));
}

// ---- Amount checks -------------------------------------------------------------

TEST_F(PayoutTest, DepositBeyondPaidInIsRefusedBeforeAnyOtherCheck) {
    payIn(1000);
    forgetCommands();
    EXPECT_EQ(QX_STATUS_DEPOSIT_TOO_BIG, g_theLogics.payout(-5, 2000, "", message));
    EXPECT_STREQ("Amount to deposit too big", message);
    EXPECT_EQ(1u,
              errors("CQXLogics::payout: Amount to deposit was bigger than amount payed "
                     "in")
                  .size());
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR, g_theLogics.payout(-5, 500, "", message));
    EXPECT_STREQ("Amount to dispense too small", message);
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR,
              g_theLogics.payout(100000000, 500, "", message));
    EXPECT_STREQ("Amount to dispense too big", message);
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR, g_theLogics.payout(0, -1, "", message));
    EXPECT_STREQ("Amount to deposit too small", message);
    EXPECT_TRUE(commands().empty());

    // Even a closed session hears about the amounts first.
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message));
    settle();
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR,
              g_theLogics.dispense(-1, "", nullptr, message));
    EXPECT_EQ(1u, errors("CQXLogics::dispense: Amount to dispense is too small").size());
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.dispense(1, "", nullptr, message));
}

TEST_F(PayoutTest, DispenseCompletesIntoPayinDisabledWithItsText) {
    payIn(1000);
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.dispense(500, "", nullptr, message));
    EXPECT_TRUE(
        logged("CQXLogics::dispense: Dispense is not supported from state Payin "
               "Enabled"));
    disable();
    int rest = -1;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(500, "refund 9", &rest, message));
    EXPECT_EQ(0, rest);
    EXPECT_EQ("c|00000500|refund 9", commands().back());
    EXPECT_EQ('C', g_chLastCommand.load());
    EXPECT_EQ(QXS_PAYIN_DISABLED, g_QXState.load());
    EXPECT_TRUE(logged("CQXLogics::dispense(500, refund 9, amountRest)"));
}

// ---- Temporary settings ----------------------------------------------------------

TEST_F(PayoutTest, TemporarySettingsComeBackAfterTheCommandOnly) {
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    changeSettings("PayOutAmountPerTimeLimitAmount:100", 0);
    changeSettings("StatusOkTimeout:20", 1);
    // Refused by the limit: nothing was sent, the change still stands.
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, g_theLogics.dispense(1000, "", nullptr, message));
    EXPECT_EQ(20, g_theLogics.Settings().GetInt(StatusOkTimeout));
    EXPECT_EQ(1, g_theLogics.Settings().GetDurationType());

    changeSettings("PayOutAmountPerTimeLimitAmount:0", 1);
    qxsim_override_answer('c', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, g_theLogics.dispense(1000, "", nullptr, message));
    EXPECT_EQ(1u, errors("CQXLogics::dispense: dispense failed, return code = 1").size());
    EXPECT_EQ(10, g_theLogics.Settings().GetInt(StatusOkTimeout));
    EXPECT_EQ(0, g_theLogics.Settings().GetDurationType());
    EXPECT_TRUE(logged("CQXSettings::RestoreSettings: Restored StatusOkTimeout: 10"));
}

TEST_F(PayoutTest, PayoutRestoresTemporarySettingsOnSuccess) {
    payIn(2000);
    changeSettings("PayOutOkCheck:1", 1);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.payout(0, 2000, "", message)) << message;
    EXPECT_EQ(0, g_theLogics.Settings().GetInt(PayOutOkCheck));
    EXPECT_FALSE(g_bPayoutInProgress.load());
    EXPECT_EQ('F', g_chLastCommand.load());
}

}  // namespace
}  // namespace coretest
