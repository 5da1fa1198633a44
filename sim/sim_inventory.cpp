// sim_inventory.cpp - counts, change-making and payment of the simulated
// recycler's cash.
#include "sim/sim_inventory.h"

#include <algorithm>

namespace qxsim {

void Inventory::restoreDefaults() {
    // Large notes go straight to the cash box on a real till, so the
    // recycler starts with none of them; small change is well stocked.
    m_counts = {{50000, 0}, {20000, 5},  {10000, 10}, {5000, 20}, {2000, 30},
                {1000, 30}, {500, 30},   {200, 50},   {100, 50},  {50, 50},
                {20, 50},   {10, 50},    {5, 50},     {2, 50},    {1, 50}};
}

int Inventory::count(int denomination) const {
    auto it = m_counts.find(denomination);
    return it == m_counts.end() ? -1 : it->second;
}

bool Inventory::setCount(int denomination, int count) {
    auto it = m_counts.find(denomination);
    if (it == m_counts.end() || count < 0) return false;
    it->second = count;
    return true;
}

void Inventory::add(int denomination, int items) {
    auto it = m_counts.find(denomination);
    if (it != m_counts.end()) it->second += items;
}

bool Inventory::take(int denomination) {
    auto it = m_counts.find(denomination);
    if (it == m_counts.end() || it->second == 0) return false;
    --it->second;
    return true;
}

long long Inventory::totalValue() const {
    long long total = 0;
    for (const auto& entry : m_counts) total += static_cast<long long>(entry.first) * entry.second;
    return total;
}

Inventory::Plan Inventory::plan(int amount) const {
    Plan result{{}, amount < 0 ? 0 : amount};
    for (const auto& entry : m_counts) {
        int use = std::min(entry.second, result.rest / entry.first);
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
    for (const auto& entry : m_counts) result.push_back(entry.first);
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
