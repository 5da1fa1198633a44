// profile.cpp (POSIX) - the integer reader of INI files that stands for
// GetPrivateProfileIntA: [section] and key=value lines, compared without
// regard to case, blanks around names and values ignored, ';' comments.
// The first section and the first key of a name win; a missing file,
// section or key, or an empty value, gives the default; otherwise the
// value's leading number (optional sign, decimal digits) is the result,
// 0 when it has no digits.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace qxplat {
namespace {

std::string trimmed(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    std::string::size_type last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const char* b) {
    std::string::size_type i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && !b[i];
}

// Leading number with wrap-around like the platform's reader: never UB.
int leadingNumber(const std::string& value) {
    std::string::size_type i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    std::uint32_t number = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        number = number * 10u + static_cast<std::uint32_t>(value[i] - '0');
    }
    if (negative) number = 0u - number;
    return static_cast<int>(static_cast<std::int32_t>(number));
}

}  // namespace

int profileInt(const char* section, const char* key, int defaultValue,
               const std::string& path) {
    if (!section || !key) return defaultValue;
    std::ifstream in(path, std::ios::binary);
    if (!in) return defaultValue;
    enum { Before, Inside } where = Before;
    for (std::string raw; std::getline(in, raw);) {
        std::string line = trimmed(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (where == Inside) return defaultValue;  // the first section wins
            std::string::size_type close = line.find(']');
            if (close != std::string::npos && sameName(trimmed(line.substr(1, close - 1)), section))
                where = Inside;
            continue;
        }
        std::string::size_type equals = line.find('=');
        if (where != Inside || equals == std::string::npos) continue;
        if (!sameName(trimmed(line.substr(0, equals)), key)) continue;
        std::string value = trimmed(line.substr(equals + 1));
        return value.empty() ? defaultValue : leadingNumber(value);
    }
    return defaultValue;
}

}  // namespace qxplat
