// parsers_test.cpp - the parsers of numbers and of the error, cash-session and cash-level texts
// inside a callback: values out, failure lines logged.
#include <climits>

#include "events/leading_number.h"
#include "events/parsers.h"
#include "tests/support/core_fixture.h"

namespace {

using coretest::n;
using EventsTest = coretest::CoreTest;

TEST(LeadingNumber, ReadsLikeAtoiAndSaturates) {
    const std::pair<const char*, int> cases[] = {
        {"00001250", 1250}, {"  -5x", -5}, {"+7", 7}, {"0000000x", 0}, {"", 0}, {"- 5", 0},
        {"99999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(c.second, leadingNumber(c.first)) << c.first;
    std::string command, extInfo;
    int amount = 7, status = 0, mode = 0;
    EXPECT_EQ(2, formatCallbackArg("b-000001201", command, amount, status, mode, extInfo));
    EXPECT_EQ(0, amount);  // a negative amount is not handed out
}

// Error code at 14-15, session type and amount: result, values and the line of a failure.
TEST_F(EventsTest, ErrorCodesAndSessionTexts) {
    const struct { const char* text; short result; int code; const char* line; } codes[] = {
        {"ERR           12", 0, 12, ""},
        {"ERR           00 tail", 0, 0, ""},
        {"ERR           xx", 2, 0, "getErrorCode: errCode atoi-conversion failed"},
        {"ERR           -3", 2, 0, "getErrorCode: invalid errorCode from: ERR           -3"},
        {"short", 2, 0, "getErrorCode: wrong message length: short"}};
    for (const auto& c : codes) {
        int code = -1;
        EXPECT_EQ(c.result, getErrorCode(c.text, code)) << c.text;
        EXPECT_EQ(c.code, code) << c.text;
        EXPECT_TRUE(!*c.line || errors(c.line).size() == 1u) << c.text;
    }
    const struct { const char* text; short result, type; int amount; } sessions[] = {
        {"BO/WD00000100", 0, 0, 100},      {"BO/RF00000200", 0, 1, 200}, {"CR/WD12", 0, 2, 12},
        {"CR/RF00004200xyz", 0, 3, 4200},  {"QuaxV00009999", 0, 4, 0},   {"BO/WD", 0, 0, 0},
        {"XX/WD00000100", 2, -1, -1},      {"BO/W", 2, -1, -1}};
    for (const auto& c : sessions) {
        short type = -1;
        int amount = -1;
        EXPECT_EQ(c.result, getSessionInfo(c.text, type, amount)) << c.text;
        EXPECT_EQ(n(c.type) + " " + n(c.amount), n(type) + " " + n(amount)) << c.text;
    }
    EXPECT_EQ(2u, errors("getSessionInfo: Unknown infoType").size());
}

// "numberOf denomination type|..."; low and empty raise the warning; failures log their line.
TEST_F(EventsTest, CashLevelFormsAndDenominations) {
    const struct { const char* text; int decimals; const char* fields; } cases[] = {
        {"05 20           ", 2, "5 2000 2|Low|20|20 Low (5 Left)"},
        {"99 100          ", 2, "99 10000 2|Low|100|100 Low (99 Left)"},
        {"00 0,50         ", 2, "0 50 1|Empty|0,50|0,50 Empty"},
        {"05 20           ", 0, "5 20 2|Low|20|20 Low (5 Left)"},
        {"200 notes full  ", 2, "999 20000 3|High|200|200 High ( notes full)"},
        {"500/1000 EUR    ", 0, "999 500 3|High|500/1000|500/1000 High ( EUR)"}};
    for (const auto& c : cases) {
        g_CurrencyDecimals = c.decimals;
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
        CashLevels l;
        ASSERT_EQ(0, getCashLevels(c.text, l)) << c.text;
        EXPECT_EQ(c.fields, n(l.numberOf) + " " + n(l.denomination) + " " + n(l.warningType) +
                                "|" + l.typeString + "|" + l.denominationString + "|" +
                                l.warningMessage);
        EXPECT_EQ(l.warningType == 3 ? LOW_LEVEL_WARNING_FALSE : LOW_LEVEL_WARNING_TRUE,
                  g_nCurrentLowLevelWarningState.load()) << c.text;
    }
    const std::pair<const char*, const char*> failures[] = {
        {"05 20          ", "getCashLevels: wrong message length: 05 20"},
        {"A5 20           ", "getCashLevels: First character in message string is not numeric"},
        {"0x 20           ", "getCashLevels: strNumberOf conversion failed"},
        {"05 x0           ", "strDenomination conversion failed (denom=0), strDenomination = "},
        {"05 0,xx         ", "getCashLevels: getDenomination failed"}};
    for (const auto& c : failures) {
        CashLevels levels;
        levels.numberOf = levels.denomination = 7;
        const size_t before = errors(c.second).size();
        EXPECT_EQ(2, getCashLevels(c.first, levels)) << c.first;
        EXPECT_EQ(0, levels.numberOf) << c.first;
        EXPECT_EQ(before + 1, errors(c.second).size()) << c.first;
    }
    // A denomination's rest stops at the last character that is not a space.
    g_CurrencyDecimals = 2;
    int denomination = 0;
    std::string text, rest;
    ASSERT_EQ(0, getDenomination("05 10,00 coins left   ", 3, denomination, text, rest));
    EXPECT_EQ("10,00| coins left|1000", text + "|" + rest + "|" + n(denomination));
    ASSERT_EQ(0, getDenomination("0.5", 0, denomination, text, rest));
    EXPECT_EQ("0.5||5", text + "|" + rest + "|" + n(denomination));
    EXPECT_EQ(2, getDenomination("05 ", 9, denomination, text, rest));
    EXPECT_EQ("", text);
}

}  // namespace
