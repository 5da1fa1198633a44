// stress_test.cpp - thousands of operations of every kind against a device
// that answers at once, with random busy spells of 0-3 ms per cash move: no
// wait may miss a report, so none times out, each ends as the device decided
// and hands on the rest and paid-in amounts the device reported.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/support/core_fixture.h"
#include "tests/support/process_probe.h"

namespace coretest {
namespace {

// QX_STRESS_SEED replays a run; the seed is printed at the start.
unsigned stressSeed() {
    const char* text = std::getenv("QX_STRESS_SEED");
    const unsigned seed = text && *text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10))
                                        : std::random_device{}();
    std::printf("stress seed %u (QX_STRESS_SEED)\n", seed);
    return seed;
}

const int kDenominations[] = {50000, 20000, 10000, 5000, 2000, 1000, 500, 200,
                              100,   50,    20,    10,   5,    2,    1};

class StressTest : public CashTest {
protected:
    const char* initSettings() const override {
        return "PayOutOkCheck:1;ChangeOkCheck:1;RegretOkCheck:1";
    }
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); }
    // A new busy spell for the next cash move, and the stock back to full.
    void next() {
        ASSERT_EQ(0, qxsim_set_option("busy_ms", pick(0, 3)));
        for (std::size_t i = 0; i < stock.size(); ++i) qxsim_set_level(kDenominations[i], stock[i]);
        ++operations;
    }
    void expect(short result, short wanted, const char* what) {
        ASSERT_EQ(result, wanted) << what << " in operation " << operations << ": " << message;
    }
    void customerPays(int amount) {
        expect(g_theLogics.enablePayin(message), QX_STATUS_OK, "enablePayin");
        ASSERT_EQ(0, qxsim_insert(amount));
        settle();
        ASSERT_EQ(g_nLastCallbackAmount.load(), amount) << "paid-in amount";
    }
    // One cycle of the five kinds; the device's total tells what it paid.
    void cycle(int kind) {
        int rest = -1, paid = pick(100, 20000), due = pick(1, paid), amount = pick(1, 9000);
        if (kind < 2) customerPays(kind == 0 ? paid : pick(1, 5000));
        if (kind == 2 || kind == 3) disable();
        next();
        const long long before = qxsim_total_value();
        if (kind == 0) {
            expect(g_theLogics.amountDue(due, "sale", &rest, message), QX_STATUS_OK, "amountDue");
            EXPECT_EQ(rest, 0);
            EXPECT_EQ(qxsim_total_value(), before - (paid - due));
        } else if (kind == 1) {
            expect(pick(0, 1) ? g_theLogics.change(message) : g_theLogics.regret(1, message),
                   QX_STATUS_OK, "change or regret");
        } else if (kind == 2) {
            expect(g_theLogics.dispense(amount, "", &rest, message), QX_STATUS_OK, "dispense");
            EXPECT_EQ(qxsim_total_value(), before - amount);
        } else if (kind == 3) {  // more than the device holds: the rest is what it cannot pay
            const int extra = pick(1, 99999);
            expect(g_theLogics.askPayout(static_cast<int>(before) + extra, &rest, message),
                   QX_STATUS_NOT_POSSIBLE, "askPayout with a rest");
            EXPECT_EQ(rest, extra);
            next();
            expect(g_theLogics.askPayout(amount, &rest, message), QX_STATUS_OK, "askPayout");
            EXPECT_EQ(rest, 0);
        } else {
            expect(g_theLogics.logout(message), QX_STATUS_OK, "logout");
            next();
            expect(g_theLogics.login(1, 1, message), QX_STATUS_OK, "login (with verifyQX)");
            EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
        }
    }

    std::mt19937 random{stressSeed()};
    std::vector<int> stock;
    int operations = 0;
};

TEST_F(StressTest, NoWaitMissesAReport) {
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 0));
    for (int denomination : kDenominations) stock.push_back(qxsim_level(denomination));
    const int cycles = qxtest::onWindows() || qxtest::sanitizerBuild() ? 250 : 700;
    for (int i = 0; i < cycles && !HasFatalFailure(); ++i) cycle(i % 5);
    EXPECT_GE(operations, cycles * 6 / 5);
    EXPECT_TRUE(errors("timed out").empty()) << errors("timed out").front();
}

}  // namespace
}  // namespace coretest
