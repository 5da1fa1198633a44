// settings_mirrors.h - process-wide copies of the settings read on the
// callback path and by the logger, which do not go through the record.
#ifndef QX_SETTINGS_MIRRORS_H
#define QX_SETTINGS_MIRRORS_H

#include <atomic>

class CQXSettings;

extern std::atomic<int> g_CurrencyDecimals;           // id 7, initially 2
extern std::atomic<int> g_LegacySystem;               // id 8
extern std::atomic<int> g_AutoDisable;                // id 9
extern std::atomic<int> g_ForwardCallbackChangeOnly;  // id 10, initially 1
extern std::atomic<int> g_LoggEveryCallback;          // id 11
extern std::atomic<int> g_LoggSendEvents;             // id 12, initially 1

// Copies the record into the mirrors and the five log switches.
// withLegacyAndAutoDisable is false for the refresh after a restore of
// temporary settings, which leaves g_LegacySystem and g_AutoDisable alone.
void refreshSettingsMirrors(const CQXSettings& settings,
                            bool withLegacyAndAutoDisable);

#endif  // QX_SETTINGS_MIRRORS_H
