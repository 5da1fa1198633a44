// sim_config.cpp - reading and checking the simulator's stock file.
#include "sim/sim_config.h"

#include <fstream>
#include <sstream>

namespace qxsim {

const char* const SIM_CONFIG_VARIABLE = "QXSIM_CONFIG";

namespace {

// A plain decimal number of at most eight digits, as amounts in device
// commands are, with nothing around it.
bool readNumber(const std::string& text, int& value) {
    if (text.empty() || text.size() > 8) return false;
    int number = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        number = number * 10 + (ch - '0');
    }
    value = number;
    return true;
}

// One threshold word "key=N" into the stock; the reason on failure.
bool readThreshold(const std::string& word, Stock& stock, std::string& seen,
                   std::string& reason) {
    std::size_t equals = word.find('=');
    std::string key = word.substr(0, equals);
    int* slot = key == "low" ? &stock.low
                : key == "empty" ? &stock.empty
                : key == "high" ? &stock.high : nullptr;
    if (equals == std::string::npos || !slot) {
        reason = "unknown setting '" + word + "'";
        return false;
    }
    if (seen.find(" " + key + " ") != std::string::npos) {
        reason = key + " given twice";
        return false;
    }
    seen += " " + key + " ";
    if (!readNumber(word.substr(equals + 1), *slot)) {
        reason = key + " is not a count: '" + word.substr(equals + 1) + "'";
        return false;
    }
    return true;
}

bool readLine(const std::string& line, int& denomination, Stock& stock, std::string& reason) {
    std::size_t equals = line.find('=');
    std::istringstream head(line.substr(0, equals));
    std::string denominationText, extra;
    head >> denominationText >> extra;
    if (equals == std::string::npos || denominationText.empty() || !extra.empty()) {
        reason = "expected '<denomination> = <count>'";
        return false;
    }
    if (!readNumber(denominationText, denomination) || denomination == 0) {
        reason = "denomination is not a positive amount: '" + denominationText + "'";
        return false;
    }
    std::istringstream tail(line.substr(equals + 1));
    std::string countText;
    if (!(tail >> countText) || !readNumber(countText, stock.count)) {
        reason = "count is not a number: '" + countText + "'";
        return false;
    }
    std::string seen;
    for (std::string word; tail >> word;)
        if (!readThreshold(word, stock, seen, reason)) return false;
    if (!thresholdsInOrder(stock.low, stock.empty, stock.high)) {
        reason = "thresholds must keep empty <= low < high";
        return false;
    }
    return true;
}

}  // namespace

bool parseStockConfig(std::istream& in, Inventory::Stocks& stocks, std::string& reason) {
    Inventory::Stocks read;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        int denomination = 0;
        Stock stock;
        std::string why;
        if (!readLine(line, denomination, stock, why)) {
            reason = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (!read.emplace(denomination, stock).second) {
            reason = "line " + std::to_string(number) + ": denomination " +
                     std::to_string(denomination) + " given twice";
            return false;
        }
    }
    if (read.empty()) {
        reason = "no denominations";
        return false;
    }
    stocks = read;
    return true;
}

bool loadStockConfig(const std::string& path, Inventory::Stocks& stocks, std::string& reason) {
    std::ifstream file(path);
    if (!file) {
        reason = "cannot open " + path;
        return false;
    }
    return parseStockConfig(file, stocks, reason);
}

}  // namespace qxsim
