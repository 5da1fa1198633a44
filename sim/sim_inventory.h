// sim_inventory.h - the cash a simulated recycler holds: per denomination
// (minor units) a count and the low, empty and high thresholds its
// cash-level reports use, plus change-making.
#ifndef QX_SIM_INVENTORY_H
#define QX_SIM_INVENTORY_H

#include <functional>
#include <map>
#include <vector>

namespace qxsim {

// One denomination's stock.  A falling count at or below `low` is
// reported low, at or below `empty` empty; a count rising to `high` is
// reported high.
struct Stock {
    int count = 0;
    int low = 5;
    int empty = 0;
    int high = 100;
};

// Thresholds make sense only as empty <= low < high.
inline bool thresholdsInOrder(int low, int empty, int high) {
    return empty >= 0 && empty <= low && low < high;
}

// Which form of cash-level report a count change calls for.
enum class LevelForm { None, Low, Empty, High };

class Inventory {
public:
    using Stocks = std::map<int, Stock, std::greater<int>>;

    Inventory() { restoreDefaults(); }

    // Notes 50000..500 and coins 200..1 with their default counts.
    void restoreDefaults();
    // Replaces the whole stock (a loaded configuration).
    void replace(const Stocks& stocks) { m_stocks = stocks; }

    // -1 when the device has no such denomination.
    int count(int denomination) const;
    bool setCount(int denomination, int count);
    void add(int denomination, int items = 1);
    // Takes one item out; false when there is none.
    bool take(int denomination);

    // The same threshold for every denomination.
    void setLowForAll(int low);
    void setHighForAll(int high);
    // False for an unknown denomination or thresholds out of order.
    bool setThresholds(int denomination, int low, int empty, int high);
    // The empty mark of a denomination; -1 when it has none.
    int emptyMark(int denomination) const;
    // The report a change of one denomination from `before` to its
    // present count calls for.
    LevelForm crossed(int denomination, int before) const;

    long long totalValue() const;

    // Greedy change-making, largest denomination first: the items that
    // would pay amount, and the part of it they cannot cover.
    struct Plan {
        std::vector<int> items;
        int rest;
    };
    Plan plan(int amount) const;
    // Removes the items of a plan.
    void pay(const Plan& plan);

    // All denominations, largest first.
    std::vector<int> denominations() const;

private:
    Stocks m_stocks;
};

// Splits a value into items of the device's denominations without regard
// to counts: what a customer inserting that much would put in.
std::vector<int> splitIntoItems(int amount, const std::vector<int>& denominations);

}  // namespace qxsim

#endif  // QX_SIM_INVENTORY_H
