// sim_model_test.cpp - the simulated recycler: change-making, its cash
// after each move and the callbacks it reports them with.
#include <gtest/gtest.h>

#include "tests/link/link_fixture.h"

namespace qxtest {
namespace {

class SimModelTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        ASSERT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
        clearCallbacks();
    }
    // Leaves only the 200 coin (one of it) among the coins below 500.
    void emptySmallCoins() {
        for (int coin : {100, 50, 20, 10, 5, 2, 1}) sim.setLevel(coin, 0);
        sim.setLevel(200, 1);
    }
};

TEST_F(SimModelTest, AskPayoutReportsTheRestItCannotPay) {
    EXPECT_EQ(g_link.askPayOut(3850, message), QX_STATUS_OK);
    EXPECT_EQ(callbacks(), std::vector<std::string>{"c0000000031"});

    clearCallbacks();
    emptySmallCoins();
    EXPECT_EQ(g_link.askPayOut(300, message), QX_STATUS_OK);
    // 200 is paid, 100 is left; the 100 coin is the stock that ran out.
    std::vector<std::string> expected = {"c0000010031", "b0000000031" + std::string("00 1            "),
                                         "a0000000031"};
    EXPECT_EQ(callbacks(), expected);
    // Asking moves no cash.
    EXPECT_EQ(sim.level(200), 1);
}

TEST_F(SimModelTest, DispensePaysGreedilyFromTheInventory) {
    long long before = sim.totalValue();
    int notes2000 = sim.level(2000);
    EXPECT_EQ(g_link.dispense(3850, "", message), QX_STATUS_OK);
    std::vector<std::string> expected = {"a0000000011", "a0000000031"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.totalValue(), before - 3850);
    EXPECT_EQ(sim.level(2000), notes2000 - 1);
    EXPECT_EQ(sim.level(1000), 29);
    EXPECT_EQ(sim.level(500), 29);
    EXPECT_EQ(sim.level(200), 49);
    EXPECT_EQ(sim.level(100), 49);
    EXPECT_EQ(sim.level(50), 49);
    EXPECT_EQ(sim.level(20), 50);
}

TEST_F(SimModelTest, PayoutThatCannotBeCoveredEndsInError) {
    emptySmallCoins();
    long long before = sim.totalValue();
    EXPECT_EQ(g_link.dispense(300, "", message), QX_STATUS_OK);
    std::vector<std::string> texts = callbacks();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].substr(0, 11), "b0000000021");
    EXPECT_EQ(texts[1].substr(11 + 14, 2), "12");
    EXPECT_EQ(sim.totalValue(), before);
    // In error the device refuses cash commands until it is reset.
    EXPECT_EQ(g_link.dispense(100, "", message), QX_STATUS_ERROR);
    clearCallbacks();
    EXPECT_EQ(g_link.reset(message), QX_STATUS_OK);
    std::vector<std::string> expected = {"a0000000031", "b0000000031QuaxVault restarted"};
    EXPECT_EQ(callbacks(), expected);
}

TEST_F(SimModelTest, PaidInCashIsReportedBookedAndRegretted) {
    ASSERT_EQ(g_link.enablePayin(message), QX_STATUS_OK);
    ASSERT_EQ(sim.insert(2000), 0);
    ASSERT_EQ(sim.insert(700), 0);  // a 500 note and a 200 coin
    std::vector<std::string> expected = {"a0000000001", "a0000200001", "a0000270001"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.level(500), 31);

    clearCallbacks();
    EXPECT_EQ(g_link.regret(message), QX_STATUS_OK);  // the 200 coin goes back
    expected = {"a0000270011", "a0000250001"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.level(200), 50);

    clearCallbacks();
    EXPECT_EQ(g_link.doPayOut(500, 2500, "", message), QX_STATUS_OK);
    expected = {"a0000250011", "a0000000001"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.cashBox(), 2500);
    // The register session closes with what it moved.
    clearCallbacks();
    EXPECT_EQ(g_link.logout(message), QX_STATUS_OK);
    expected = {"b0000000001CR/WD00000500", "b0000000001CR/RF00002500", "a0000000030"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.insert(100), -1);
}

TEST_F(SimModelTest, DroppedCallbacksAreLostButTheCashStillMoves) {
    sim.setOption("drop_callbacks", 2);
    long long before = sim.totalValue();
    EXPECT_EQ(g_link.dispense(500, "", message), QX_STATUS_OK);
    // The busy and the idle report are both lost; the next one arrives.
    EXPECT_TRUE(callbacks().empty());
    EXPECT_EQ(sim.totalValue(), before - 500);
    EXPECT_EQ(g_link.enablePayin(message), QX_STATUS_OK);
    EXPECT_EQ(callbacks(), std::vector<std::string>{"a0000000001"});
}

}  // namespace
}  // namespace qxtest
