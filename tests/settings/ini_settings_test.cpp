// ini_settings_test.cpp - the settings file search (QXCONFIG, current
// directory, library directory, system directory), its log lines, and the
// values read from the file against the defaults.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/qxlogics.h"
#include "logging/log_switches.h"
#include "platform/platform.h"
#include "settings/module_info.h"
#include "tests/support/internal_env.h"

namespace {

using qxtest::logLinesContaining;
namespace fsys = std::filesystem;

const std::string kPrefix = "CQXLogics::getIniFileSettings: ";
const std::string kSep(1, qxplat::pathSeparator());
const std::string kDotIni = "." + kSep + "qxlogics.ini";

class IniSettings : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("ini_settings");
        m_savedCwd = fsys::current_path();
        m_emptyCwd = qxtest::makeTempDir("ini_cwd");
        fsys::current_path(m_emptyCwd);
        qxtest::unsetEnv("QXCONFIG");
        m_systemDir = qxtest::makeTempDir("ini_system");
        qxplat::setSystemDirectoryForTesting(m_systemDir);
    }
    void TearDown() override {
        fsys::current_path(m_savedCwd);
        qxtest::unsetEnv("QXCONFIG");
        qxplat::setSystemDirectoryForTesting("");
        g_LogDebug = true;
    }
    static void writeIni(const std::string& dir, const std::string& text) {
        qxtest::writeFile(dir + kSep + "qxlogics.ini", text);
    }
    size_t count(const std::string& needle) {
        return logLinesContaining("qxlogic", needle).size();
    }

    CQXLogics logics;
    fsys::path m_savedCwd;
    std::string m_emptyCwd;
    std::string m_systemDir;
};

TEST_F(IniSettings, NoFileAnywhereGivesDefaultsWithTheirLines) {
    logics.Settings().SetInt(StatusOkTimeout, 77);
    logics.getIniFileSettings();
    EXPECT_EQ(count(kPrefix + "Environment variable QXCONFIG is not defined"), 1u);
    EXPECT_EQ(count("First settings file location"), 0u);
    EXPECT_EQ(count(kPrefix + "Second settings file location (the application "
                              "directory): " + kDotIni), 1u);
    EXPECT_EQ(count(kPrefix + "Third settings file location (the DLL directory): " +
                    getRuntimePath() + "qxlogics.ini"), 1u);
    EXPECT_EQ(count(kPrefix + "Fourth settings file location (the Windows directory): " +
                    m_systemDir + kSep + "qxlogics.ini"), 1u);
    EXPECT_EQ(count("can't be opened for reading."), 3u);
    EXPECT_EQ(count(kPrefix + "Settings file \"" + kDotIni + "\" can't be opened for reading."),
              1u);
    EXPECT_EQ(count(kPrefix + "About to assign default settings since no "
                              "configuration file was found."), 1u);
    EXPECT_EQ(count(" (default value)"), 18u);
    EXPECT_EQ(count(kPrefix + "PayOutAmountPerTimeLimitSeconds: 60 (default value)"), 1u);
    EXPECT_EQ(count(kPrefix + "LogDebug: 1 (default value)"), 1u);
    EXPECT_EQ(count(kPrefix + "CurrencyDecimals: 2 (default value)"), 1u);  // a number
    EXPECT_EQ(logics.Settings().GetInt(StatusOkTimeout), 10);
}

TEST_F(IniSettings, QxconfigDirectoryIsUsedFirstAndAloneAnnounced) {
    const std::string configDir = qxtest::makeTempDir("ini_config");
    writeIni(configDir, "[Operation]\nAskPayOutAmountLimit=1000\n");
    writeIni(m_emptyCwd, "[Operation]\nAskPayOutAmountLimit=2000\n");
    qxtest::setEnv("QXCONFIG", configDir);
    logics.getIniFileSettings();
    EXPECT_EQ(count(kPrefix + "Read environment variable QXCONFIG: " + configDir), 1u);
    EXPECT_EQ(count(kPrefix + "First settings file location (the QXCONFIG environment "
                              "variable directory): " + configDir + kSep + "qxlogics.ini"), 1u);
    EXPECT_EQ(count("Second settings file location"), 0u);
    EXPECT_EQ(count(kPrefix + "About to read settings from configuration file: " +
                    configDir + kSep + "qxlogics.ini"), 1u);
    EXPECT_EQ(count(kPrefix + "AskPayOutAmountLimit: 1000 (from ini file)"), 1u);
    EXPECT_EQ(logics.Settings().GetInt(AskPayOutAmountLimit), 1000);
}

TEST_F(IniSettings, QxconfigWithoutFileFallsThroughToCurrentDirectory) {
    qxtest::setEnv("QXCONFIG", qxtest::makeTempDir("ini_config_empty"));
    writeIni(m_emptyCwd, "[Operation]\nAskPayOutAmountLimit=2000\nStatusOkTimeout=2147484\n");
    writeIni(m_systemDir, "[Operation]\nAskPayOutAmountLimit=3000\n");
    logics.getIniFileSettings();
    EXPECT_EQ(count(kPrefix + "StatusOkTimeout 2147484 is above the largest"), 1u);
    EXPECT_EQ(count(kPrefix + "StatusOkTimeout: 86400 (from ini file)"), 1u);
    EXPECT_EQ(count("can't be opened for reading."), 1u);
    EXPECT_EQ(count("Third settings file location"), 0u);
    EXPECT_EQ(count(kPrefix + "About to read settings from configuration file: " + kDotIni), 1u);
    EXPECT_EQ(logics.Settings().GetInt(AskPayOutAmountLimit), 2000);
}

TEST_F(IniSettings, SystemDirectoryIsTheLastResort) {
    writeIni(m_systemDir, "[Operation]\nStatusOkTimeout=0\n[Logging]\nLogDebug=0\n");
    logics.getIniFileSettings();
    EXPECT_EQ(count("can't be opened for reading."), 2u);
    EXPECT_EQ(count(kPrefix + "About to read settings from configuration file: " +
                    m_systemDir + kSep + "qxlogics.ini"), 1u);
    // Present with 0 is taken as 0; only a missing key gives the default.
    EXPECT_EQ(logics.Settings().GetInt(StatusOkTimeout), 0);
    EXPECT_EQ(count(kPrefix + "StatusOkTimeout: 0 (from ini file)"), 1u);
    EXPECT_EQ(count(kPrefix + "LogDebug: 0 (from ini file)"), 1u);
    EXPECT_EQ(count(kPrefix + "ChangeOkCheck: 0 (default value)"), 1u);
    EXPECT_FALSE(logics.Settings().GetBool(LogDebug));
    EXPECT_FALSE(g_LogDebug.load());
    // The Debug switch now follows the file: trace lines are dropped.
    WriteLog("a trace that must not appear", Debug, LogicLog);
    EXPECT_EQ(count("a trace that must not appear"), 0u);
}

TEST_F(IniSettings, KeysInTheWrongSectionAreNotRead) {
    writeIni(m_emptyCwd, "[Logging]\nStatusOkTimeout=3\nLogCAPIToCR=7\n[Events]\n"
                         "ForwardCallbackChangeOnly=0\n");
    logics.getIniFileSettings();
    EXPECT_EQ(logics.Settings().GetInt(StatusOkTimeout), 10);
    EXPECT_EQ(logics.Settings().GetInt(ForwardCallbackChangeOnly), 0);
    EXPECT_TRUE(logics.Settings().GetBool(LogCAPIToCR));
    EXPECT_EQ(count(kPrefix + "LogCAPIToCR: 1 (from ini file)"), 1u);
}

TEST(ModuleInfo, RuntimePathEndsInSeparatorAndVersionFallsBack) {
    const std::string path = getRuntimePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), qxplat::pathSeparator());
    EXPECT_EQ(getFileVersion(""), "No version Info");
    EXPECT_EQ(getFileVersion(path + "no-such-file"), "No version Info");
}

}  // namespace
