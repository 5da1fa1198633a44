// settings_test.cpp - settings strings, the settings record and its
// temporary changes, the settings file (its reader, its search and its log
// lines), and the process-wide mirrors that follow.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "core/cash_steps.h"
#include "core/cqxlogics.h"
#include "logging/log_switches.h"
#include "platform/platform.h"
#include "settings/module_info.h"
#include "settings/settings_mirrors.h"
#include "settings/settings_strings.h"
#include "tests/support/internal_env.h"

namespace qxtest {

// A tag's value read as a number, with the message the readers leave.
TEST(SettingsStrings, TaggedNumbersToValuesAndMessages) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"", -1, "getSettingsTag: Input string too small"},
        {"Type:RS232", -1, "getSettingsTag: Field name not found."},
        {"Type:RS232;Name:", -1, "getSettingsTag: Find field value failed."},
        {"Name:;Type:1", -1, "stringToInt: inparam non-numeric"},  // the value is ";Type:1"
        {"XName:15xyz;Name:3", 15, "stringToInt: Non-zero string value, Ok"},
        {"Type:1;Name:00", 0, "stringToInt: Zero string value, Ok"},
        {"Name:99999999999", 2147483647, "stringToInt: Non-zero string value, Ok"},  // no wrap
    };
    for (const auto& [input, value, expected] : cases) {
        std::string message;
        EXPECT_EQ(getSettingsTagValue("Name:", input, message), value) << input;
        EXPECT_EQ(message, expected) << input;
    }
    std::string message;
    EXPECT_EQ(getSettingsTag("Name:", "Name:COM3;Type:RS232", message), "COM3");
    EXPECT_EQ(stringToInt("", message), -1);
    EXPECT_EQ(message, "stringToInt: Empty string");
}

// The settings file's integer reader (on Windows the system's): names without case,
// blanks ignored, the leading number, the first of two keys, else the default.
TEST(SettingsFile, KeysToValues) {
    const std::string path = makeTempDir("profile") + qxplat::pathSeparator() + "qxlogics.ini";
    writeFile(path,
              "; settings of the test till\n[Operation]\nPayoutLimit=5000\n  Spaced  =   42   \n"
              "; Commented=7\nNegative=-15\nTrailing=12abc\nLetters=abc\nEmpty=\nTwice=1\n"
              "Twice=2\n[events]\nStatusEvents=1\n");
    const std::tuple<const char*, const char*, int> cases[] = {
        {"Operation", "PayoutLimit", 5000}, {"EVENTS", "statusevents", 1},
        {"OPERATION", "payoutlimit", 5000}, {"Operation", "Spaced", 42},
        {"Operation", "Negative", -15},     {"Operation", "Trailing", 12},
        {"Operation", "Letters", 0},        {"Operation", "Commented", -99},
        {"Operation", "Absent", -99},       {"Operation", "Empty", -99},
        {"Logging", "LogDebug", -99},       {"Operation", "StatusEvents", -99},
        {"Operation", "Twice", 1}};
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(qxplat::profileInt(section, key, -99, path), expected) << key;
    EXPECT_EQ(qxplat::profileInt("Operation", "PayoutLimit", 3, path + ".missing"), 3);
}

// No settings file in the current or system directory, no QXCONFIG.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        useFreshLogDir("settings");
        std::filesystem::current_path(cwd);
        unsetEnv("QXCONFIG");
        qxplat::setSystemDirectoryForTesting(systemDir);
    }
    void TearDown() override {
        std::filesystem::current_path(savedCwd);
        unsetEnv("QXCONFIG");
        qxplat::setSystemDirectoryForTesting("");
        refreshSettingsMirrors(CQXSettings(), true);
    }
    static int valueOf(const CQXSettings& record, int id) {
        return id < kIntSettingCount ? record.GetInt(id) : record.GetBool(id);
    }
    // The qxlogic lines with `needle`, each from just after it, joined by "|".
    static std::string logged(const std::string& needle) {
        std::string joined;
        for (const std::string& line : logLinesContaining("qxlogic", needle))
            joined += line.substr(line.find(needle) + needle.size()) + "|";
        return std::regex_replace(joined, std::regex("\r"), "");  // Windows line ends
    }
    static std::size_t count(const std::string& needle) {
        return logLinesContaining("qxlogic", needle).size();
    }

    const std::filesystem::path savedCwd = std::filesystem::current_path();
    const std::string cwd = makeTempDir("cwd"), systemDir = makeTempDir("system");
    const std::string ini = std::string(1, qxplat::pathSeparator()) + "qxlogics.ini";
    CQXLogics logics;
};

// A fresh record holds the defaults and ignores unknown ids; a settings
// string applied to it: the value, the restore mark and the lines logged.
TEST_F(Settings, SettingsStringsToValuesAndLogLines) {
    CQXSettings record;
    const int expected[kSettingCount] = {0, 60, 4900, 0, 0, 0, 10, 2, 0,
                                         0, 1, 0,    1, 1, 1, 1, 1, 1};
    for (int id = 0; id < kSettingCount; ++id) {
        EXPECT_EQ(valueOf(record, id), expected[id]) << id;
        EXPECT_FALSE(record.RestorePending(id)) << id;
    }
    EXPECT_EQ(record.GetInt(LogCRToCAPI), 0);  // a boolean id read as integer
    EXPECT_FALSE(record.GetBool(StatusOkTimeout));
    record.SetInt(99, 5);
    record.SetBool(StatusOkTimeout, false);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 10);
    const std::tuple<const char*, int, int, bool, const char*> cases[] = {
        {"StatusOkTimeout:0", StatusOkTimeout, 0, true, "Setting new StatusOkTimeout: 0|"},
        {"RegretOkCheck:-5", RegretOkCheck, 0, false, ""},
        {"StatusOkTimeout:;ChangeOkCheck:1", StatusOkTimeout, 10, false,
         "Setting new ChangeOkCheck: 1|"},
        {"ChangeOkCheck:1;CurrencyDecimals:", CurrencyDecimals, 2, false,
         "Setting new ChangeOkCheck: 1|"},
        {"LogDebug:5", LogDebug, 1, true, "Setting new LogDebug: 5|"},
        {"StatusOkTimeout:100000", StatusOkTimeout, 100000, true,
         "Setting new StatusOkTimeout: 100000|"},
        {"StatusOkTimeout:2147483", StatusOkTimeout, 2147483, true,
         "Setting new StatusOkTimeout: 2147483|"},
        {"StatusOkTimeout:99999999999", StatusOkTimeout, 2147483, true,
         "StatusOkTimeout 99999999999 is above the largest, 2147483 seconds: clamped|"
         "Setting new StatusOkTimeout: 2147483|"},
    };
    for (const auto& [text, id, value, pending, lines] : cases) {
        useFreshLogDir("new_settings");
        CQXSettings fresh;
        fresh.NewSettings(text, 1);
        EXPECT_EQ(valueOf(fresh, id), value) << text;
        EXPECT_EQ(fresh.RestorePending(id), pending) << text;
        EXPECT_EQ(logged("CQXSettings::NewSettings: "), lines) << text;
    }
    EXPECT_NE(readLog("qxerror").find("CQXSettings::NewSettings: StatusOkTimeout 99999999999 is"),
              std::string::npos);
    // The milliseconds of the wait: no overflow into a wait of no time.
    char message[QX_BUFFER_CAPACITY];
    g_theLogics.changeSettings("StatusOkTimeout:2147484", 0, message);
    EXPECT_EQ(statusOkTimeoutMs(), 2147483000);
    g_theLogics.changeSettings("StatusOkTimeout:10", 0, message);
}

// A change refreshes mirrors and log switches; two temporary ones restore the values from
// before the first (not the LegacySystem and AutoDisable mirrors); a lasting one drops marks.
TEST_F(Settings, ChangesRefreshTheMirrorsAndTemporaryOnesAreRestored) {
    const auto mirrors = [] {
        return std::vector<int>{g_CurrencyDecimals, g_LegacySystem, g_AutoDisable,
                                g_LoggSendEvents,   g_LogDebug,     g_LogCAPIToCom};
    };
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(logics.changeSettings("StatusOkTimeout:20;ChangeOkCheck:1;LogCAPIToCom:0;"
                                    "LogDebug:0;CurrencyDecimals:3;LegacySystem:1;"
                                    "AutoDisable:1;LoggSendEvents:0",
                                    1, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Done");
    EXPECT_EQ(count("CQXLogics::changeSettings(\"StatusOkTimeout:20;ChangeOkCheck:1;"), 1u);
    EXPECT_EQ(mirrors(), (std::vector<int>{3, 1, 1, 0, 0, 0}));
    logics.changeSettings("StatusOkTimeout:30", 1, message);
    CQXSettings& record = logics.Settings();
    EXPECT_EQ(record.SavedValue(LogCAPIToCom), 1);
    logics.restoreIfTemporary();
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 10);  // as before the first change
    for (int id = 0; id < kSettingCount; ++id) EXPECT_FALSE(record.RestorePending(id));
    EXPECT_EQ(logged("CQXSettings::RestoreSettings: Restored "),
              "ChangeOkCheck: 0|StatusOkTimeout: 10|CurrencyDecimals: 2|LegacySystem: 0|"
              "AutoDisable: 0|LoggSendEvents: 1|LogCAPIToCom: 1|LogDebug: 1|");
    EXPECT_EQ(mirrors(), (std::vector<int>{2, 1, 1, 1, 1, 1}));
    logics.changeSettings("StatusOkTimeout:40", 1, message);
    logics.changeSettings("CurrencyDecimals:4", 0, message);
    logics.restoreIfTemporary();  // nothing temporary any more
    EXPECT_EQ(g_CurrencyDecimals.load(), 4);
    record.RestoreSettings();
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 40);
}

// A restore puts back the values in force before the temporary changes: those of lasting
// changes (initSettings among them), never the defaults beneath them.
TEST_F(Settings, ARestorePutsBackTheLastingValues) {
    CQXSettings record;
    record.NewSettings("PayOutOkCheck:1;StatusOkTimeout:30", 0);  // as initSettings
    record.NewSettings("PayOutAmountPerTimeLimitAmount:50;StatusOkTimeout:5", 1);
    record.NewSettings("PayOutAmountPerTimeLimitAmount:70", 1);
    record.RestoreSettings();
    EXPECT_EQ(record.GetInt(PayOutOkCheck), 1);
    EXPECT_EQ(record.GetInt(StatusOkTimeout), 30);
    EXPECT_EQ(record.GetInt(PayOutAmountPerTimeLimitAmount), 0);
    for (int id = 0; id < kSettingCount; ++id) EXPECT_FALSE(record.RestorePending(id)) << id;
}

// The first settings file of QXCONFIG's (when set), the current, the library's and
// the system directory: its values, else the defaults, each with its line.
TEST_F(Settings, TheSettingsFileIsSearchedForAndRead) {
    const std::string config = makeTempDir("config"), dotIni = "." + ini;
    const std::tuple<const char*, const char*, const char*, int, int, std::vector<std::string>>
        cases[] = {
            // files of QXCONFIG (null: unset), current, system; timeout; tried; logged once
            {nullptr, nullptr, nullptr, 10, 3,
             {"Environment variable QXCONFIG is not defined",
              "Second settings file location (the application directory): " + dotIni,
              std::string("Third settings file location (") + qxplat::libraryDirectoryLabel() +
                  "): " + getRuntimePath() + "qxlogics.ini",
              std::string("Fourth settings file location (") + qxplat::systemDirectoryLabel() +
                  "): " + systemDir + ini,
              "Settings file \"" + dotIni + "\" can't be opened for reading.",
              "About to assign default settings since no configuration file was found.",
              "PayOutAmountPerTimeLimitSeconds: 60 (default value)"}},
            {"StatusOkTimeout=5", "StatusOkTimeout=6", nullptr, 5, 1,
             {"Read environment variable QXCONFIG: " + config,
              "First settings file location (the QXCONFIG environment variable directory): " +
                  config + ini,
              "About to read settings from configuration file: " + config + ini,
              "StatusOkTimeout: 5 (from ini file)"}},
            {"", "StatusOkTimeout=2147484", "StatusOkTimeout=7", 2147483, 2,
             {"StatusOkTimeout 2147484 is above the largest",
              "StatusOkTimeout: 2147483 (from ini file)",
              "About to read settings from configuration file: " + dotIni}},
            // Present with 0 is 0; numbers stay numbers (switches become 0/1); keys are
            // read from their own section only.
            {nullptr, nullptr,
             "StatusOkTimeout=0\nAutoDisable=2\nRegretOkCheck=3\nLogCAPIToCR=0\n[Logging]\n"
             "LogDebug=0\nLogCAPIToCR=7\nChangeOkCheck=1\n[Events]\nForwardCallbackChangeOnly=5",
             0, 3,
             {"About to read settings from configuration file: " + systemDir + ini,
              "LogDebug: 0 (from ini file)", "LogCAPIToCR: 1 (from ini file)",
              "ChangeOkCheck: 0 (default value)", "ForwardCallbackChangeOnly: 5 (from ini file)",
              "AutoDisable: 2 (from ini file)", "RegretOkCheck: 3 (from ini file)"}},
        };
    for (const auto& [inConfig, inCwd, inSystem, timeout, locations, lines] : cases) {
        useFreshLogDir("ini_settings");
        inConfig ? setEnv("QXCONFIG", config) : unsetEnv("QXCONFIG");
        for (const auto& [dir, text] : {std::pair(config, inConfig), {cwd, inCwd},
                                        {systemDir, inSystem}}) {
            std::filesystem::remove(dir + ini);
            if (text && *text) writeFile(dir + ini, std::string("[Operation]\n") + text + "\n");
        }
        logics.Settings().SetInt(StatusOkTimeout, 77);
        logics.getIniFileSettings();
        EXPECT_EQ(logics.Settings().GetInt(StatusOkTimeout), timeout) << timeout;
        EXPECT_EQ(count(" settings file location ("), std::size_t(locations)) << timeout;
        for (const std::string& line : lines)
            EXPECT_EQ(count("CQXLogics::getIniFileSettings: " + line), 1u) << line;
    }
    EXPECT_EQ(count(" (default value)") + count(" (from ini file)"), 18u);
    EXPECT_EQ(getFileVersion(getRuntimePath() + "no-such-file"), "No version Info");
    EXPECT_TRUE(!g_LogDebug && g_AutoDisable == 2 && g_LogCAPIToCR);  // the mirrors follow
}

}  // namespace qxtest
