// payout_test.cpp - the rules that guard paying cash out: asking the device
// first, the per-time limit, the amount checks and temporary settings.
#include <ctime>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

class PayoutTest : public CashTest {
protected:
    // A dispense with the low-level warning state set as given, settled.
    short dispense(int amount, int warning = LOW_LEVEL_WARNING_FALSE, int* rest = nullptr) {
        g_nCurrentLowLevelWarningState = warning;
        const short result = g_theLogics.dispense(amount, "", rest, message);
        settle();
        return result;
    }
    // Whether a dispense that succeeds asked the device first.
    bool dispenseAsks(int amount, int warning) {
        forgetCommands();
        EXPECT_EQ(QX_STATUS_OK, dispense(amount, warning)) << message;
        return sentCount('d') == 1;
    }
    static void stockOnly(int denomination, int count) {
        for (int value : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5,
                          2, 1})
            ASSERT_EQ(0, qxsim_set_level(value, value == denomination ? count : 0));
    }
    void limit(int amount, int seconds) {
        qxplat::setCalendarClockForTesting([this] { return now; });
        changeSettings(("PayOutAmountPerTimeLimitAmount:" + n(amount) +
                        ";PayOutAmountPerTimeLimitSeconds:" + n(seconds)).c_str(), 0);
    }
    std::time_t now = 4102444800;  // 2100-01-01: past 2038 in the 32-bit builds as well
};

// Small amounts ask only with low cash levels (4900 is not small); each paying
// command steps the warning state to its pending value.
TEST_F(PayoutTest, AskingFirstFollowsTheCashLevels) {
    const std::string head = "CQXLogics::dispense: ";
    EXPECT_FALSE(dispenseAsks(0, LOW_LEVEL_WARNING_TRUE));
    expectModel("sent=c|00000000,warning=2");
    EXPECT_FALSE(dispenseAsks(4899, LOW_LEVEL_WARNING_FALSE));
    expectModel("warning=1");
    EXPECT_FALSE(dispenseAsks(4899, LOW_LEVEL_WARNING_FALSE_PENDING));
    EXPECT_TRUE(dispenseAsks(4899, LOW_LEVEL_WARNING_TRUE_PENDING));
    expectModel("warning=2");
    EXPECT_TRUE(dispenseAsks(4899, LOW_LEVEL_WARNING_TRUE));
    EXPECT_TRUE(dispenseAsks(4900, LOW_LEVEL_WARNING_FALSE));
    EXPECT_EQ("d|00004900", commands().front());
    EXPECT_EQ(logCount(head + "Small amount to dispense and Cash Levels are ok, askPayout not"),
              2u);
    EXPECT_EQ(logCount(head + "Small amount to dispense but Cash Levels are low, call askPayout"),
              2u);
    EXPECT_EQ(logCount(head + "Performing askPayout prior to dispense"), 3u);
    EXPECT_EQ(logCount(head + "Updating g_nCurrentLowLevelWarningState: 3 - > 2 "
                              "(LOW_LEVEL_WARNING_TRUE_PENDING)"),
              2u);
    EXPECT_EQ(logCount(head + "Updating g_nCurrentLowLevelWarningState: 0 - > 1 "
                              "(LOW_LEVEL_WARNING_FALSE_PENDING)"),
              2u);
    once({head + "Zero amount to dispense, askPayout not called"});
}

// An answered askPayout lets one dispense of the latest asked amount skip asking.
TEST_F(PayoutTest, AnsweredAskPayoutIsUsedOnce) {
    outcome(g_theLogics.askPayout(6000, message), QX_STATUS_OK, "Done",
            {"CQXLogics::askPayout(6000)", "CQXLogics::askPayout(6000, amountRest)"});
    expectModel("asked=1");
    EXPECT_FALSE(dispenseAsks(6000, LOW_LEVEL_WARNING_TRUE));
    once({"CQXLogics::dispense: Previous askPayout with same amount performed, askPayout not "
          "called"});
    expectModel("asked=0");
    EXPECT_TRUE(dispenseAsks(6000, LOW_LEVEL_WARNING_TRUE));
    stockOnly(1000, 6);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.askPayout(6000, message)) << message;
    int rest = 0;
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, g_theLogics.askPayout(7000, &rest, message));
    EXPECT_EQ(1000, rest);
    EXPECT_EQ(7000, g_nAskPayoutAmount.load());
    expectModel("asked=1");
    settle();
    EXPECT_FALSE(dispenseAsks(7000, LOW_LEVEL_WARNING_TRUE));
    EXPECT_EQ("c|00007000", commands().front());
}

// The device's rest reaches the caller, after its "b" and "a" reports were
// awaited; a zero ask sends nothing; payout traces its decision first.
TEST_F(PayoutTest, AskPayoutWithRestIsNotPossible) {
    stockOnly(5000, 10);
    int rest = -1;
    outcome(g_theLogics.askPayout(5300, &rest, message), QX_STATUS_NOT_POSSIBLE,
            "Not possible (rest)",
            {"!CQXLogics::askPayout: Not possible (rest: 300)",
             "CQXLogics::askPayout: Not possible (rest: 300). Waiting for b message ...",
             "CQXLogics::askPayout: Waiting for b message resulted in:0",
             "CQXLogics::askPayout: Waiting for a message resulted in:0"});
    EXPECT_EQ(300, rest);
    expectModel("sent=d|00005300");
    settle();
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, dispense(5300, LOW_LEVEL_WARNING_TRUE, &rest));
    EXPECT_EQ(300, rest);
    once({"!CQXLogics::dispense: askPayout failed, return code = 8, message = Not possible (rest)"});
    EXPECT_FALSE(sent('c'));
    forgetCommands();
    outcome(g_theLogics.askPayout(0, message), QX_STATUS_OK, "Done",
            {"CQXLogics::askPayout: Zero askPayout, Ok"});
    expectModel("asked=1");
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.payout(0, 0, "", message));
    once({"CQXLogics::payout: Zero amount to pay out, askPayout not called",
          "CQXLogics::payout: Payout is not supported from state Payin Disabled",
          "CQXLogics::payout(0,0,)"});
    EXPECT_TRUE(commands().empty());
}

// 10000 in 61 s: an entry exactly 61 s old still counts.
TEST_F(PayoutTest, PerTimeLimit) {
    ASSERT_EQ(QX_STATUS_OK, dispense(1000)) << message;
    once({"CQXLogics::dispense: PayOutAmountPerTimeLimitAmount = 0, seconds limit = 60, not "
          "checking paid out amounts."});
    EXPECT_EQ(0, g_theLogics.paidOutCount());
    limit(10000, 61);
    EXPECT_EQ(QX_STATUS_OK, dispense(6000));
    now += 10;
    EXPECT_EQ(QX_STATUS_OK, dispense(4000));  // exactly the limit
    EXPECT_EQ(10000, g_theLogics.sumPaidOutAmount());
    forgetCommands();
    outcome(dispense(1), QX_STATUS_LIMIT_EXCEEDED, "Payout larger than allowed limit per time unit",
            {"!CQXLogics::dispense: (10000 + 1 > 10000), Payout larger than allowed limit per "
             "time unit: 61 seconds!"});
    EXPECT_EQ(logCount("CQXLogics::dispense: sumPaidOutAmount = 10000, amountDispense = 1"), 1u);
    EXPECT_EQ(2, g_theLogics.paidOutCount());
    EXPECT_FALSE(sent('c'));
    now += 51;
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1));
    now += 1;
    EXPECT_EQ(QX_STATUS_OK, dispense(1));
    EXPECT_EQ(4001, g_theLogics.sumPaidOutAmount());
    once({"CQXLogics::dispense: adding 1 to paid out list."});
    limit(1, 61);  // the smallest limit that checks
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(2));
}

// A payout's deposit makes room; a time-out after the command keeps the entry.
TEST_F(PayoutTest, PayoutLimitAndTimeOut) {
    limit(10000, 61);
    payIn(5000);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.payout(3000, 5000, "", message)) << message;
    settle();
    EXPECT_EQ(-2000, g_theLogics.sumPaidOutAmount());
    expectModel("sent=f|00003000|00005000");
    disable();
    EXPECT_EQ(QX_STATUS_OK, dispense(12000));
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, g_theLogics.payout(1, 0, "", message));
    once({"CQXLogics::payout: adding -2000 to paid out list.",
          "CQXLogics::payout: sumPaidInAmount = 0",
          "!CQXLogics::payout: (10000 + (1 - 0) > 10000), Payout larger than allowed limit per "
          "time unit: 61 seconds!"});
    now += 100;
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("", message));
    settle();
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
    skipSleeps();
    outcome(dispense(1000), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::dispense: dispense start timed out, return code = 6"});
    EXPECT_EQ(1000, g_theLogics.sumPaidOutAmount());
    expectModel("state=Cash Deposited");
}

// The deposit is checked against the paid-in amount before anything else,
// the amounts before the state.
TEST_F(PayoutTest, AmountChecksAndStates) {
    payIn(1000);
    forgetCommands();
    outcome(g_theLogics.payout(-5, 2000, "", message), QX_STATUS_DEPOSIT_TOO_BIG,
            "Amount to deposit too big",
            {"!CQXLogics::payout: Amount to deposit was bigger than amount payed in"});
    outcome(g_theLogics.payout(-5, 500, "", message), QX_STATUS_INPUT_PARAM_ERROR,
            "Amount to dispense too small");
    outcome(g_theLogics.payout(100000000, 500, "", message), QX_STATUS_INPUT_PARAM_ERROR,
            "Amount to dispense too big");
    outcome(g_theLogics.payout(0, -1, "", message), QX_STATUS_INPUT_PARAM_ERROR,
            "Amount to deposit too small");
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, dispense(500));
    disable();
    int rest = -1;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.dispense(500, "refund 9", &rest, message)) << message;
    EXPECT_EQ(0, rest);
    expectModel("sent=c|00000500|refund 9,command=C,state=Payin Disabled");
    settle();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message));
    settle();
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR, dispense(-1));
    EXPECT_EQ(QX_STATUS_CLOSED, dispense(1));
    once({"CQXLogics::dispense: Dispense is not supported from state Payin Enabled",
          "CQXLogics::dispense(500, refund 9, amountRest)",
          "!CQXLogics::dispense: Amount to dispense is too small"});
}

// Temporary settings come back after the command, whatever its result, and only then.
TEST_F(PayoutTest, TemporarySettingsComeBackAfterTheCommandOnly) {
    changeSettings("PayOutAmountPerTimeLimitAmount:100", 0);
    changeSettings("StatusOkTimeout:20", 1);
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1000));  // nothing sent: it still stands
    EXPECT_EQ(20, g_theLogics.Settings().GetInt(StatusOkTimeout));
    EXPECT_EQ(1, g_theLogics.Settings().GetDurationType());
    changeSettings("PayOutAmountPerTimeLimitAmount:0", 1);
    qxsim_override_answer('c', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, dispense(1000));
    EXPECT_EQ(10, g_theLogics.Settings().GetInt(StatusOkTimeout));
    EXPECT_EQ(0, g_theLogics.Settings().GetDurationType());
    once({"!CQXLogics::dispense: dispense failed, return code = 1",
          "CQXSettings::RestoreSettings: Restored StatusOkTimeout: 10"});
    payIn(2000);
    changeSettings("PayOutOkCheck:1", 1);
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.payout(0, 2000, "", message)) << message;
    EXPECT_EQ(0, g_theLogics.Settings().GetInt(PayOutOkCheck));
    expectModel("paying=0,command=F");
}

}  // namespace
}  // namespace coretest
