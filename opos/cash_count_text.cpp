// cash_count_text.cpp - writing and reading the cash counts' text form.
#include "opos/cash_count_text.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace qxopos {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.push_back("");
    return parts;
}

bool readNumber(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && value >= 0;
}

}  // namespace

std::vector<int> cashListValues(const std::string& cashList) {
    std::vector<int> values;
    for (const std::string& part : split(cashList, ';'))
        for (const std::string& value : split(part, ',')) {
            long long number = 0;
            if (readNumber(value, number)) values.push_back(static_cast<int>(number));
        }
    return values;
}

std::string formatCashCounts(const std::string& cashList, const std::map<int, int>& counts) {
    std::string out;
    const std::vector<std::string> parts = split(cashList, ';');
    for (size_t p = 0; p < parts.size(); ++p) {
        if (p > 0) out += ';';
        bool first = true;
        for (const std::string& value : split(parts[p], ',')) {
            long long number = 0;
            if (!readNumber(value, number)) continue;
            const auto found = counts.find(static_cast<int>(number));
            out += (first ? "" : ",") + value + ":" +
                   std::to_string(found == counts.end() ? 0 : found->second);
            first = false;
        }
    }
    return out;
}

bool totalOfCashCounts(const std::string& text, const std::string& cashList, long long& total) {
    total = 0;
    const std::vector<int> values = cashListValues(cashList);
    const std::set<long long> known(values.begin(), values.end());
    const std::vector<std::string> parts = split(text, ';');
    if (text.empty() || parts.size() > 2) return false;
    long long sum = 0;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        for (const std::string& pair : split(part, ',')) {
            const size_t colon = pair.find(':');
            long long value = 0, count = 0;
            if (colon == std::string::npos || !readNumber(pair.substr(0, colon), value) ||
                !readNumber(pair.substr(colon + 1), count) || !known.count(value))
                return false;
            sum += value * count;
        }
    }
    total = sum;
    return true;
}

}  // namespace qxopos
