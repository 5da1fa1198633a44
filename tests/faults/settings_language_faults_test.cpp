// settings_language_faults_test.cpp - a settings file that is missing or
// corrupt and a language file with binary content: the library falls
// back to its defaults and untranslated texts and goes on working.
#include <string>

#include "tests/faults/fault_scenario.h"

namespace qxtest {
namespace {

const std::string kSettingsLine = "CQXLogics::getIniFileSettings: ";

// The first place the library looks for its settings file.
std::string settingsPath() {
    return std::string(std::getenv("QXCONFIG")) + (onWindows() ? "\\" : "/") + "qxlogics.ini";
}

// The reader's line on the standard output, ended as the platform ends
// text lines.
bool printedFailingChar(const std::string& output, int code) {
    const std::string line = "Failing on char " + std::to_string(code);
    const std::size_t at = output.find(line);
    return at != std::string::npos && at + line.size() < output.size() &&
           (output[at + line.size()] == '\n' || output[at + line.size()] == '\r');
}

bool logHas(const std::string& base, const std::string& text) {
    return readLog(base).find(text) != std::string::npos;
}

// ---- Parent cases ---------------------------------------------------------

TEST(SettingsFaultTest, MissingFileGivesEveryDefault) {
    const std::string config = makeTempDir("settings_missing");
    const ScenarioRun run = runScenario(
        "MissingSettings", {{"QXCONFIG", config}, {"QXLOGS", makeTempDir("settings_logs")}});
    QXT_EXPECT_SCENARIO_PASSES(run);
}

TEST(SettingsFaultTest, CorruptFileKeepsWhatCanBeRead) {
    const std::string config = makeTempDir("settings_corrupt");
    writeFile(config + "/qxlogics.ini",
              "junk before any section\n"
              "\x80\x81\x82\x01\x02 binary \xfe\n"
              "[Operation]\n"
              "AskPayOutAmountLimit=12xyz\n"
              "\x90\x91=\x92\n"
              "PayOutAmountPerTimeLimitSeconds=75\n"
              "[Events\n"
              "=no key\n");
    const ScenarioRun run = runScenario(
        "CorruptSettings", {{"QXCONFIG", config}, {"QXLOGS", makeTempDir("settings_logs")}});
    QXT_EXPECT_SCENARIO_PASSES(run);
}

// Reading stops at the binary line: translations before it work, those
// after it do not, and the reader names the offending character.
TEST(LanguageFaultTest, BinaryLineEndsTheTable) {
    const std::string config = makeTempDir("lang_binary");
    writeFile(config + "/qxlang.ini",
              "[Lang]\n"
              "Done=Fertig\n"
              "\x80\x01\x02\xff binary\n"
              "Already initiated=Schon offen\n");
    const ScenarioRun run = runScenario(
        "BinaryLanguage", {{"QXCONFIG", config}, {"QXLOGS", makeTempDir("lang_logs")}});
    QXT_EXPECT_SCENARIO_PASSES(run);
    EXPECT_TRUE(printedFailingChar(run.output, -128)) << run.output;
}

TEST(LanguageFaultTest, WholeBinaryFileTranslatesNothing) {
    const std::string config = makeTempDir("lang_all_binary");
    std::string bytes;
    for (int i = 0; i < 512; ++i) bytes += static_cast<char>((i * 37 + 128) % 256);
    writeFile(config + "/qxlang.ini", bytes);
    const ScenarioRun run = runScenario(
        "PlainSale", {{"QXCONFIG", config}, {"QXLOGS", makeTempDir("lang_logs")}});
    QXT_EXPECT_SCENARIO_PASSES(run);
    EXPECT_TRUE(printedFailingChar(run.output, -128)) << run.output;
}

// ---- Scenarios (child processes) ------------------------------------------

TEST(FaultScenario, MissingSettings) {
    QXT_SCENARIO_ONLY();
    const LoadedApi* api = loadInScenario();
    ASSERT_NE(api, nullptr);
    expectWorkingSale(*api);
    const std::string path = settingsPath();
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "Read environment variable QXCONFIG: " +
                                      std::getenv("QXCONFIG")));
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "Settings file \"" + path +
                                      "\" can't be opened for reading."))
        << readLog("qxlogic");
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "StatusOkTimeout: 10 (default value)"));
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "AskPayOutAmountLimit: 4900 (default value)"));
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "LogDebug: 1 (default value)"));
}

TEST(FaultScenario, CorruptSettings) {
    QXT_SCENARIO_ONLY();
    const LoadedApi* api = loadInScenario();
    ASSERT_NE(api, nullptr);
    expectWorkingSale(*api);
    const std::string path = settingsPath();
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine +
                                      "About to read settings from configuration file: " + path))
        << readLog("qxlogic");
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "AskPayOutAmountLimit: 12 (from ini file)"))
        << readLog("qxlogic");
    EXPECT_TRUE(
        logHas("qxlogic", kSettingsLine + "PayOutAmountPerTimeLimitSeconds: 75 (from ini file)"));
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "ForwardCallbackChangeOnly: 1 (default value)"));
    EXPECT_TRUE(logHas("qxlogic", kSettingsLine + "StatusOkTimeout: 10 (default value)"));
}

TEST(FaultScenario, BinaryLanguage) {
    QXT_SCENARIO_ONLY();
    const LoadedApi* api = loadInScenario();
    ASSERT_NE(api, nullptr);
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(api->qx.registerEvents23QX(ignoreStatus, ignoreError, ignoreCashLevel,
                                         ignoreLevelWarning, ignoreCashSession, message),
              QX_STATUS_OK);
    EXPECT_STREQ(message, "Fertig");
    ASSERT_EQ(api->qx.initQX(kFaultPort, "LogDebug:1", message), QX_STATUS_OK) << message;
    EXPECT_STREQ(message, "Fertig");
    EXPECT_EQ(api->qx.initQX(kFaultPort, "LogDebug:1", message), QX_STATUS_WARNING);
    EXPECT_STREQ(message, "Already initiated");
    EXPECT_EQ(api->qx.exitQX(message), QX_STATUS_OK);
    EXPECT_STREQ(message, "Fertig");
    // Log texts are never translated.
    EXPECT_TRUE(logHas("qxapi", "exitQX: Ok! Returning 0 (QX_STATUS_OK): Fertig"));
    api->sim.qxsim_reset();
    expectWorkingSale(*api, "Fertig");
}

}  // namespace
}  // namespace qxtest
