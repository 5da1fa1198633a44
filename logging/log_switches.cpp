// log_switches.cpp - the five switches of the switchable log kinds.  They
// are on until the Logging settings say otherwise.
#include "logging/log_switches.h"

std::atomic<bool> g_LogCRToCAPI{true};
std::atomic<bool> g_LogCAPIToCR{true};
std::atomic<bool> g_LogComToCAPI{true};
std::atomic<bool> g_LogCAPIToCom{true};
std::atomic<bool> g_LogDebug{true};
