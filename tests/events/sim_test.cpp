// sim_test.cpp - the simulated recycler as the link sees it: its cash after each move and the
// texts it reports, its stock file and thresholds, faults, busy spells and lost callbacks.
#include "tests/support/core_fixture.h"

namespace {

using coretest::n;
using Lines = std::vector<std::string>;

int QX_CALLBACK_CALL rawText(char* text) {
    coretest::Recorder::get().add(text);
    return 1;
}

// Logged in, the device's texts recorded as they come.
class SimTest : public coretest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(0, reopen()) << message;
        ASSERT_EQ(0, g_link.login(1, 1, message));
        texts();
    }
    // Closes and opens the port again, as exitQX and initQX do.
    short reopen(const char* port = "COM1") {
        g_link.exit(message);
        return g_link.initialize(rawText, port, message);
    }
    // The texts since the last call, once the device is idle.
    static Lines texts() {
        settle();
        Lines lines = events();
        coretest::Recorder::get().clear();
        return lines;
    }
    // The cash-level texts since the last call, after a dispense of amount if any.
    Lines levelTexts(int amount = 0) {
        EXPECT_TRUE(!amount || g_link.dispense(amount, "", message) == QX_STATUS_OK);
        Lines levels;
        for (const std::string& text : texts())
            if (text[0] == 'b') levels.push_back(text.substr(11));
        return levels;
    }
    static std::string levels() {
        std::string counts;
        for (int d : {2000, 1000, 500, 200, 100, 50, 20}) counts += n(qxsim_level(d)) + " ";
        return counts;
    }
    static std::string stockFile(const std::string& text) {
        const std::string path = qxtest::makeTempDir("stock") + qxplat::pathSeparator() + "s.cfg";
        qxtest::writeFile(path, text);
        return path;
    }
    // Loads text as the stock: the reason when refused, else "".
    static std::string load(const std::string& text) {
        char reason[128] = "untouched";
        const int result = qxsim_load_config(stockFile(text).c_str(), reason, sizeof reason);
        EXPECT_EQ(*reason ? -1 : 0, result);
        return reason;
    }
};

// Paid-in cash reported as it comes, regret, change paid greedily, booking, logout's session.
TEST_F(SimTest, SaleMovesTheRightItems) {
    const long long before = qxsim_total_value();
    ASSERT_EQ(0, g_link.enablePayin(message));
    ASSERT_EQ(0, qxsim_insert(2000));
    ASSERT_EQ(0, qxsim_insert(700));  // a 500 note and a 200 coin
    EXPECT_EQ((Lines{"a0000000001", "a0000200001", "a0000270001"}), texts());
    EXPECT_EQ(0, g_link.regret(message));
    EXPECT_EQ((Lines{"a0000270011", "a0000250001"}), texts());
    EXPECT_EQ("31 30 31 50 50 50 50 ", levels());
    // 25.00 taken for a 17.50 sale: 7.50 back as 5 + 2 + 0.50.
    EXPECT_EQ(0, g_link.doPayOut(750, 2500, "", message));
    EXPECT_EQ((Lines{"a0000250011", "a0000000001"}), texts());
    EXPECT_EQ("31 30 30 49 50 49 50 ", levels());
    EXPECT_EQ(before + 2500 - 750, qxsim_total_value());
    EXPECT_EQ(2500, qxsim_cash_box());
    EXPECT_EQ(0, g_link.logout(message));
    EXPECT_EQ((Lines{"b0000000001CR/WD00000750", "b0000000001CR/RF00002500", "a0000000030"}),
              texts());
    EXPECT_EQ(-1, qxsim_insert(100));
}

// Ask reports what it cannot pay; a payout it cannot cover ends in error and keeps the cash.
TEST_F(SimTest, PayoutsPayGreedilyOrEndInError) {
    EXPECT_EQ(0, g_link.dispense(3850, "", message));
    EXPECT_EQ((Lines{"a0000000011", "a0000000031"}), texts());
    EXPECT_EQ("29 29 29 49 49 49 50 ", levels());  // 20 + 10 + 5 + 2 + 1 + 0.50
    EXPECT_EQ(0, g_link.askPayOut(3850, message));
    EXPECT_EQ(Lines{"c0000000031"}, texts());
    for (int coin : {100, 50, 20, 10, 5, 2, 1}) qxsim_set_level(coin, 0);
    qxsim_set_level(200, 1);
    const long long kept = qxsim_total_value();
    EXPECT_EQ(0, g_link.askPayOut(300, message));
    // 200 is paid, 100 is left; the 100 coin is the stock that ran out.
    EXPECT_EQ((Lines{"c0000010031", "b0000000031" "00 1            ", "a0000000031"}), texts());
    EXPECT_EQ(0, g_link.dispense(300, "", message));
    EXPECT_EQ((Lines{"a0000000011", "b0000000021Payout failed 12"}), texts());
    EXPECT_EQ(kept, qxsim_total_value());
    EXPECT_EQ(QX_STATUS_ERROR, g_link.dispense(100, "", message));
}

// A fault is reported with its code at 14-15 and refuses cash commands until a reset.
TEST_F(SimTest, InjectedFaultsReportTheirCodeUntilReset) {
    for (const std::string fault : {"Note jam      01", "Coin jam      02", "No cassette   06",
                                    "Door open     05"}) {
        ASSERT_EQ(0, qxsim_set_option("error_code", std::stoi(fault.substr(14))));
        EXPECT_EQ(Lines{"b0000000021" + fault}, texts());
        EXPECT_EQ(QX_STATUS_ERROR, g_link.enablePayin(message));
        EXPECT_EQ(0, g_link.reset(message));
        EXPECT_EQ((Lines{"a0000000031", "b0000000031QuaxVault restarted"}), texts());
        EXPECT_EQ(0, g_link.enablePayin(message));
        texts();
    }
}

// Lost callbacks still move cash; a busy spell answers busy, then reports what was paid in.
TEST_F(SimTest, LostCallbacksAndBusySpells) {
    const long long before = qxsim_total_value();
    ASSERT_EQ(0, qxsim_set_option("drop_callbacks", 2));
    EXPECT_EQ(0, g_link.dispense(500, "", message));
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(before - 500, qxsim_total_value());
    EXPECT_EQ(0, g_link.enablePayin(message));
    EXPECT_EQ(Lines{"a0000000001"}, texts());
    // Long enough for the two commands below to meet it even on a loaded machine.
    ASSERT_EQ(0, qxsim_set_option("busy_for_ms", 1000));
    EXPECT_EQ(QX_STATUS_BUSY, g_link.disablePayin(message));
    EXPECT_EQ(QX_STATUS_BUSY, g_link.dispense(100, "", message));
    ASSERT_EQ(0, qxsim_insert(500));  // the customer goes on paying
    const Lines got = texts();
    EXPECT_EQ("a0000000011 a0000050001", got.empty() ? "" : got.front() + " " + got.back());
    EXPECT_EQ(0, g_link.disablePayin(message));
    texts();
    ASSERT_EQ(0, qxsim_set_option("busy_for_ms", 0));  // no spell
    EXPECT_TRUE(texts().empty());
}

// A stock file replaces the whole stock; a malformed one is refused whole.
TEST_F(SimTest, StockFileReplacesTheStockOrIsRefusedWhole) {
    const std::pair<const char*, const char*> refused[] = {
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
    const long long before = qxsim_total_value();
    for (const auto& c : refused) EXPECT_EQ(c.second, load(c.first)) << c.first;
    EXPECT_EQ(before, qxsim_total_value());
    char reason[64] = "";
    EXPECT_EQ(-1, qxsim_load_config("/no/such/stock.cfg", reason, sizeof reason));
    EXPECT_STREQ("cannot open /no/such/stock.cfg", reason);
    EXPECT_EQ("", load("# a small float\n\n2000 = 4 low=3 empty=1 high=6\n"
                       "  500=12   # coins below\n100 = 7 high=9\r\n"));
    EXPECT_EQ("4 -1 12 -1 7 -1 -1 ", levels());
    EXPECT_EQ(4 * 2000 + 12 * 500 + 7 * 100, qxsim_total_value());
}

// Marks from the control entry, the option for all and the stock file; ask's short stock.
TEST_F(SimTest, EachDenominationReportsAtItsOwnThresholds) {
    EXPECT_EQ(-1, qxsim_set_thresholds(50, 40, 45, 100));  // empty above low
    EXPECT_EQ(-1, qxsim_set_thresholds(50, 40, 10, 40));   // low not below high
    EXPECT_EQ(-1, qxsim_set_thresholds(30, 4, 1, 9));      // no such coin
    ASSERT_EQ(0, qxsim_set_thresholds(50, 49, 48, 100));
    qxsim_set_level(100, 0);
    // 50 coins: paying 1.50 leaves 47, at or below the empty mark of 48.
    EXPECT_EQ(Lines{"00 0,50         "}, levelTexts(150));
    ASSERT_EQ(0, qxsim_set_option("low_level_threshold", 29));
    EXPECT_EQ(Lines{"29 10           "}, levelTexts(1000));
    ASSERT_EQ("", load("200 = 3 low=4 empty=3\n100 = 0\n"));
    EXPECT_EQ(0, g_link.askPayOut(900, message));
    // Three 2.00 coins pay 6.00; the 2.00 stock is at its empty mark.
    EXPECT_EQ((Lines{"c0000030031", "b0000000031" "00 2            ", "a0000000031"}), texts());
    // 4 -> 3 low, 3 -> 2 still low, 2 -> 1 empty; 5000 keeps low 5; rising to high reports once.
    ASSERT_EQ("", load("5000 = 10\n2000 = 4 low=3 empty=1 high=6\n"));
    for (const char* text : {"03 20           ", "02 20           ", "00 20           "})
        EXPECT_EQ(Lines{text}, levelTexts(2000));
    EXPECT_TRUE(levelTexts(5000).empty());
    ASSERT_EQ(0, g_link.enablePayin(message));
    for (int i = 0; i < 6; ++i) ASSERT_EQ(0, qxsim_insert(2000));
    EXPECT_EQ(Lines{"20,00 HIGH      "}, levelTexts());
    EXPECT_EQ(7, qxsim_level(2000));
}

// QXSIM_CONFIG stocks the first open after a reset; a file it cannot read keeps the port shut.
TEST_F(SimTest, FileNamedInTheEnvironmentStocksTheFirstOpen) {
    qxtest::setEnv("QXSIM_CONFIG", stockFile("1000 = 3\n"));
    qxsim_reset();
    EXPECT_EQ(0, reopen()) << message;
    EXPECT_EQ("-1 3 -1 -1 -1 -1 -1 ", levels());
    qxsim_set_level(1000, 8);
    EXPECT_EQ(0, reopen());
    EXPECT_EQ(8, qxsim_level(1000));
    qxtest::setEnv("QXSIM_CONFIG", stockFile("1000 = 3 low=x\n"));
    qxsim_reset();
    EXPECT_EQ(1, reopen("COM3"));
    EXPECT_STREQ("Config: line 1: low is not a count: 'x'", message);
    EXPECT_EQ(QX_STATUS_ERROR, g_link.dispense(100, "", message));
    qxtest::unsetEnv("QXSIM_CONFIG");
    EXPECT_EQ(0, reopen());
    EXPECT_EQ(30, qxsim_level(2000));
}

}  // namespace
