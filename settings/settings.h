// settings.h - the settings record CQXSettings: eighteen settings by id,
// each with the value in force, the value before the last run-time change
// and a restore mark, plus the duration type of the last change.
#ifndef QX_SETTINGS_H
#define QX_SETTINGS_H

#include <mutex>
#include <string>

enum SettingId {
    PayOutAmountPerTimeLimitAmount = 0,
    PayOutAmountPerTimeLimitSeconds = 1,
    AskPayOutAmountLimit = 2,
    PayOutOkCheck = 3,
    ChangeOkCheck = 4,
    RegretOkCheck = 5,
    StatusOkTimeout = 6,
    CurrencyDecimals = 7,
    LegacySystem = 8,
    AutoDisable = 9,
    ForwardCallbackChangeOnly = 10,
    LoggEveryCallback = 11,
    LoggSendEvents = 12,
    LogCRToCAPI = 13,
    LogCAPIToCR = 14,
    LogComToCAPI = 15,
    LogCAPIToCom = 16,
    LogDebug = 17
};

constexpr int kIntSettingCount = 13;   // ids 0..12
constexpr int kBoolSettingCount = 5;   // ids 13..17
constexpr int kSettingCount = 18;

// The largest StatusOkTimeout, in seconds: the most whose milliseconds
// fit 32 bits.  A larger value is clamped to it.
constexpr int QX_MAX_STATUS_OK_TIMEOUT = 2147483;

// The value of setting id within its limit: a StatusOkTimeout above the
// largest comes back as the largest, with an error line from `who` that
// names the value as given.  Any other value comes back unchanged.
int clampSetting(int id, int value, const std::string& given, const char* who);

// Static description of one setting: key, file section, default.
struct SettingInfo {
    const char* key;      // "StatusOkTimeout"
    const char* section;  // "Operation", "Events" or "Logging"
    int defaultValue;
    bool isBool;
};
const SettingInfo& settingInfo(int id);  // id 0..17

// Each method holds the record's lock for itself: the settings change from
// any thread (changeSettingsQX needs no turn) while an operation reads them.
class CQXSettings {
public:
    CQXSettings();
    CQXSettings(const CQXSettings&) = delete;
    CQXSettings& operator=(const CQXSettings&) = delete;

    // Every entry back to its default, nothing to restore.
    void resetToDefaults();

    int GetInt(int id) const;    // ids 0..12, else 0
    bool GetBool(int id) const;  // ids 13..17, else false
    void SetInt(int id, int value);
    void SetBool(int id, bool value);
    short GetDurationType() const;

    // Applies a settings string ("StatusOkTimeout:20;ChangeOkCheck:1").
    // durationType 1 marks the entries it sets for restoring; 0 makes the
    // values lasting and clears every mark.
    void NewSettings(const char* settings, short durationType);
    // Restores every entry whose restore mark is set.
    void RestoreSettings();

    // Read-only view for tests and diagnostics.
    int SavedValue(int id) const;
    bool RestorePending(int id) const;

private:
    struct IntEntry { int value; int savedValue; bool restorePending; };
    struct BoolEntry { bool value; bool savedValue; bool restorePending; };

    mutable std::mutex m_mutex;
    short durationType;
    IntEntry ints[kIntSettingCount];
    BoolEntry bools[kBoolSettingCount];
};

#endif  // QX_SETTINGS_H
