// till_customer.h - the customer at the device, played through the device
// simulator's control entries.  They are looked up at run time in the
// loaded device library; a real device library has none, and then every
// customer step is skipped with a note.
#ifndef QXTILL_CUSTOMER_H
#define QXTILL_CUSTOMER_H

#include <string>

namespace till {

class Customer {
public:
    // Loads the device library and looks the control entries up.
    void bind();
    bool available() const { return m_insert != nullptr; }
    // Where the device library came from, or why the simulator is missing.
    const std::string& where() const { return m_where; }

    // The customer inserts cash; false when pay-in is not enabled or
    // there is no simulator.
    bool insert(int amount);
    // Lets the device finish sending what it queued.
    void waitIdle(int timeoutMs);
    // Items of one denomination held, -1 when it has none (or no simulator).
    int level(int denomination);
    bool setLevel(int denomination, int count);
    // Total value held in minor units, -1 without a simulator.
    long long totalValue();
    bool setOption(const char* name, int value);
    // The device goes into error with that code until it is reset.
    bool fault(int errorCode) { return setOption("error_code", errorCode); }

private:
    using InsertFn = int (*)(int);
    using WaitFn = int (*)(int);
    using LevelFn = int (*)(int);
    using SetLevelFn = int (*)(int, int);
    using TotalFn = long long (*)();
    using OptionFn = int (*)(const char*, int);

    std::string m_where;
    InsertFn m_insert = nullptr;
    WaitFn m_waitIdle = nullptr;
    LevelFn m_level = nullptr;
    SetLevelFn m_setLevel = nullptr;
    TotalFn m_total = nullptr;
    OptionFn m_option = nullptr;
};

}  // namespace till

#endif  // QXTILL_CUSTOMER_H
