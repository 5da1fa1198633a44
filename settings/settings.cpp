// settings.cpp - the settings record CQXSettings: the table of the
// eighteen settings, reading and writing by id, and the run-time changes
// (NewSettings) with their restoring (RestoreSettings).
#include "settings/settings.h"

#include <string>

#include "logging/log_shapes.h"
#include "logging/strformat.h"
#include "settings/settings_strings.h"

namespace {

const SettingInfo kSettings[kSettingCount] = {
    {"PayOutAmountPerTimeLimitAmount", "Operation", 0, false},
    {"PayOutAmountPerTimeLimitSeconds", "Operation", 60, false},
    {"AskPayOutAmountLimit", "Operation", 4900, false},
    {"PayOutOkCheck", "Operation", 0, false},
    {"ChangeOkCheck", "Operation", 0, false},
    {"RegretOkCheck", "Operation", 0, false},
    {"StatusOkTimeout", "Operation", 10, false},
    {"CurrencyDecimals", "Operation", 2, false},
    {"LegacySystem", "Operation", 0, false},
    {"AutoDisable", "Operation", 0, false},
    {"ForwardCallbackChangeOnly", "Events", 1, false},
    {"LoggEveryCallback", "Logging", 0, false},
    {"LoggSendEvents", "Logging", 1, false},
    {"LogCRToCAPI", "Logging", 1, true},
    {"LogCAPIToCR", "Logging", 1, true},
    {"LogComToCAPI", "Logging", 1, true},
    {"LogCAPIToCom", "Logging", 1, true},
    {"LogDebug", "Logging", 1, true},
};

bool isIntId(int id) { return id >= 0 && id < kIntSettingCount; }
bool isBoolId(int id) { return id >= kIntSettingCount && id < kSettingCount; }

}  // namespace

const SettingInfo& settingInfo(int id) { return kSettings[id]; }

int clampSetting(int id, int value, const std::string& given, const char* who) {
    if (id != StatusOkTimeout || value <= QX_MAX_STATUS_OK_TIMEOUT) return value;
    logError(strformat("%s: StatusOkTimeout %s is above the largest, %d seconds: clamped",
                       who, given.c_str(), QX_MAX_STATUS_OK_TIMEOUT));
    return QX_MAX_STATUS_OK_TIMEOUT;
}

CQXSettings::CQXSettings() { resetToDefaults(); }

void CQXSettings::resetToDefaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    durationType = 0;
    for (int id = 0; id < kIntSettingCount; ++id) {
        const int value = kSettings[id].defaultValue;
        ints[id] = IntEntry{value, value, false};
    }
    for (int i = 0; i < kBoolSettingCount; ++i) {
        const bool value = kSettings[kIntSettingCount + i].defaultValue != 0;
        bools[i] = BoolEntry{value, value, false};
    }
}

int CQXSettings::GetInt(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return isIntId(id) ? ints[id].value : 0;
}

bool CQXSettings::GetBool(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return isBoolId(id) ? bools[id - kIntSettingCount].value : false;
}

void CQXSettings::SetInt(int id, int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (isIntId(id)) ints[id].value = value;
}

void CQXSettings::SetBool(int id, bool value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (isBoolId(id)) bools[id - kIntSettingCount].value = value;
}

short CQXSettings::GetDurationType() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return durationType;
}

int CQXSettings::SavedValue(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (isIntId(id)) return ints[id].savedValue;
    if (isBoolId(id)) return bools[id - kIntSettingCount].savedValue ? 1 : 0;
    return 0;
}

bool CQXSettings::RestorePending(int id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (isIntId(id)) return ints[id].restorePending;
    if (isBoolId(id)) return bools[id - kIntSettingCount].restorePending;
    return false;
}

void CQXSettings::NewSettings(const char* settingsText, short newDurationType) {
    const std::string text = settingsText ? settingsText : "";
    std::lock_guard<std::mutex> lock(m_mutex);
    durationType = newDurationType;
    const bool temporary = newDurationType == 1;
    if (!temporary) {
        for (IntEntry& entry : ints) entry.restorePending = false;
        for (BoolEntry& entry : bools) entry.restorePending = false;
    }
    for (int id = 0; id < kSettingCount; ++id) {
        std::string unused;
        const std::string key = kSettings[id].key;
        const std::string given = getSettingsTag(key + ":", text, unused);
        if (given == GETSETTINGSTAGINVALID) continue;
        int v = stringToInt(given, unused);
        if (v < 0) continue;
        v = clampSetting(id, v, given, "CQXSettings::NewSettings");
        // Only a temporary value is restored, to the value in force before
        // the first temporary change since the last restore.
        if (isIntId(id)) {
            IntEntry& entry = ints[id];
            entry = IntEntry{v, entry.restorePending ? entry.savedValue : entry.value,
                             temporary};
        } else {
            BoolEntry& entry = bools[id - kIntSettingCount];
            entry = BoolEntry{v != 0, entry.restorePending ? entry.savedValue : entry.value,
                              temporary};
        }
        logInfo(strformat("CQXSettings::NewSettings: Setting new %s: %d", key.c_str(), v));
    }
}

void CQXSettings::RestoreSettings() {
    std::lock_guard<std::mutex> lock(m_mutex);
    durationType = 0;
    for (int id = 0; id < kSettingCount; ++id) {
        int restored;
        if (isIntId(id)) {
            IntEntry& entry = ints[id];
            if (!entry.restorePending) continue;
            entry.value = entry.savedValue;
            entry.restorePending = false;
            restored = entry.value;
        } else {
            BoolEntry& entry = bools[id - kIntSettingCount];
            if (!entry.restorePending) continue;
            entry.value = entry.savedValue;
            entry.restorePending = false;
            restored = entry.value ? 1 : 0;
        }
        logInfo(strformat("CQXSettings::RestoreSettings: Restored %s: %d", kSettings[id].key,
                          restored));
    }
}
