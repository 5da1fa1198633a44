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

// The whole 2000 is booked and the difference paid back in one command.
TEST_F(PayinTest, SaleOf1250PaidWith2000GivesChangeFromTheInventory) {
    // A real line's pace: an instant device may report the whole payout
    // while the command is handed over, when no status event goes out.
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 1));
    const long long before = qxsim_total_value();
    payIn(2000);
    int rest = -1;
    outcome(g_theLogics.amountDue(1250, "sale 42", &rest, message), QX_STATUS_OK, "Done",
            {"CQXLogics::amountDue(1250,sale 42, amountRest)"});
    settle();
    EXPECT_EQ(0, rest);
    expectModel("sent=f|00000750|00002000|sale 42,state=Payin Enabled,paying=0");
    EXPECT_EQ(before + 2000 - 750, qxsim_total_value());
    // The application saw the cash arrive and the device idle again with nothing paid in.
    const std::vector<std::string> seen = events();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "status 2000 0 1"), seen.end());
    EXPECT_EQ("status 0 0 1", seen.empty() ? "" : seen.back());
}

TEST_F(PayinTest, AmountDueSettlesExactAndRefusesTooLittle) {
    payIn(500);
    int rest = 77;
    outcome(g_theLogics.amountDue(700, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR,
            "Paid in amount smaller than amount due",
            {"!CQXLogics::amountDue: Paid in amount smaller than amount due"});
    EXPECT_EQ(77, rest);
    expectModel("sent=h");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.amountDue(500, "", nullptr, message)) << message;
    expectModel("sent=f|00000000|00000500");
}

// Cash Deposited admits the last-note regret alone; logged out nothing.
TEST_F(PayinTest, AdmissibleStatesAfterADepositAndALogout) {
    payIn(1000);
    disable();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.deposit("till 7", message)) << message;
    settle();
    const std::string deposited = "sent=f|00000000|00001000|till 7,state=Cash Deposited";
    expectModel(deposited);
    const std::string head = "CQXLogics::";
    outcome(g_theLogics.enablePayin(message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            {"!" + head + "enablePayin: Enable Payin is not supported from state Cash Deposited"});
    outcome(g_theLogics.regret(1, message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            {"!" + head + "regret: Regret All is not supported from state Cash Deposited"});
    expectModel(deposited);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.regret(0, message)) << message;
    expectModel("sent=e|2");
    settle();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message)) << message;
    settle();
    outcome(g_theLogics.enablePayin(message), QX_STATUS_CLOSED, "Closed");
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(0, message));
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(1, message));
    once({head + "deposit(till 7)", head + "disablePayin()",
          head + "enablePayin: Enable Payin is not allowed from logged out state.",
          head + "regret: Regret Last Note is not allowed from logged out state.",
          head + "regret: Regret All is not allowed from logged out state."});
}

// enablePayin needs no callback; deposit needs pay-in disabled.
TEST_F(PayinTest, EnableAndDeposit) {
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    expectModel("state=Payin Enabled,sent=h,command=H");  // as soon as the link took it
    settle();
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.deposit("", message));
    once({"CQXLogics::deposit: Deposit is not supported from state Payin Enabled"});
    expectModel("sent=h");
}

// enablePayin traces the result of its busy wait, given up or ended.
TEST_F(PayinTest, EnableAfterABusyWait) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    ASSERT_EQ(QX_DEVICE_BUSY, g_nLastCallbackStatus.load());
    skipSleeps();
    outcome(g_theLogics.enablePayin(message), QX_STATUS_BUSY, "QuaxVault is busy",
            {"!CQXLogics::enablePayin: QuaxVault is still busy, giving up.",
             "CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=6"});
    EXPECT_FALSE(logged("was neither TIMEOUT nor ERROR."));
    EXPECT_TRUE(commands().empty());
    countSleeps();
    qxplat::setSleepHookForTesting([](int) {
        if (++sleeps != 3) return;
        qxsim_set_option("stay_busy", 0);  // the device settles while the operation waits
        qxsim_wait_idle(5000);
    });
    outcome(g_theLogics.enablePayin(message), QX_STATUS_OK, "Done",
            {"CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=0",
             "CQXLogics::enablePayin: The new status nStatus=0 was neither TIMEOUT nor ERROR."});
    EXPECT_EQ(logCount("CQXLogics::enablePayin: Quaxvault is Busy. Wait for Ok"), 2u);
}

TEST_F(PayinTest, RefusedOrUnansweredCommands) {
    qxsim_override_answer('h', "001", 1);
    outcome(g_theLogics.enablePayin(message), QX_STATUS_BUSY, nullptr,
            {"!CQXLogics::enablePayin: enablePayinQX failed, return code = 1, message = "});
    expectModel("state=Payin Disabled");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    settle();
    qxsim_override_answer('g', "000", 1);  // taken, but the device does nothing
    skipSleeps();
    outcome(g_theLogics.disablePayin(message), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::disablePayin: disablePayin timed out, return code = 6"});
    expectModel("state=Payin Enabled");
}

// change and regret pay back what was paid in and forget the askPayout.
TEST_F(PayinTest, ChangeAndRegretPayBack) {
    payIn(1000);
    const long long before = qxsim_total_value();
    g_bAskPayoutDone = true;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.change(message)) << message;
    settle();
    expectModel("sent=e|1,command=1,asked=0,amount=0,state=Payin Enabled");
    EXPECT_EQ(before - 1000, qxsim_total_value());
    countSleeps();
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.change(message)) << message;
    EXPECT_EQ(0, sleeps);  // nothing paid in: no start wait
    expectModel("sent=e|1");
    qxplat::setSleepHookForTesting({});
    settle();
    payIn(2500);  // a 2000 note and a 500 note
    g_bAskPayoutDone = true;
    outcome(g_theLogics.regret(0, message), QX_STATUS_OK, "Done", {"CQXLogics::regret(0)"});
    settle();
    expectModel("sent=e|2,command=2,amount=2000,asked=0,paying=0,state=Payin Enabled");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    expectModel("sent=e|4,command=F,amount=0,verify=3");
    once({"CQXLogics::regret: True regret all is supported."});
    EXPECT_EQ(before - 1000, qxsim_total_value());
}

TEST_F(PayinTest, PaybackWhoseDeviceNeverGoesBusyTimesOut) {
    for (const std::string method : {"change", "regret"}) {
        payIn(1000);
        ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));
        skipSleeps();
        outcome(method == "change" ? g_theLogics.change(message) : g_theLogics.regret(0, message),
                QX_STATUS_TIMEOUT, "Timed out",
                {"!CQXLogics::" + method + ": Start timed out, return code = 6"});
        qxplat::setSleepHookForTesting({});
        ASSERT_EQ(0, qxsim_set_option("no_busy_report", 0));
        settle();
    }
}

// regret checks its type after a busy wait of 10 s, reset after 15 s.
TEST_F(PayinTest, RegretTypeAndBusyWaits) {
    outcome(g_theLogics.regret(2, message), QX_STATUS_INPUT_PARAM_ERROR, "Invalid regretType",
            {"!CQXLogics::regret: Invalid regretType"});
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    countSleeps();
    outcome(g_theLogics.regret(2, message), QX_STATUS_BUSY, "QuaxVault is busy",
            {"!CQXLogics::regret: QuaxVault is still busy, giving up."});
    EXPECT_EQ(1001, sleeps);
    countSleeps();
    outcome(g_theLogics.reset(message), QX_STATUS_BUSY, "QuaxVault is busy",
            {"!CQXLogics::reset: QuaxVault is still busy, giving up."});
    EXPECT_EQ(1501, sleeps);
    EXPECT_TRUE(commands().empty());
}

TEST_F(PayinTest, ResetIsSentFromErrorAndFromLoggedOut) {
    ASSERT_EQ(0, qxsim_set_option("error_code", 5));
    settle();
    ASSERT_EQ(QX_DEVICE_ERROR, g_nLastCallbackStatus.load());
    outcome(g_theLogics.regret(0, message), QX_STATUS_ERROR, "QuaxVault has error(s)");
    g_bAskPayoutDone = true;
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.reset(message)) << message;
    expectModel("sent=e|3,command=3,asked=0");
    settle();
    expectModel("status=3");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.logout(message));
    settle();
    forgetCommands();
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.reset(message)) << message;
    EXPECT_EQ(std::vector<std::string>{"e|3"}, commands());
}

class LegacyTest : public CashTest {
protected:
    const char* initSettings() const override { return "LegacySystem:1;AutoDisable:1"; }
};

// An older device is not verified at login nor has pay-in disabled for it; it
// takes only the basic commands, and regret all becomes an empty payout.
TEST_F(LegacyTest, OlderDevices) {
    m_firstCommand = 0;
    EXPECT_EQ(sentCount('x') + sentCount('g'), 0);
    forgetCommands();
    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY] = "x", master[QX_BUFFER_CAPACITY] = "x";
    g_theLogics.info(&level, commandsText, master, nullptr, message);
    EXPECT_EQ(std::to_string(level) + "|" + commandsText + "|" + master, "0|ABCDEF|");
    expectModel("verify=0,state=Payin Disabled");
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.regret(1, message)) << message;
    settle();
    expectModel("sent=f|00000000|00000000|regretAll,command=F");
    EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, g_theLogics.dispense(100, "", nullptr, message));
    once({"CQXLogics::login: Legacy system, not calling verifyQX()",
          "CQXLogics::regret: True regret all is not supported, using normal payout instead.",
          "CQXLogics::dispense: Dispense is not supported."});
}

}  // namespace
}  // namespace coretest
