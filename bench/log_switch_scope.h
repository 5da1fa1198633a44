// log_switch_scope.h - turns the five switchable log kinds on or off for
// one benchmark and puts them back afterwards.  Error and information
// lines are written whatever the switches say.
#ifndef QX_BENCH_LOG_SWITCH_SCOPE_H
#define QX_BENCH_LOG_SWITCH_SCOPE_H

#include <atomic>

#include "logging/log_switches.h"

namespace qxbench {

class LogSwitchScope {
public:
    explicit LogSwitchScope(bool on) {
        for (int i = 0; i < kCount; ++i) {
            m_saved[i] = switches()[i]->load();
            switches()[i]->store(on);
        }
    }
    ~LogSwitchScope() {
        for (int i = 0; i < kCount; ++i) switches()[i]->store(m_saved[i]);
    }
    LogSwitchScope(const LogSwitchScope&) = delete;
    LogSwitchScope& operator=(const LogSwitchScope&) = delete;

private:
    static constexpr int kCount = 5;
    static std::atomic<bool>* const* switches() {
        static std::atomic<bool>* const all[kCount] = {&g_LogCRToCAPI, &g_LogCAPIToCR,
                                                       &g_LogComToCAPI, &g_LogCAPIToCom,
                                                       &g_LogDebug};
        return all;
    }
    bool m_saved[kCount];
};

}  // namespace qxbench

#endif  // QX_BENCH_LOG_SWITCH_SCOPE_H
