// sim_stock_test.cpp - the simulated recycler's stock: the stock file, the
// per-denomination thresholds and the cash-level texts they cause.
#include <gtest/gtest.h>

#include "tests/link/link_fixture.h"

namespace qxtest {
namespace {

const char* const kConfigVariable = "QXSIM_CONFIG";

class SimStockTest : public LinkTest {
protected:
    void TearDown() override {
        unsetEnv(kConfigVariable);
        LinkTest::TearDown();
    }
    // Writes text as a stock file and loads it; the reason when refused.
    int load(const std::string& text, std::string* reason = nullptr) {
        std::string path = writeStock(text);
        char why[128] = "untouched";
        int result = sim.loadConfig(path.c_str(), why, sizeof why);
        if (reason) *reason = why;
        return result;
    }
    std::string writeStock(const std::string& text) {
        std::string path = makeTempDir("stock") + qxplat::pathSeparator() + "stock.cfg";
        writeFile(path, text);
        return path;
    }
    // Dispenses amount and returns the cash-level texts it caused.
    std::vector<std::string> levelTextsOfDispense(int amount) {
        clearCallbacks();
        EXPECT_EQ(g_link.dispense(amount, "", message), QX_STATUS_OK);
        std::vector<std::string> levels;
        for (const std::string& text : callbacks())
            if (text[0] == 'b') levels.push_back(text.substr(11));
        return levels;
    }
};

TEST_F(SimStockTest, FileReplacesTheWholeStock) {
    ASSERT_EQ(load("# a small float\n"
                   "\n"
                   "2000 = 4 low=3 empty=1 high=6\n"
                   "  500=12   # coins below\n"
                   "100 = 7 high=9\r\n"),
              0);
    EXPECT_EQ(sim.level(2000), 4);
    EXPECT_EQ(sim.level(500), 12);
    EXPECT_EQ(sim.level(100), 7);
    // Denominations the file does not name are not held at all.
    EXPECT_EQ(sim.level(20000), -1);
    EXPECT_EQ(sim.level(1), -1);
    EXPECT_EQ(sim.totalValue(), 4 * 2000 + 12 * 500 + 7 * 100);
}

TEST_F(SimStockTest, MalformedFilesAreRefusedWholeWithTheirReason) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"2000 = 4\n20x0 = 3\n", "line 2: denomination is not a positive amount: '20x0'"},
        {"0 = 3\n", "line 1: denomination is not a positive amount: '0'"},
        {"2000 4\n", "line 1: expected '<denomination> = <count>'"},
        {"20 00 = 4\n", "line 1: expected '<denomination> = <count>'"},
        {"= 4\n", "line 1: expected '<denomination> = <count>'"},
        {"2000 =\n", "line 1: count is not a number: ''"},
        {"2000 = -4\n", "line 1: count is not a number: '-4'"},
        {"2000 = 123456789\n", "line 1: count is not a number: '123456789'"},
        {"2000 = 4 lo=2\n", "line 1: unknown setting 'lo=2'"},
        {"2000 = 4 low 2\n", "line 1: unknown setting 'low'"},
        {"2000 = 4 low=two\n", "line 1: low is not a count: 'two'"},
        {"2000 = 4 high=9 high=8\n", "line 1: high given twice"},
        {"2000 = 4 low=5 empty=6\n", "line 1: thresholds must keep empty <= low < high"},
        {"2000 = 4 low=9 high=9\n", "line 1: thresholds must keep empty <= low < high"},
        {"# only a comment\n\n", "no denominations"},
        {"500 = 1\n2000 = 4\n500 = 2\n", "line 3: denomination 500 given twice"},
    };
    long long before = sim.totalValue();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string reason;
        EXPECT_EQ(load(c.text, &reason), -1);
        EXPECT_EQ(reason, c.reason);
    }
    // Nothing of a refused file was taken.
    EXPECT_EQ(sim.totalValue(), before);
    EXPECT_EQ(sim.level(2000), 30);

    char reason[64] = "";
    EXPECT_EQ(sim.loadConfig("/no/such/stock.cfg", reason, sizeof reason), -1);
    EXPECT_STREQ(reason, "cannot open /no/such/stock.cfg");
    // A successful load leaves an empty reason.
    std::string why;
    EXPECT_EQ(load("2000 = 1\n", &why), 0);
    EXPECT_EQ(why, "");
}

TEST_F(SimStockTest, EachDenominationReportsAtItsOwnThresholds) {
    ASSERT_EQ(load("5000 = 10\n2000 = 4 low=3 empty=1 high=6\n"), 0);
    ASSERT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
    // 4 -> 3 reaches low; 3 -> 2 is still low; 2 -> 1 reaches empty.
    EXPECT_EQ(levelTextsOfDispense(2000), std::vector<std::string>{"03 20           "});
    EXPECT_EQ(levelTextsOfDispense(2000), std::vector<std::string>{"02 20           "});
    EXPECT_EQ(levelTextsOfDispense(2000), std::vector<std::string>{"00 20           "});
    // 5000 keeps the default low mark of 5: ten falling to nine says nothing.
    EXPECT_TRUE(levelTextsOfDispense(5000).empty());

    // Rising to the high mark of 6 is reported once, in the high form.
    g_link.enablePayin(message);
    clearCallbacks();
    for (int i = 0; i < 6; ++i) ASSERT_EQ(sim.insert(2000), 0);
    std::vector<std::string> highs;
    for (const std::string& text : callbacks())
        if (text[0] == 'b') highs.push_back(text.substr(11));
    EXPECT_EQ(highs, std::vector<std::string>{"20,00 HIGH      "});
    EXPECT_EQ(sim.level(2000), 7);
}

TEST_F(SimStockTest, ThresholdsSetThroughTheControlEntry) {
    EXPECT_EQ(sim.setThresholds(50, 40, 45, 100), -1);  // empty above low
    EXPECT_EQ(sim.setThresholds(50, 40, 10, 40), -1);   // low not below high
    EXPECT_EQ(sim.setThresholds(30, 4, 1, 9), -1);      // no such coin
    ASSERT_EQ(sim.setThresholds(50, 49, 48, 100), 0);
    ASSERT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
    // 50 coins: paying 1.50 leaves 47, at or below the empty mark of 48.
    sim.setLevel(100, 0);
    EXPECT_EQ(levelTextsOfDispense(150), std::vector<std::string>{"00 0,50         "});
    // The old options still move every denomination's mark at once.
    ASSERT_EQ(sim.setOption("low_level_threshold", 29), 0);
    EXPECT_EQ(levelTextsOfDispense(1000), std::vector<std::string>{"29 10           "});
}

TEST_F(SimStockTest, EmptyMarkShapesTheShortStockOfAskPayout) {
    ASSERT_EQ(load("200 = 3 low=4 empty=3\n100 = 0\n"), 0);
    ASSERT_EQ(g_link.login(1, 1, message), QX_STATUS_OK);
    clearCallbacks();
    EXPECT_EQ(g_link.askPayOut(900, message), QX_STATUS_OK);
    // Three 2.00 coins pay 6.00; the 2.00 stock is at its empty mark.
    std::vector<std::string> expected = {"c0000030031", "b0000000031" + std::string("00 2            "),
                                         "a0000000031"};
    EXPECT_EQ(callbacks(), expected);
}

TEST_F(SimStockTest, FileNamedInTheEnvironmentStocksTheFirstOpen) {
    setEnv(kConfigVariable, writeStock("1000 = 3\n"));
    sim.reset();
    ASSERT_EQ(reopen(), QX_STATUS_OK) << message;
    EXPECT_EQ(sim.level(1000), 3);
    EXPECT_EQ(sim.level(2000), -1);
    // The device keeps its cash over a reconnection.
    sim.setLevel(1000, 8);
    ASSERT_EQ(reopen(), QX_STATUS_OK);
    EXPECT_EQ(sim.level(1000), 8);

    // A file it cannot read keeps the port shut and says why.
    setEnv(kConfigVariable, writeStock("1000 = 3 low=x\n"));
    sim.reset();
    EXPECT_EQ(reopen("COM3"), 1);
    EXPECT_STREQ(message, "Config: line 1: low is not a count: 'x'");
    EXPECT_EQ(g_link.dispense(100, "", message), QX_STATUS_ERROR);
    unsetEnv(kConfigVariable);
    EXPECT_EQ(reopen(), QX_STATUS_OK);
    EXPECT_EQ(sim.level(2000), 30);
}

}  // namespace
}  // namespace qxtest
