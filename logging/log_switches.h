// log_switches.h - the five process-wide switches of the switchable log
// kinds.  They start on and follow the Logging settings.
#ifndef QX_LOG_SWITCHES_H
#define QX_LOG_SWITCHES_H

#include <atomic>

extern std::atomic<bool> g_LogCRToCAPI;   // CrToApi
extern std::atomic<bool> g_LogCAPIToCR;   // ApiToCr
extern std::atomic<bool> g_LogComToCAPI;  // ComToApi
extern std::atomic<bool> g_LogCAPIToCom;  // ApiToCom
extern std::atomic<bool> g_LogDebug;      // Debug

#endif  // QX_LOG_SWITCHES_H
