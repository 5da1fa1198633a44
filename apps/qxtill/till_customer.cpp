// till_customer.cpp - binding and calling the simulator's control entries.
#include "till_customer.h"

#include "till_platform.h"

namespace till {
namespace {

template <typename Fn>
void lookUp(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(deviceEntry(name));
}

}  // namespace

void Customer::bind() {
    if (!loadDeviceLibrary(m_where)) return;
    lookUp(m_insert, "qxsim_insert");
    lookUp(m_waitIdle, "qxsim_wait_idle");
    lookUp(m_level, "qxsim_level");
    lookUp(m_setLevel, "qxsim_set_level");
    lookUp(m_total, "qxsim_total_value");
    lookUp(m_option, "qxsim_set_option");
    // All or nothing: a half-bound customer would play a half scene.
    if (!m_insert || !m_waitIdle || !m_level || !m_setLevel || !m_total ||
        !m_option) {
        m_insert = nullptr;
        m_where += " (a device library without simulator controls)";
    }
}

bool Customer::insert(int amount) { return available() && m_insert(amount) == 0; }

void Customer::waitIdle(int timeoutMs) {
    if (available()) m_waitIdle(timeoutMs);
}

int Customer::level(int denomination) { return available() ? m_level(denomination) : -1; }

bool Customer::setLevel(int denomination, int count) {
    return available() && m_setLevel(denomination, count) == 0;
}

long long Customer::totalValue() { return available() ? m_total() : -1; }

bool Customer::setOption(const char* name, int value) {
    return available() && m_option(name, value) == 0;
}

}  // namespace till
