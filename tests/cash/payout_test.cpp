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
    void limit(int amount, int seconds) {
        qxplat::setCalendarClockForTesting([this] { return now; });
        changeSettings(("PayOutAmountPerTimeLimitAmount:" + n(amount) +
                        ";PayOutAmountPerTimeLimitSeconds:" + n(seconds)).c_str(), 0);
    }
    std::time_t now = 4102444800;  // 2100-01-01: past 2038 in the 32-bit builds as well
};

// Small amounts ask first only with low cash levels (4900 is not small); each
// paying command steps the warning state to its pending value.
TEST_F(PayoutTest, AskingFirstFollowsTheCashLevels) {
    const struct {
        int amount, warning, warningAfter;
        const char* first;  // command
    } cases[] = {{0, 3, 2, "c|00000000"},    {4899, 0, 1, "c|00004899"},
                 {4899, 1, 1, "c|00004899"}, {4899, 2, 2, "d|00004899"},
                 {4899, 3, 2, "d|00004899"}, {4900, 0, 1, "d|00004900"}};
    for (const auto& c : cases) {
        forgetCommands();
        EXPECT_EQ(QX_STATUS_OK, dispense(c.amount, c.warning)) << message;
        EXPECT_EQ(commands().at(0), c.first) << c.amount << " at " << c.warning;
        expectModel("warning=" + n(c.warningAfter));
    }
    const std::string head = "CQXLogics::dispense: ";
    for (const char* line : {"Small amount to dispense and Cash Levels are ok, askPayout not",
                             "Small amount to dispense but Cash Levels are low, call askPayout",
                             "Updating g_nCurrentLowLevelWarningState: 3 - > 2 "
                             "(LOW_LEVEL_WARNING_TRUE_PENDING)",
                             "Updating g_nCurrentLowLevelWarningState: 0 - > 1 "
                             "(LOW_LEVEL_WARNING_FALSE_PENDING)"})
        EXPECT_EQ(logCount(head + line), 2u) << line;
    EXPECT_EQ(logCount(head + "Performing askPayout prior to dispense"), 3u);
    once({head + "Zero amount to dispense, askPayout not called"});
}

// An answered askPayout lets one dispense of that amount skip asking; a rest
// reaches the caller after the device's "b" and "a" reports were awaited.
TEST_F(PayoutTest, AskPayout) {
    outcome(g_theLogics.askPayout(6000, message), QX_STATUS_OK, "Done",
            {"CQXLogics::askPayout(6000)", "CQXLogics::askPayout(6000, amountRest)"},
            "asked=1,command=D");
    forgetCommands();
    EXPECT_EQ(QX_STATUS_OK, dispense(6000, LOW_LEVEL_WARNING_TRUE));
    expectModel("asked=0,sent=c|00006000");
    EXPECT_EQ(QX_STATUS_OK, dispense(6000, LOW_LEVEL_WARNING_TRUE));
    EXPECT_EQ(sentCount('d'), 1);
    for (int value : qxtest::kDenominations)
        ASSERT_EQ(0, qxsim_set_level(value, value == 5000 ? 10 : 0));
    int rest = -1;
    outcome(g_theLogics.askPayout(5300, &rest, message), QX_STATUS_NOT_POSSIBLE,
            "Not possible (rest)",
            {"!CQXLogics::askPayout: Not possible (rest: 300)",
             "CQXLogics::askPayout: Not possible (rest: 300). Waiting for b message ...",
             "CQXLogics::askPayout: Waiting for b message resulted in:0",
             "CQXLogics::askPayout: Waiting for a message resulted in:0"},
            "sent=d|00005300");
    EXPECT_EQ(300, rest);
    settle();
    forgetCommands();
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, dispense(5300, LOW_LEVEL_WARNING_TRUE, &rest));
    EXPECT_EQ(300, rest);
    once({"CQXLogics::dispense: Previous askPayout with same amount performed, askPayout not",
          "!CQXLogics::dispense: askPayout failed, return code = 8, message = Not possible"});
    EXPECT_FALSE(sent('c'));
    outcome(g_theLogics.askPayout(0, message), QX_STATUS_OK, "Done",
            {"CQXLogics::askPayout: Zero askPayout, Ok"}, "asked=1");
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.payout(0, 0, "", message));
    once({"CQXLogics::payout: Zero amount to pay out, askPayout not called",
          "CQXLogics::payout: Payout is not supported from state Payin Disabled",
          "CQXLogics::payout(0,0,)"});
    EXPECT_EQ(commands().size(), 1u);
    ASSERT_EQ(0, qxsim_set_option("drop_callbacks", 1));  // the device's answer is lost
    skipSleeps();
    outcome(g_theLogics.askPayout(300, message), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::askPayout: askPayout timed out"});
}

// 10000 in 61 s: an entry exactly 61 s old still counts, a payout's deposit
// makes room, a busy answer or a time-out after the command keeps the entry.
TEST_F(PayoutTest, PerTimeLimit) {
    ASSERT_EQ(QX_STATUS_OK, dispense(1000)) << message;
    EXPECT_EQ(0, g_theLogics.paidOutCount());
    limit(10000, 61);
    EXPECT_EQ(QX_STATUS_OK, dispense(6000));
    now += 10;
    EXPECT_EQ(QX_STATUS_OK, dispense(4000));  // exactly the limit
    forgetCommands();
    outcome(dispense(1), QX_STATUS_LIMIT_EXCEEDED,
            "Payout larger than allowed limit per time unit",
            {"!CQXLogics::dispense: (10000 + 1 > 10000), Payout larger than allowed limit per "
             "time unit: 61 seconds!",
             "CQXLogics::dispense: sumPaidOutAmount = 10000, amountDispense = 1"},
            "sent=");
    EXPECT_EQ(2, g_theLogics.paidOutCount());
    now += 51;
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1));
    now += 1;
    EXPECT_EQ(QX_STATUS_OK, dispense(1));
    EXPECT_EQ(4001, g_theLogics.sumPaidOutAmount());
    payIn(5000);
    ok(g_theLogics.payout(3000, 5000, "", message), "sent=f|00003000|00005000");
    EXPECT_EQ(2001, g_theLogics.sumPaidOutAmount());
    disable();
    EXPECT_EQ(QX_STATUS_OK, dispense(7999));
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, g_theLogics.payout(1, 0, "", message));
    disable();
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
    skipSleeps();
    now += 100;
    outcome(dispense(1000), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::dispense: dispense start timed out, return code = 6"});
    EXPECT_EQ(1000, g_theLogics.sumPaidOutAmount());
    qxsim_override_answer('c', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, dispense(500));
    EXPECT_EQ(1500, g_theLogics.sumPaidOutAmount());
    once({"CQXLogics::dispense: PayOutAmountPerTimeLimitAmount = 0, seconds limit = 60, not "
          "checking paid out amounts.",
          "CQXLogics::dispense: adding 1 to paid out list.",
          "CQXLogics::payout: adding -2000 to paid out list.",
          "CQXLogics::payout: sumPaidInAmount = 4001",
          "!CQXLogics::payout: (10000 + (1 - 0) > 10000), Payout larger than allowed limit per "
          "time unit: 61 seconds!"});
    limit(1, 61);  // the smallest limit that checks
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(2));
}

// The deposit is checked against the paid-in amount first, the amounts before
// the state; temporary settings come back after the command, whatever its
// result, and only then.
TEST_F(PayoutTest, AmountChecksAndTemporarySettings) {
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
            "Amount to deposit too small", {}, "sent=");
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, dispense(500));
    disable();
    int rest = -1;
    ok(g_theLogics.dispense(500, "refund 9", &rest, message),
       "sent=c|00000500|refund 9,command=C,state=Payin Disabled");
    EXPECT_EQ(0, rest);
    changeSettings("PayOutAmountPerTimeLimitAmount:100", 0);
    changeSettings("StatusOkTimeout:20", 1);
    EXPECT_EQ(QX_STATUS_LIMIT_EXCEEDED, dispense(1000));  // nothing sent: it still stands
    EXPECT_EQ(20, g_theLogics.Settings().GetInt(StatusOkTimeout));
    changeSettings("PayOutAmountPerTimeLimitAmount:0", 1);
    qxsim_override_answer('c', "001", 1);
    EXPECT_EQ(QX_STATUS_BUSY, dispense(1000));
    EXPECT_EQ(10, g_theLogics.Settings().GetInt(StatusOkTimeout));
    EXPECT_EQ(0, g_theLogics.Settings().GetDurationType());
    payIn(2000);
    changeSettings("PayOutOkCheck:1", 1);
    ok(g_theLogics.payout(0, 2000, "", message), "paying=0,command=F");
    EXPECT_EQ(0, g_theLogics.Settings().GetInt(PayOutOkCheck));
    disable();
    changeSettings("RegretOkCheck:1", 1);
    EXPECT_EQ(QX_STATUS_OK, dispense(100));
    EXPECT_EQ(0, g_theLogics.Settings().GetInt(RegretOkCheck));
    ok(g_theLogics.logout(message));
    EXPECT_EQ(QX_STATUS_INPUT_PARAM_ERROR, dispense(-1));
    EXPECT_EQ(QX_STATUS_CLOSED, dispense(1));
    once({"CQXLogics::dispense: Dispense is not supported from state Payin Enabled",
          "CQXLogics::dispense(500, refund 9, amountRest)",
          "!CQXLogics::dispense: dispense failed, return code = 1",
          "CQXSettings::RestoreSettings: Restored StatusOkTimeout: 10",
          "!CQXLogics::dispense: Amount to dispense is too small"});
}

// An ask that does not end in Done vouches for nothing: the next dispense of its amount asks
// again instead of paying on an earlier ask's word.
TEST_F(PayoutTest, AFailedAskIsNoAsk) {
    for (int value : qxtest::kDenominations)
        ASSERT_EQ(0, qxsim_set_level(value, value == 5000 ? 10 : 0));
    ok(g_theLogics.askPayout(5000, message), "asked=1");
    int rest = -1;
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, g_theLogics.askPayout(5300, &rest, message));
    expectModel("asked=0");
    settle();
    forgetCommands();
    EXPECT_EQ(QX_STATUS_NOT_POSSIBLE, dispense(5300, LOW_LEVEL_WARNING_TRUE, &rest));
    EXPECT_EQ(300, rest);
    EXPECT_EQ(commands(), std::vector<std::string>{"d|00005300"});
}

// Amounts outside 0 to 99999999 are refused before anything is sent; an amount due below 0
// would pay out more than was paid in.  Logged out, the answer is "Closed", as it always was.
TEST_F(PayoutTest, AmountsOutOfRangeAreRefusedBeforeAnythingIsSent) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    settle();
    forgetCommands();
    int rest = -1;
    const std::tuple<std::function<short()>, const char*, const char*> cases[] = {
        {[&] { return g_theLogics.askPayout(-1, message); }, "Amount to dispense too small",
         "!CQXLogics::askPayout: Amount to dispense is too small"},
        {[&] { return g_theLogics.askPayout(100000000, &rest, message); },
         "Amount to dispense too big", "!CQXLogics::askPayout: Amount to dispense is too big"},
        {[&] { return g_theLogics.amountDue(-5000, "", &rest, message); },
         "Amount to deposit too small", "!CQXLogics::amountDue: Amount to deposit is too small"},
    };
    for (const auto& [call, text, line] : cases)
        outcome(call(), QX_STATUS_INPUT_PARAM_ERROR, text, {line}, "sent=");
    g_QXState = QXS_LOGGED_OUT;
    for (const auto& [call, text, line] : cases)
        outcome(call(), QX_STATUS_CLOSED, "Closed", {}, "sent=");
}

// More than an int of payouts and bookings within one window still adds up.
TEST_F(PayoutTest, TheLimitCountsBeyondAnInt) {
    limit(1000, 60);
    for (int i = 0; i < 22; ++i) g_theLogics.addToPaidOutList(-99999999);
    EXPECT_EQ(-2199999978LL, g_theLogics.sumPaidOutAmount());
    EXPECT_EQ(QX_STATUS_OK, dispense(100)) << message;
}

}  // namespace
}  // namespace coretest
