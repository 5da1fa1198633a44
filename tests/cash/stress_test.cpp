// stress_test.cpp - thousands of cash operations against a device that answers
// at once, with random busy spells of 0-3 ms per cash move: a wait that misses a
// report times out or ends its operation other than the device decided.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/support/core_fixture.h"
#include "tests/support/process_probe.h"

namespace coretest {
namespace {

class StressTest : public CashTest {
protected:
    const char* initSettings() const override {
        return "PayOutOkCheck:1;ChangeOkCheck:1;RegretOkCheck:1";
    }
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); }
    // A new busy spell for the next cash move, the stock back to full; the device's total.
    long long next() {
        EXPECT_EQ(0, qxsim_set_option("busy_ms", pick(0, 3)));
        for (const auto& level : stock) qxsim_set_level(level.first, level.second);
        ++operations;
        rest = -1;
        return qxsim_total_value();
    }
    // The move's result, the rest it wrote (-1: none) and the device's total after it.
    void expect(short result, short wanted, int wantedRest = -1, long long total = -1) {
        ASSERT_EQ(result, wanted) << "operation " << operations << ": " << message;
        ASSERT_EQ(rest, wantedRest) << "operation " << operations;
        ASSERT_TRUE(total < 0 || qxsim_total_value() == total)
            << "operation " << operations << ": the device holds " << qxsim_total_value();
    }

    std::mt19937 random;
    std::map<int, int> stock;
    int operations = 0, rest = -1;
};

TEST_F(StressTest, NoWaitMissesAReport) {
    const char* seedText = std::getenv("QX_STRESS_SEED");  // replays a run
    const unsigned seed = seedText ? std::strtoul(seedText, nullptr, 10) : std::random_device{}();
    std::printf("stress seed %u (QX_STRESS_SEED)\n", seed);
    random.seed(seed);
    ASSERT_EQ(0, qxsim_set_option("ms_per_char", 0));
    for (int value : qxtest::kDenominations)
        stock[value] = qxsim_level(value);
    const int cycles = qxtest::onWindows() || qxtest::sanitizerBuild() ? 250 : 700;
    for (int cycle = 0; cycle < cycles && !HasFatalFailure(); ++cycle) {
        const int kind = cycle % 5, paid = pick(100, 20000), due = pick(1, paid);
        const int amount = pick(1, 9000), extra = pick(1, 99999);
        if (kind < 2) payIn(kind == 0 ? paid : pick(1, 5000));
        if (kind == 2 || kind == 3) disable();
        const long long total = next();
        if (kind == 0)  // a sale: the device pays back the change
            expect(g_theLogics.amountDue(due, "sale", &rest, message), 0, 0, total - paid + due);
        if (kind == 1)
            expect(pick(0, 1) ? g_theLogics.change(message) : g_theLogics.regret(1, message), 0);
        if (kind == 2)
            expect(g_theLogics.dispense(amount, "", &rest, message), 0, 0, total - amount);
        if (kind == 3) {  // more than the device holds: the rest is the excess
            expect(g_theLogics.askPayout(static_cast<int>(total) + extra, &rest, message),
                   QX_STATUS_NOT_POSSIBLE, extra);
            next();
            expect(g_theLogics.askPayout(amount, &rest, message), QX_STATUS_OK, 0);
        }
        if (kind == 4) {
            expect(g_theLogics.logout(message), QX_STATUS_OK);
            next();
            expect(g_theLogics.login(1, 1, message), QX_STATUS_OK);
            EXPECT_EQ(g_theLogics.getVerifyQXStatus(), 3);
        }
    }
    EXPECT_GE(operations, cycles * 6 / 5);
    EXPECT_TRUE(errors("timed out").empty()) << errors("timed out").front();
}

}  // namespace
}  // namespace coretest
