// payin_test.cpp - the customer's cash in and back: enabling and disabling
// pay-in, deposit, change, an amount due, regret and reset.
#include <functional>

#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

using PayinTest = CashTest;

// Paid 2000 for 1250: the whole 2000 is booked, 750 paid back in one command,
// and the application saw the cash arrive and the device idle again.
TEST_F(PayinTest, AmountDueBooksThePaidInAndGivesChange) {
    // Reports that come while the command is handed over send no status event: an instant
    // device's would all come then, and a paced one's too if a loaded machine stalls the
    // hand-over longer than a report takes on the line.
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 5));
    payIn(2000);
    int rest = -1;
    outcome(g_theLogics.amountDue(2001, "", &rest, message), QX_STATUS_INPUT_PARAM_ERROR,
            "Paid in amount smaller than amount due",
            {"!CQXLogics::amountDue: Paid in amount smaller than amount due"}, "sent=h");
    EXPECT_EQ(-1, rest);
    ok(g_theLogics.amountDue(1250, "sale 42", &rest, message),
       "sent=f|00000750|00002000|sale 42,state=Payin Enabled,paying=0");
    EXPECT_EQ(0, rest);
    const std::vector<std::string> seen = events();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "status 2000 0 1"), seen.end());
    EXPECT_EQ("status 0 0 1", seen.empty() ? "" : seen.back());
    payIn(500);
    ok(g_theLogics.amountDue(500, "", nullptr, message), "sent=f|00000000|00000500");
    once({"CQXLogics::amountDue(1250,sale 42, amountRest)"});
}

// Deposit needs pay-in disabled; Cash Deposited admits the last-note regret alone, and a
// dispense leaves it for Payin Disabled; logged out nothing.  enablePayin's state moves as the
// link takes it, disablePayin's only when the device reports it.
TEST_F(PayinTest, AdmissibleStates) {
    const std::string head = "CQXLogics::";
    ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message));
    expectModel("state=Payin Enabled,sent=h,command=H");
    settle();
    outcome(g_theLogics.deposit("", message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            {head + "deposit: Deposit is not supported from state Payin Enabled"}, "sent=h");
    ASSERT_EQ(0, qxsim_insert(1000));
    qxsim_override_answer('g', "000", 1);  // taken, but the device does nothing
    skipSleeps();
    outcome(g_theLogics.disablePayin(message), QX_STATUS_TIMEOUT, "Timed out",
            {"!" + head + "disablePayin: disablePayin timed out, return code = 6"},
            "state=Payin Enabled");
    qxplat::setSleepHookForTesting({});
    disable();
    const std::string deposited = "sent=f|00000000|00001000|till 7,state=Cash Deposited";
    ok(g_theLogics.deposit("till 7", message), deposited);
    outcome(g_theLogics.enablePayin(message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            {"!" + head + "enablePayin: Enable Payin is not supported from state Cash Deposited"});
    outcome(g_theLogics.regret(1, message), QX_STATUS_NOT_SUPPORTED, "Not Supported",
            {"!" + head + "regret: Regret All is not supported from state Cash Deposited"},
            deposited);
    ok(g_theLogics.regret(0, message), "sent=e|2");
    ok(g_theLogics.dispense(0, "", nullptr, message), "sent=c|00000000,state=Payin Disabled");
    ok(g_theLogics.logout(message));
    outcome(g_theLogics.enablePayin(message), QX_STATUS_CLOSED, "Closed");
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(0, message));
    EXPECT_EQ(QX_STATUS_CLOSED, g_theLogics.regret(1, message));
    EXPECT_EQ(logCount(head + "enablePayin()"), 3u);
    EXPECT_EQ(logCount(head + "disablePayin()"), 2u);
    once({head + "deposit(till 7)",
          head + "enablePayin: Enable Payin is not allowed from logged out state.",
          head + "regret: Regret Last Note is not allowed from logged out state.",
          head + "regret: Regret All is not allowed from logged out state."});
}

// Cash Deposited is left by a dispense that the device took (of 0 as well), for Payin Disabled,
// or by a logout, after which a login takes the device's state; a reset, a login alone and a
// dispense the device refused keep it.
TEST_F(PayinTest, LeavingCashDeposited) {
    payIn(1000);
    disable();
    ok(g_theLogics.deposit("", message), "state=Cash Deposited");
    ok(g_theLogics.reset(message), "command=3,state=Cash Deposited");
    ok(g_theLogics.login(1, 1, message), "command=A,state=Cash Deposited");
    qxsim_override_answer('c', "001", 1);
    outcome(g_theLogics.dispense(0, "", nullptr, message), QX_STATUS_BUSY, "Busy", {},
            "state=Cash Deposited");
    ok(g_theLogics.dispense(0, "", nullptr, message), "sent=c|00000000,state=Payin Disabled");
    ok(g_theLogics.deposit("", message), "state=Cash Deposited");
    ok(g_theLogics.logout(message), "state=Logged Out");
    ok(g_theLogics.login(1, 1, message), "state=Payin Disabled");
}

// enablePayin traces the result of its busy wait; a refused command leaves the state.
TEST_F(PayinTest, EnableAfterABusyWaitOrRefused) {
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    int steps = 0;
    qxplat::setSleepHookForTesting([&steps](int) {
        if (++steps != 3) return;
        qxsim_set_option("stay_busy", 0);  // the device settles while the operation waits
        qxsim_wait_idle(qxtest::kIdleWaitMs);
    });
    outcome(g_theLogics.enablePayin(message), QX_STATUS_OK, "Done",
            {"CQXLogics::enablePayin: Quaxvault is Busy. Wait for Ok",
             "CQXLogics::enablePayin: Quaxvault was Busy. Got new status nStatus=0",
             "CQXLogics::enablePayin: The new status nStatus=0 was neither TIMEOUT nor ERROR."});
    qxplat::setSleepHookForTesting({});  // the waits that follow take real time
    disable();
    qxsim_override_answer('h', "001", 1);
    outcome(g_theLogics.enablePayin(message), QX_STATUS_BUSY, nullptr,
            {"!CQXLogics::enablePayin: enablePayinQX failed, return code = 1, message = "},
            "state=Payin Disabled");
}

// change and regret pay back and forget the askPayout; change waits for the
// device to go busy only when something was paid in.
TEST_F(PayinTest, ChangeAndRegretPayBack) {
    payIn(1000);
    g_bAskPayoutDone = true;
    ok(g_theLogics.change(message), "sent=e|1,command=1,asked=0,amount=0,state=Payin Enabled");
    int sleeps = 0;
    qxplat::setSleepHookForTesting([&sleeps](int) { ++sleeps; });
    ok(g_theLogics.change(message));
    EXPECT_EQ(0, sleeps);
    qxplat::setSleepHookForTesting({});
    payIn(2500);  // a 2000 note and a 500 note
    g_bAskPayoutDone = true;
    outcome(g_theLogics.regret(0, message), QX_STATUS_OK, "Done", {"CQXLogics::regret(0)"});
    settle();
    expectModel("sent=e|2,command=2,amount=2000,asked=0,paying=0,state=Payin Enabled");
    ok(g_theLogics.regret(1, message), "sent=e|4,command=F,amount=0,verify=3");
    once({"CQXLogics::regret: True regret all is supported."});
    EXPECT_EQ(logCount("CQXLogics::change()"), 2u);
    payIn(1000);
    ASSERT_EQ(0, qxsim_set_option("no_busy_report", 1));  // and it never does
    skipSleeps();
    outcome(g_theLogics.change(message), QX_STATUS_TIMEOUT, "Timed out",
            {"!CQXLogics::change: Start timed out, return code = 6"});
}

// regret checks its type after its busy wait; reset goes out from error and from a closed
// session.
TEST_F(PayinTest, RegretTypeAndReset) {
    outcome(g_theLogics.regret(2, message), QX_STATUS_INPUT_PARAM_ERROR, "Invalid regretType",
            {"!CQXLogics::regret: Invalid regretType"});
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 1));
    settle();
    skipSleeps();
    outcome(g_theLogics.regret(2, message), QX_STATUS_BUSY, "QuaxVault is busy");
    qxplat::setSleepHookForTesting({});
    ASSERT_EQ(0, qxsim_set_option("stay_busy", 0));
    ASSERT_EQ(0, qxsim_set_option("error_code", 5));
    settle();
    outcome(g_theLogics.regret(0, message), QX_STATUS_ERROR, "QuaxVault has error(s)");
    g_bAskPayoutDone = true;
    ok(g_theLogics.reset(message), "sent=e|3,command=3,asked=0,status=3");
    ok(g_theLogics.logout(message));
    forgetCommands();
    ok(g_theLogics.reset(message));
    EXPECT_EQ(std::vector<std::string>{"e|3"}, commands());
    EXPECT_EQ(logCount("CQXLogics::reset()"), 2u);
}

class LegacyTest : public CashTest {
protected:
    const char* initSettings() const override { return "LegacySystem:1;AutoDisable:1"; }
};

// An older device is neither verified nor disabled at login, takes only the
// basic commands, and regret all becomes an empty payout.
TEST_F(LegacyTest, OlderDevices) {
    m_firstCommand = 0;
    EXPECT_EQ(sentCount('x') + sentCount('g'), 0);
    int level = -1;
    char commandsText[QX_BUFFER_CAPACITY] = "x", master[QX_BUFFER_CAPACITY] = "x";
    g_theLogics.info(&level, commandsText, master, nullptr, message);
    EXPECT_EQ(n(level) + "|" + commandsText + "|" + master, "0|ABCDEF|");
    expectModel("verify=0,state=Payin Disabled");
    ok(g_theLogics.regret(1, message), "sent=f|00000000|00000000|regretAll,command=F");
    const std::pair<const char*, std::function<short()>> needIdentification[] = {
        {"enablePayin: Enable Payin", [&] { return g_theLogics.enablePayin(message); }},
        {"disablePayin: Disable Payin", [&] { return g_theLogics.disablePayin(message); }},
        {"deposit: Deposit", [&] { return g_theLogics.deposit("", message); }},
        {"dispense: Dispense", [&] { return g_theLogics.dispense(100, "", nullptr, message); }}};
    for (const auto& [line, operation] : needIdentification) {
        EXPECT_EQ(QX_STATUS_NOT_SUPPORTED, operation()) << line;
        once({std::string("CQXLogics::") + line + " is not supported."});
    }
    once({"CQXLogics::login: Legacy system, not calling verifyQX()",
          "CQXLogics::regret: True regret all is not supported, using normal payout instead."});
}

}  // namespace
}  // namespace coretest
