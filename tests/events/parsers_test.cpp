// parsers_test.cpp - the callback splitter and the parsers of error,
// cash-session and cash-level texts: fields out, failure lines logged.
#include "events/leading_number.h"
#include "tests/support/core_fixture.h"

namespace {

using EventsTest = coretest::CoreTest;

TEST(LeadingNumber, ReadsLikeAtoiAndSaturates) {
    EXPECT_EQ(1250, leadingNumber("00001250"));
    EXPECT_EQ(-5, leadingNumber("  -5x"));
    EXPECT_EQ(7, leadingNumber("+7"));
    EXPECT_EQ(0, leadingNumber("0000000x"));
    EXPECT_EQ(0, leadingNumber(""));
    EXPECT_EQ(0, leadingNumber("- 5"));
    EXPECT_EQ(2147483647, leadingNumber("99999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, leadingNumber("-99999999999999999999"));
    EXPECT_EQ("", fieldAt("abc", 5, 2));
    EXPECT_EQ("c", fieldAt("abc", 2, 8));
}

class FormatCallbackArg : public EventsTest {
protected:
    short split(const std::string& text) {
        return formatCallbackArg(text, command, amount, status, mode, extInfo);
    }
    std::string command, extInfo;
    int amount = 0, status = 0, mode = 0;
};

TEST_F(FormatCallbackArg, SplitsStatusCallbacksIntoFields) {
    ASSERT_EQ(0, split("a0000125001"));
    EXPECT_EQ("a", command);
    EXPECT_EQ(1250, amount);
    EXPECT_EQ(0, status);
    EXPECT_EQ(1, mode);
    EXPECT_EQ("", extInfo);

    ASSERT_EQ(0, split("b0000000021 some text "));
    EXPECT_EQ(2, status);
    EXPECT_EQ(" some text ", extInfo);
}

TEST_F(FormatCallbackArg, RejectsMalformedStatusCallbacksWithTheirLine) {
    struct Case { std::string text, line; };
    const Case cases[] = {
        {"", "formatCallbackArg: Callback string too short"},
        {"b000012500", "formatCallbackArg: Callback string too short"},
        {"b0000000x01", "formatCallbackArg: amountOrRest atoi-conversion failed"},
        {"b-000001201", "formatCallbackArg invalid amountOrRest from: b-000001201"},
        {"b00000000x1", "formatCallbackArg: nStatus atoi-conversion failed"},
        {"b000000000-", "formatCallbackArg: nMode atoi-conversion failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::size_t before = errors(c.line).size();
        EXPECT_EQ(2, split(c.text));
        EXPECT_EQ(before + 1, errors(c.line).size());
    }
    EXPECT_EQ(0, amount);  // a negative amount is not handed out
}

TEST_F(FormatCallbackArg, VerificationCallbackNeedsTwentyOneCharacters) {
    EXPECT_EQ(2, split("x1234567890123456789"));
    ASSERT_EQ(0, split("x12345678901234567890"));
    EXPECT_EQ("12345678901234567890", extInfo);
    EXPECT_EQ(0, split("q"));  // unknown letters are the handler's business
    EXPECT_EQ("q", command);
}

TEST_F(EventsTest, ErrorCodeIsReadFromPositionsFourteenAndFifteen) {
    int code = -1;
    EXPECT_EQ(0, getErrorCode("ERR           12", code));
    EXPECT_EQ(12, code);
    EXPECT_EQ(0, getErrorCode("ERR           00 tail", code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(2, getErrorCode("ERR           xx", code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(1u, errors("getErrorCode: errCode atoi-conversion failed").size());
    EXPECT_EQ(2, getErrorCode("ERR           -3", code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(1u, errors("getErrorCode: invalid errorCode from: ERR           -3").size());
    EXPECT_EQ(2, getErrorCode("short", code));
    EXPECT_EQ(1u, errors("getErrorCode: wrong message length: short").size());
}

TEST_F(EventsTest, SessionTypesAndAmounts) {
    struct Case { std::string text; short type; int amount; };
    const Case cases[] = {{"BO/WD00000100", 0, 100}, {"BO/RF00000200", 1, 200},
                          {"CR/WD12", 2, 12},        {"CR/RF00004200xyz", 3, 4200},
                          {"QuaxV00009999", 4, 0},   {"BO/WD", 0, 0}};
    for (const Case& c : cases) {
        short type = -1;
        int amount = -1;
        EXPECT_EQ(0, getSessionInfo(c.text, type, amount)) << c.text;
        EXPECT_EQ(c.type, type) << c.text;
        EXPECT_EQ(c.amount, amount) << c.text;
    }
    short type = 0;
    int amount = 0;
    EXPECT_EQ(2, getSessionInfo("XX/WD00000100", type, amount));
    EXPECT_EQ(2, getSessionInfo("BO/W", type, amount));
    EXPECT_EQ(2u, errors("getSessionInfo: Unknown infoType").size());
}

TEST_F(EventsTest, CashLevelFormsWithTwoAndNoDecimals) {
    struct Case {
        std::string text;
        int decimals, numberOf, denomination, warningType;
        std::string type, denominationString, message;
    };
    const Case cases[] = {
        {"05 20           ", 2, 5, 2000, 2, "Low", "20", "20 Low (5 Left)"},
        {"99 100          ", 2, 99, 10000, 2, "Low", "100", "100 Low (99 Left)"},
        {"00 0,50         ", 2, 0, 50, 1, "Empty", "0,50", "0,50 Empty"},
        {"05 20           ", 0, 5, 20, 2, "Low", "20", "20 Low (5 Left)"},
        {"200 notes full  ", 2, 999, 20000, 3, "High", "200", "200 High ( notes full)"},
        {"500/1000 EUR    ", 0, 999, 500, 3, "High", "500/1000", "500/1000 High ( EUR)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " decimals " + std::to_string(c.decimals));
        g_CurrencyDecimals = c.decimals;
        g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
        CashLevels levels;
        ASSERT_EQ(0, getCashLevels(c.text, levels));
        EXPECT_EQ(c.numberOf, levels.numberOf);
        EXPECT_EQ(c.denomination, levels.denomination);
        EXPECT_EQ(c.warningType, levels.warningType);
        EXPECT_EQ(c.type, levels.typeString);
        EXPECT_EQ(c.denominationString, levels.denominationString);
        EXPECT_EQ(c.message, levels.warningMessage);
        // Only the low and empty forms raise the warning state.
        EXPECT_EQ(c.warningType == 3 ? LOW_LEVEL_WARNING_FALSE : LOW_LEVEL_WARNING_TRUE,
                  g_nCurrentLowLevelWarningState.load());
    }
}

TEST_F(EventsTest, CashLevelFailuresAreLogged) {
    struct Case { std::string text, line; };
    const Case cases[] = {
        {"05 20          ", "getCashLevels: wrong message length: 05 20"},
        {"A5 20           ", "getCashLevels: First character in message string is not numeric"},
        {"0x 20           ", "getCashLevels: strNumberOf conversion failed"},
        {"05 x0           ", "strDenomination conversion failed (denom=0), strDenomination = "},
        {"05 0,xx         ", "getCashLevels: getDenomination failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CashLevels levels;
        levels.numberOf = levels.denomination = 7;
        const std::size_t before = errors(c.line).size();
        EXPECT_EQ(2, getCashLevels(c.text, levels));
        EXPECT_EQ(0, levels.numberOf);
        EXPECT_EQ(before + 1, errors(c.line).size());
    }
}

TEST_F(EventsTest, DenominationRestStopsAtTheLastNonSpace) {
    int denomination = 0;
    std::string text, rest;
    ASSERT_EQ(0, getDenomination("05 10,00 coins left   ", 3, denomination, text, rest));
    EXPECT_EQ("10,00", text);
    EXPECT_EQ(" coins left", rest);
    EXPECT_EQ(1000, denomination);
    ASSERT_EQ(0, getDenomination("0.5", 0, denomination, text, rest));
    EXPECT_EQ(5, denomination);
    EXPECT_EQ("", rest);
    EXPECT_EQ(2, getDenomination("05 ", 9, denomination, text, rest));
    EXPECT_EQ("", text);
}

}  // namespace
