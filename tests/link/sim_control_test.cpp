// sim_control_test.cpp - the simulator driven through its control entries:
// a sale's cash, injected faults, busy spells and a refused open, each as
// the library sees it through the link.
#include <gtest/gtest.h>

#include "sim/qxsim.h"
#include "tests/link/link_fixture.h"

namespace qxtest {
namespace {

class SimControlTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        ASSERT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
        clearCallbacks();
    }
    // The "b" texts delivered so far, from their extInfo on.
    std::vector<std::string> reportsOfB() {
        std::vector<std::string> extInfo;
        for (const std::string& text : callbacks())
            if (text[0] == 'b') extInfo.push_back(text.substr(9));
        return extInfo;
    }
};

TEST_F(SimControlTest, PaidInNoteAndPaidOutChangeMoveTheRightItems) {
    long long before = sim.totalValue();
    int notes2000 = sim.level(2000), notes500 = sim.level(500);
    int coins200 = sim.level(200), coins50 = sim.level(50);
    ASSERT_EQ(g_link.enablePayin(message), QX_STATUS_OK);
    ASSERT_EQ(sim.insert(2000), 0);
    EXPECT_EQ(callbacks().back(), "a0000200001");
    ASSERT_EQ(g_link.disablePayin(message), QX_STATUS_OK);

    // 20.00 taken for a 12.50 sale: 7.50 back as 5 + 2 + 0.50.
    clearCallbacks();
    ASSERT_EQ(g_link.doPayOut(750, 2000, "", message), QX_STATUS_OK);
    std::vector<std::string> expected = {"a0000200011", "a0000000031"};
    EXPECT_EQ(callbacks(), expected);
    EXPECT_EQ(sim.level(2000), notes2000 + 1);
    EXPECT_EQ(sim.level(500), notes500 - 1);
    EXPECT_EQ(sim.level(200), coins200 - 1);
    EXPECT_EQ(sim.level(50), coins50 - 1);
    EXPECT_EQ(sim.totalValue(), before + 2000 - 750);
    EXPECT_EQ(sim.cashBox(), 2000);

    // The logout's session texts say what the device paid and kept.
    clearCallbacks();
    ASSERT_EQ(g_link.logout(message), QX_STATUS_OK);
    std::vector<std::string> texts = callbacks();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].substr(9), "31CR/WD00000750");
    EXPECT_EQ(texts[1].substr(9), "31CR/RF00002000");
    EXPECT_EQ(texts[2], "a0000000030");
}

TEST_F(SimControlTest, UnpayableDispenseEndsInErrorAndKeepsTheCash) {
    for (int denomination : {50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2})
        sim.setLevel(denomination, 0);
    sim.setLevel(1, 3);
    clearCallbacks();
    EXPECT_EQ(g_link.askPayOut(10, message), QX_STATUS_OK);
    EXPECT_EQ(callbacks().front(), "c0000000731");

    clearCallbacks();
    long long before = sim.totalValue();
    EXPECT_EQ(g_link.dispense(10, "", message), QX_STATUS_OK);
    std::vector<std::string> b = reportsOfB();
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0], "21Payout failed 12");
    EXPECT_EQ(sim.totalValue(), before);
    // In error the device refuses cash commands until it is reset.
    EXPECT_EQ(g_link.dispense(1, "", message), QX_STATUS_ERROR);
}

TEST_F(SimControlTest, InjectedFaultsReportTheirCodeAndResetClearsThem) {
    const struct {
        int code;
        const char* text;
    } faults[] = {
        {QXSIM_FAULT_NOTE_JAM, "Note jam      01"},
        {QXSIM_FAULT_COIN_JAM, "Coin jam      02"},
        {QXSIM_FAULT_CASSETTE_MISSING, "No cassette   06"},
        {QXSIM_FAULT_DOOR_OPEN, "Door open     05"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.text);
        clearCallbacks();
        ASSERT_EQ(sim.setOption("error_code", fault.code), 0);
        std::vector<std::string> b = reportsOfB();
        ASSERT_EQ(b.size(), 1u);
        // Status 2, mode 1, then the error text with its code at 14-15.
        EXPECT_EQ(b[0], std::string("21") + fault.text);
        EXPECT_EQ(g_link.enablePayin(message), QX_STATUS_ERROR);

        clearCallbacks();
        EXPECT_EQ(g_link.reset(message), QX_STATUS_OK);
        std::vector<std::string> texts = callbacks();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], "a0000000031");
        EXPECT_EQ(texts[1].substr(11), "QuaxVault restarted");
        EXPECT_EQ(g_link.enablePayin(message), QX_STATUS_OK);
        g_link.disablePayin(message);
    }
}

TEST_F(SimControlTest, BusySpellAnswersBusyThenReportsIdleWithWhatWasPaidIn) {
    ASSERT_EQ(g_link.enablePayin(message), QX_STATUS_OK);
    clearCallbacks();
    ASSERT_EQ(sim.setOption("busy_for_ms", 200), 0);
    EXPECT_EQ(g_link.disablePayin(message), QX_STATUS_BUSY);
    EXPECT_EQ(g_link.dispense(100, "", message), QX_STATUS_BUSY);
    // A customer keeps feeding the device while it is busy.
    ASSERT_EQ(sim.insert(500), 0);
    std::vector<std::string> texts = callbacks();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts.front(), "a0000000011");
    EXPECT_EQ(texts.back(), "a0000050001");
    EXPECT_EQ(g_link.disablePayin(message), QX_STATUS_OK);
    // A spell of 0 is no spell.
    clearCallbacks();
    ASSERT_EQ(sim.setOption("busy_for_ms", 0), 0);
    EXPECT_TRUE(callbacks().empty());
}

TEST_F(SimControlTest, RefusedInitiateGivesItsResultAndAnswerUntilLifted) {
    sim.refuseInitiate(7, "COM9 in use by another program");
    EXPECT_EQ(reopen("COM9"), 7);
    EXPECT_STREQ(message, "COM9 in use by another program");
    EXPECT_EQ(g_link.dispense(100, "", message), QX_STATUS_ERROR);

    // Without an answer of its own the device names the port.
    sim.refuseInitiate(3, nullptr);
    EXPECT_EQ(reopen("COM4"), 3);
    EXPECT_STREQ(message, "Cannot open port COM4");

    sim.refuseInitiate(0, nullptr);
    EXPECT_EQ(reopen(), QX_STATUS_OK) << message;
    EXPECT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
}

}  // namespace
}  // namespace qxtest
