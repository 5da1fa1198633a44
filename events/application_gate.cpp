// application_gate.cpp - the one gate through which events reach the
// application (application_gate.h).
#include "events/application_gate.h"

ApplicationGate& g_applicationGate = *new ApplicationGate;

bool ApplicationGate::enter() {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_turn.wait(lock, [&] { return m_depth == 0 || m_owner == self || m_closing; });
    if (m_closing) return false;
    m_owner = self;
    ++m_depth;
    return true;
}

void ApplicationGate::leave() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_depth == 0) m_owner = std::thread::id();
    }
    m_turn.notify_all();
}

void ApplicationGate::close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_turn.notify_all();
}

void ApplicationGate::open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closing = false;
}
