// leading_number.cpp - atoi-like conversion and safe field extraction for
// the device's callback texts.
#include "events/leading_number.h"

#include <climits>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int leadingNumber(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate in a wider type and stop growing once past the int range.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

std::string fieldAt(const std::string& text, std::size_t pos, std::size_t length) {
    if (pos >= text.size()) return std::string();
    return text.substr(pos, length);
}
