// sim_inventory.cpp - counts, thresholds, change-making and payment of the
// simulated recycler's cash.
#include "sim/sim_inventory.h"

#include <algorithm>

namespace qxsim {

void Inventory::restoreDefaults() {
    // Large notes go straight to the cash box on a real till, so the
    // recycler starts with none of them; small change is well stocked.
    const int counts[][2] = {{50000, 0}, {20000, 5}, {10000, 10}, {5000, 20}, {2000, 30},
                             {1000, 30}, {500, 30},  {200, 50},   {100, 50},  {50, 50},
                             {20, 50},   {10, 50},   {5, 50},     {2, 50},    {1, 50}};
    m_stocks.clear();
    for (const auto& entry : counts) m_stocks[entry[0]].count = entry[1];
}

void Inventory::setLowForAll(int low) {
    for (auto& entry : m_stocks) entry.second.low = low;
}

void Inventory::setHighForAll(int high) {
    for (auto& entry : m_stocks) entry.second.high = high;
}

bool Inventory::setThresholds(int denomination, int low, int empty, int high) {
    auto it = m_stocks.find(denomination);
    if (it == m_stocks.end() || !thresholdsInOrder(low, empty, high)) return false;
    it->second.low = low;
    it->second.empty = empty;
    it->second.high = high;
    return true;
}

int Inventory::emptyMark(int denomination) const {
    auto it = m_stocks.find(denomination);
    return it == m_stocks.end() ? -1 : it->second.empty;
}

LevelForm Inventory::crossed(int denomination, int before) const {
    auto it = m_stocks.find(denomination);
    if (it == m_stocks.end()) return LevelForm::None;
    const Stock& stock = it->second;
    // Every fall inside the low band is worth a report; a rise only when
    // it reaches the high mark.
    if (stock.count < before && stock.count <= stock.low)
        return stock.count <= stock.empty ? LevelForm::Empty : LevelForm::Low;
    if (before < stock.high && stock.count >= stock.high) return LevelForm::High;
    return LevelForm::None;
}

int Inventory::count(int denomination) const {
    auto it = m_stocks.find(denomination);
    return it == m_stocks.end() ? -1 : it->second.count;
}

bool Inventory::setCount(int denomination, int count) {
    auto it = m_stocks.find(denomination);
    if (it == m_stocks.end() || count < 0) return false;
    it->second.count = count;
    return true;
}

void Inventory::add(int denomination, int items) {
    auto it = m_stocks.find(denomination);
    if (it != m_stocks.end()) it->second.count += items;
}

bool Inventory::take(int denomination) {
    auto it = m_stocks.find(denomination);
    if (it == m_stocks.end() || it->second.count == 0) return false;
    --it->second.count;
    return true;
}

long long Inventory::totalValue() const {
    long long total = 0;
    for (const auto& entry : m_stocks)
        total += static_cast<long long>(entry.first) * entry.second.count;
    return total;
}

Inventory::Plan Inventory::plan(int amount) const {
    Plan result{{}, amount < 0 ? 0 : amount};
    for (const auto& entry : m_stocks) {
        int use = std::min(entry.second.count, result.rest / entry.first);
        result.items.insert(result.items.end(), use, entry.first);
        result.rest -= use * entry.first;
    }
    return result;
}

void Inventory::pay(const Plan& plan) {
    for (int item : plan.items) take(item);
}

std::vector<int> Inventory::denominations() const {
    std::vector<int> result;
    for (const auto& entry : m_stocks) result.push_back(entry.first);
    return result;
}

std::vector<int> splitIntoItems(int amount, const std::vector<int>& denominations) {
    std::vector<int> items;
    for (int denomination : denominations) {
        while (amount >= denomination) {
            items.push_back(denomination);
            amount -= denomination;
        }
    }
    return items;
}

}  // namespace qxsim
