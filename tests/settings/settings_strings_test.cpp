// settings_strings_test.cpp - the tag reader and the number reader of
// tagged value strings, with the messages they leave for their callers.
#include <gtest/gtest.h>

#include "settings/settings_strings.h"

namespace {

struct TagCase {
    const char* input;
    const char* tag;
    const char* value;
    const char* message;  // "" when the reader leaves the message alone
};

TEST(GetSettingsTag, FindsValuesAndReportsEachFailure) {
    const TagCase cases[] = {
        {"", "Name:", "GETSETTINGSTAGINVALID", "getSettingsTag: Input string too small"},
        {"Type:RS232", "Name:", "GETSETTINGSTAGINVALID",
         "getSettingsTag: Field name not found."},
        {"Type:RS232;Name:", "Name:", "GETSETTINGSTAGINVALID",
         "getSettingsTag: Find field value failed."},
        {"Type:RS232;Name:COM3", "Name:", "COM3", ""},
        {"Name:COM3;Type:RS232", "Name:", "COM3", ""},
        // A ';' right after the tag does not end the value.
        {"StatusOkTimeout:;ChangeOkCheck:1", "StatusOkTimeout:", ";ChangeOkCheck:1", ""},
        // First occurrence counts; the search is a plain substring search.
        {"XName:a;Name:b", "Name:", "a", ""},
    };
    for (const TagCase& c : cases) {
        std::string message = "untouched";
        EXPECT_EQ(getSettingsTag(c.tag, c.input, message), c.value) << c.input;
        EXPECT_EQ(message, *c.message ? c.message : "untouched") << c.input;
    }
}

TEST(StringToInt, ReadsLeadingNumbersWithTheirMessages) {
    struct { const char* text; int value; const char* message; } cases[] = {
        {"", -1, "stringToInt: Empty string"},
        {"0", 0, "stringToInt: Zero string value, Ok"},
        {"00", 0, "stringToInt: Zero string value, Ok"},
        {"15xyz", 15, "stringToInt: Non-zero string value, Ok"},
        {"-5", -5, "stringToInt: Non-zero string value, Ok"},
        {"abc", -1, "stringToInt: inparam non-numeric"},
        {"0x", -1, "stringToInt: inparam non-numeric"},
        {"99999999999", 2147483647, "stringToInt: Non-zero string value, Ok"},  // no wrap
    };
    for (const auto& c : cases) {
        std::string message;
        EXPECT_EQ(stringToInt(c.text, message), c.value) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
}

TEST(GetSettingsTagValue, MissingTagIsMinusOneAndPresentValueIsRead) {
    std::string message;
    EXPECT_EQ(getSettingsTagValue("LogDebug:", "LogDebug:5", message), 5);
    EXPECT_EQ(getSettingsTagValue("LogDebug:", "LogCRToCAPI:0", message), -1);
    EXPECT_EQ(message, "getSettingsTag: Field name not found.");
    EXPECT_EQ(getSettingsTagValue("A:", "A:00;B:3", message), 0);
}

}  // namespace
