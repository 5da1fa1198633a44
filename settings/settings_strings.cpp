// settings_strings.cpp - the readers of tagged value strings
// ("Key:value;Key:value"): getSettingsTag, stringToInt and their
// combination getSettingsTagValue.
#include "settings/settings_strings.h"

#include <climits>
#include <cstdlib>

const char* const GETSETTINGSTAGINVALID = "GETSETTINGSTAGINVALID";

std::string getSettingsTag(const std::string& tag, const std::string& input,
                           std::string& message) {
    if (input.empty()) {
        message = "getSettingsTag: Input string too small";
        return GETSETTINGSTAGINVALID;
    }
    const std::size_t tagAt = input.find(tag);
    if (tagAt == std::string::npos) {
        message = "getSettingsTag: Field name not found.";
        return GETSETTINGSTAGINVALID;
    }
    const std::size_t start = tagAt + tag.size();
    if (start >= input.size()) {
        message = "getSettingsTag: Find field value failed.";
        return GETSETTINGSTAGINVALID;
    }
    // A ';' right at the start does not end the value: it runs to the end.
    const std::size_t end = input.find(';', start);
    if (end != std::string::npos && end > start) return input.substr(start, end - start);
    return input.substr(start);
}

int stringToInt(const std::string& text, std::string& message) {
    if (text.empty()) {
        message = "stringToInt: Empty string";
        return -1;
    }
    if (text.find_first_not_of('0') == std::string::npos) {
        message = "stringToInt: Zero string value, Ok";
        return 0;
    }
    // atoi's leading number, but a number beyond an int saturates instead
    // of wrapping round into some other value.
    const long long read = std::strtoll(text.c_str(), nullptr, 10);
    const int value = read > INT_MAX   ? INT_MAX
                      : read < INT_MIN ? INT_MIN
                                       : static_cast<int>(read);
    if (value != 0) {
        message = "stringToInt: Non-zero string value, Ok";
        return value;
    }
    message = "stringToInt: inparam non-numeric";
    return -1;
}

int getSettingsTagValue(const std::string& tag, const std::string& input,
                        std::string& message) {
    const std::string value = getSettingsTag(tag, input, message);
    if (value == GETSETTINGSTAGINVALID) return -1;
    return stringToInt(value, message);
}
