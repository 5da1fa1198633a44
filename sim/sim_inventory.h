// sim_inventory.h - the cash a simulated recycler holds: a count per
// denomination (minor units), change-making, and the denomination texts
// the device uses in its cash-level reports.
#ifndef QX_SIM_INVENTORY_H
#define QX_SIM_INVENTORY_H

#include <map>
#include <vector>

namespace qxsim {

class Inventory {
public:
    Inventory() { restoreDefaults(); }

    // Notes 50000..500 and coins 200..1 with their default counts.
    void restoreDefaults();

    // -1 when the device has no such denomination.
    int count(int denomination) const;
    bool setCount(int denomination, int count);
    void add(int denomination, int items = 1);
    // Takes one item out; false when there is none.
    bool take(int denomination);

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
    std::map<int, int, std::greater<int>> m_counts;
};

// Splits a value into items of the device's denominations without regard
// to counts: what a customer inserting that much would put in.
std::vector<int> splitIntoItems(int amount, const std::vector<int>& denominations);

}  // namespace qxsim

#endif  // QX_SIM_INVENTORY_H
