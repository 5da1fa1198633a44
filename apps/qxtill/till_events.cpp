// till_events.cpp - event records, their one-line descriptions and the
// inbox shared between the delivering thread and the till's thread.
#include "till_events.h"

#include <chrono>

#include "till_format.h"

namespace till {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string describeEvent(const TillEvent& e) {
    std::string line;
    switch (e.kind) {
        case EventKind::Status:
            line = "event status: amount=" + formatMoney(e.amount) +
                   " status=" + std::to_string(e.status) + " (" + deviceStatusName(e.status) +
                   ") mode=" + std::to_string(e.mode) + " (" + deviceModeName(e.mode) + ")";
            break;
        case EventKind::Error:
            line = "event error: code=" + std::to_string(e.errorCode) +
                   " text=" + quoted(e.text) + " extInfo=" + quoted(e.extInfo);
            break;
        case EventKind::CashLevel:
            line = "event cash level: denomination=" + formatMoney(e.denomination) +
                   " count=" + std::to_string(e.count) + " extInfo=" + quoted(e.extInfo);
            if (!e.text.empty()) line += " warning=" + quoted(e.text);
            break;
        case EventKind::LevelWarning:
            line = "event level warning: type=" + std::to_string(e.warningType) + " (" +
                   e.typeString + ") denomination=" + formatMoney(e.denomination) +
                   " (" + quoted(e.denominationString) + ")" +
                   " count=" + std::to_string(e.count) + " message=" + quoted(e.text);
            break;
        case EventKind::CashSession:
            line = "event cash session: type=" + std::to_string(e.infoType) + " (" +
                   sessionTypeName(e.infoType) + ") amount=" + formatMoney(e.amount) +
                   " extInfo=" + quoted(e.extInfo);
            break;
    }
    if (e.viaWindow) line += " [window message]";
    return line;
}

std::string explainEvent(const TillEvent& e) {
    switch (e.kind) {
        // The level warning of the same report follows; it is said once.
        case EventKind::CashLevel: return cashLevelWords(e.denomination, e.count);
        case EventKind::CashSession: return sessionTypeWords(e.infoType, e.amount);
        default: return "";
    }
}

TillEvent statusFromWindow(std::int64_t wParam, std::int64_t lParam) {
    TillEvent event;
    event.kind = EventKind::Status;
    event.viaWindow = true;
    event.status = static_cast<int>(wParam % 100);
    event.mode = static_cast<int>(wParam / 100);
    event.amount = static_cast<int>(lParam);
    return event;
}

void EventInbox::push(const TillEvent& event) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(event);
        ++m_counts[static_cast<int>(event.kind)];
    }
    m_pushed.notify_all();
}

void EventInbox::waitQuiet(int quietMs, int maxMs) const {
    const auto latest = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    std::unique_lock<std::mutex> lock(m_mutex);
    int seen = -1;
    while (std::chrono::steady_clock::now() < latest) {
        int total = 0;
        for (int n : m_counts) total += n;
        if (total == seen) return;
        seen = total;
        m_pushed.wait_for(lock, std::chrono::milliseconds(quietMs));
    }
}

bool EventInbox::waitForMore(EventKind kind, int before, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_pushed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return m_counts[static_cast<int>(kind)] > before; });
}

std::vector<TillEvent> EventInbox::take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<TillEvent> events;
    events.swap(m_waiting);
    for (const TillEvent& e : events) {
        if (e.kind != EventKind::Status) continue;
        m_view.seen = true;
        m_view.amount = e.amount;
        m_view.status = e.status;
        m_view.mode = e.mode;
    }
    return events;
}

int EventInbox::total() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int sum = 0;
    for (int n : m_counts) sum += n;
    return sum;
}

int EventInbox::count(EventKind kind) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts[static_cast<int>(kind)];
}

DeviceView EventInbox::view() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_view;
}

}  // namespace till
