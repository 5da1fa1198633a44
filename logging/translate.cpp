// translate.cpp - TranslateText: the message texts of the application
// looked up in the "Lang" section of "qxlang.ini".  The table is built once,
// on the first call, under a lock (the callback thread translates too), and
// then only read.
#include "logging/translate.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "logging/ini_file.h"
#include "platform/platform.h"

namespace {

const char* const kFileName = "qxlang.ini";

struct LanguageTables {
    std::mutex mutex;
    std::atomic<const CIniFile*> current{nullptr};
    // Dropped tables are kept: texts handed out stay valid for the process.
    std::vector<const CIniFile*> retired;
};

LanguageTables& tables() {
    static auto* instance = new LanguageTables();  // never destroyed
    return *instance;
}

// QXCONFIG's directory, the current one, the system directory: the first
// file that opens, else the last candidate.
std::string languageFilePath() {
    std::vector<std::string> candidates;
    std::string config;
    const std::string sep(1, qxplat::pathSeparator());
    if (qxplat::getEnv("QXCONFIG", config)) candidates.push_back(config + sep + kFileName);
    candidates.push_back("." + sep + kFileName);
    candidates.push_back(qxplat::systemDirectory() + sep + kFileName);
    for (const std::string& path : candidates) {
        if (std::FILE* file = std::fopen(path.c_str(), "r")) {
            std::fclose(file);
            return path;
        }
    }
    return candidates.back();
}

const CIniFile& languageTable() {
    LanguageTables& all = tables();
    if (const CIniFile* table = all.current.load(std::memory_order_acquire)) return *table;
    std::lock_guard<std::mutex> lock(all.mutex);
    const CIniFile* table = all.current.load(std::memory_order_relaxed);
    if (!table) {
        auto* built = new CIniFile(languageFilePath());
        built->Load();
        table = built;
        all.current.store(table, std::memory_order_release);
    }
    return *table;
}

}  // namespace

const char* TranslateText(const char* text) {
    if (!text) return text;
    // Never destroyed: the core's destructor still sets messages.
    static const std::string& none = *new std::string();
    const std::string& value = languageTable().GetValue("Lang", text, none);
    return value.empty() ? text : value.c_str();
}

void resetLanguageTableForTesting() {
    LanguageTables& all = tables();
    std::lock_guard<std::mutex> lock(all.mutex);
    if (const CIniFile* table = all.current.exchange(nullptr)) all.retired.push_back(table);
}
