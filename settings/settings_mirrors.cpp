// settings_mirrors.cpp - the process-wide copies of the settings that the
// callback path and the logger read, and their refresh from the record.
#include "settings/settings_mirrors.h"

#include "logging/log_switches.h"
#include "settings/settings.h"

std::atomic<int> g_CurrencyDecimals{2};
std::atomic<int> g_LegacySystem{0};
std::atomic<int> g_AutoDisable{0};
std::atomic<int> g_ForwardCallbackChangeOnly{1};
std::atomic<int> g_LoggEveryCallback{0};
std::atomic<int> g_LoggSendEvents{1};

void refreshSettingsMirrors(const CQXSettings& settings,
                            bool withLegacyAndAutoDisable) {
    g_CurrencyDecimals = settings.GetInt(CurrencyDecimals);
    if (withLegacyAndAutoDisable) {
        g_LegacySystem = settings.GetInt(LegacySystem);
        g_AutoDisable = settings.GetInt(AutoDisable);
    }
    g_ForwardCallbackChangeOnly = settings.GetInt(ForwardCallbackChangeOnly);
    g_LoggEveryCallback = settings.GetInt(LoggEveryCallback);
    g_LoggSendEvents = settings.GetInt(LoggSendEvents);
    g_LogCRToCAPI = settings.GetBool(LogCRToCAPI);
    g_LogCAPIToCR = settings.GetBool(LogCAPIToCR);
    g_LogComToCAPI = settings.GetBool(LogComToCAPI);
    g_LogCAPIToCom = settings.GetBool(LogCAPIToCom);
    g_LogDebug = settings.GetBool(LogDebug);
}
