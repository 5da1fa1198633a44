// ini_settings.cpp - filling the settings record from "qxlogics.ini"
// (searched in up to four directories), and restoring temporary settings
// after a pay-out.
#include <cstdio>
#include <string>
#include <vector>

#include "core/cqxlogics.h"
#include "logging/log_shapes.h"
#include "platform/platform.h"
#include "settings/module_info.h"
#include "settings/settings_mirrors.h"

namespace {

const char* const kIniFileName = "qxlogics.ini";
const std::string kPrefix = "CQXLogics::getIniFileSettings: ";

void settingsInfo(const std::string& text) { logInfo(kPrefix + text); }

struct Candidate {
    std::string announcement;  // "First settings file location (...): "
    std::string path;
};

bool canOpenForReading(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return false;
    std::fclose(file);
    return true;
}

// The candidates in search order; the first only when QXCONFIG is set.
std::vector<Candidate> settingsFileCandidates() {
    const std::string sep(1, qxplat::pathSeparator());
    std::vector<Candidate> candidates;
    std::string configDir;
    if (qxplat::getEnv("QXCONFIG", configDir)) {
        settingsInfo("Read environment variable QXCONFIG: " + configDir);
        candidates.push_back(
            {"First settings file location (the QXCONFIG environment variable directory): ",
             configDir + sep + kIniFileName});
    } else {
        settingsInfo("Environment variable QXCONFIG is not defined");
    }
    candidates.push_back({"Second settings file location (the application directory): ",
                          "." + sep + kIniFileName});
    candidates.push_back(
        {std::string("Third settings file location (") + qxplat::libraryDirectoryLabel() + "): ",
         getRuntimePath() + kIniFileName});
    candidates.push_back(
        {std::string("Fourth settings file location (") + qxplat::systemDirectoryLabel() + "): ",
         qxplat::systemDirectory() + sep + kIniFileName});
    return candidates;
}

// Path of the first candidate that opens, "" when none does.
std::string findSettingsFile() {
    for (const Candidate& candidate : settingsFileCandidates()) {
        settingsInfo(candidate.announcement + candidate.path);
        if (canOpenForReading(candidate.path)) return candidate.path;
        settingsInfo("Settings file \"" + candidate.path + "\" can't be opened for reading.");
    }
    return std::string();
}

}  // namespace

void CQXLogics::getIniFileSettings() {
    const std::string path = findSettingsFile();
    if (path.empty()) {
        settingsInfo("About to assign default settings since no configuration file was found.");
    } else {
        settingsInfo("About to read settings from configuration file: " + path);
    }
    for (int id = 0; id < kSettingCount; ++id) {
        const SettingInfo& info = settingInfo(id);
        // Without a file the reader finds no key, so every default applies.
        const int read = path.empty()
                             ? -1
                             : qxplat::profileInt(info.section, info.key, -1, path);
        const char* label = read == -1 ? " (default value)" : " (from ini file)";
        int value = read == -1 ? info.defaultValue
                               : clampSetting(id, read, std::to_string(read),
                                              "CQXLogics::getIniFileSettings");
        if (info.isBool) {
            value = value != 0 ? 1 : 0;
            settings.SetBool(id, value != 0);
        } else {
            settings.SetInt(id, value);
        }
        settingsInfo(std::string(info.key) + ": " + std::to_string(value) + label);
    }
    refreshSettingsMirrors(settings, true);
}

void CQXLogics::restoreTemporarySettings() {
    settings.RestoreSettings();
    refreshSettingsMirrors(settings, false);
}

void CQXLogics::restoreIfTemporary() {
    if (settings.GetDurationType() == 1) restoreTemporarySettings();
}
