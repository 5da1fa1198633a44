// faults_test.cpp - the library's folders and files gone wrong: log folders that cannot be made
// or written, a settings file missing or corrupt, a binary language file.  The library drops
// what it cannot use and goes on working.  Each case runs its scenario in a child process.
#include <ctime>
#include <filesystem>
#include <fstream>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

namespace fsys = std::filesystem;

// Now in strftime's format: log files are named by weekday or month, their lines by week.
std::string now(const char* format) {
    const std::time_t time = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, format, std::localtime(&time));
    return text;
}

// The library is loaded in the child only, where a whole session (sellOnce) shows that it still
// works.
class FaultTest : public ApiTest {
protected:
    void SetUp() override {
        if (inScenario()) ApiTest::SetUp();
    }

    // The child's sale, then these lines of the settings reader in its logic log.
    void expectSaleAndSettings(const std::vector<std::string>& texts) {
        sellOnce();
        for (const std::string& text : texts) {
            const std::string line = "CQXLogics::getIniFileSettings: " + text;
            EXPECT_FALSE(logLinesContaining("qxlogic", line).empty()) << line;
        }
    }
    // Runs the child with this settings folder; the reader's line naming the character it
    // stopped at, if expected, is on its output.
    void runWithSettings(const std::string& config, bool printsFailingChar = false) {
        const std::string output =
            runInChild({{"QXCONFIG", config}, {"QXLOGS", makeTempDir("settings_logs")}});
        const bool printed = output.find("Failing on char -128\n") != std::string::npos ||
                             output.find("Failing on char -128\r") != std::string::npos;
        EXPECT_EQ(printed, printsFailingChar) << output;
    }
    // The first place the library looks for its settings file.
    static std::string settingsFile() {
        return std::string(std::getenv("QXCONFIG")) + (onWindows() ? "\\" : "/") + "qxlogics.ini";
    }
};

// The log folder cannot be made, names a file, is read-only, holds a read-only file of this
// week (as a date change leaves the day before's), or sits on a full disk.
TEST_F(FaultTest, LogFolderFaultsLoseLinesButNotTheSale) {
    if (inScenario()) return sellOnce();
    // At midnight the log files change, and the closed ones are made read-only.
    if (now("%H%M") >= "2358") GTEST_SKIP() << "the log files change at midnight";
    const std::string root = makeTempDir("log_faults");
    runInChild({{"QXLOGS", root + "/gone/logs"}});
    EXPECT_FALSE(fsys::exists(root + "/gone")) << "made two levels";

    writeFile(root + "/file", "keep me\n");
    runInChild({{"QXLOGS", root + "/file"}});
    EXPECT_EQ(readFile(root + "/file"), "keep me\n");

    const std::string readOnly = makeTempDir("log_readonly");
    fsys::permissions(readOnly, fsys::perms::owner_read | fsys::perms::owner_exec);
    // The superuser, and Windows, write into read-only folders all the same.
    if (!std::ofstream(readOnly + "/probe").is_open()) {
        runInChild({{"QXLOGS", readOnly}});
        EXPECT_TRUE(fsys::is_empty(readOnly));
    }
    fsys::permissions(readOnly, fsys::perms::owner_all);

    // A read-only file of this week is made writable again and appended to.
    const std::string week = makeTempDir("log_rofile"), path = week + now("/qxapi_%a.log");
    const std::string first = now("w%W 00:00:00.000 ## earlier line");
    writeFile(path, first + "\n");
    fsys::permissions(path, fsys::perms::owner_read);
    runInChild({{"QXLOGS", week}});
    EXPECT_NE(fsys::status(path).permissions() & fsys::perms::owner_write, fsys::perms::none);
    EXPECT_EQ(readFile(path).rfind(first, 0), 0u) << "the earlier line was lost";
    EXPECT_NE(readFile(path).find("loginQX: Ok! Returning 0 (QX_STATUS_OK): Done"),
              std::string::npos);

    // Every write fails as on a full disk: the library must not notice.
    if (onWindows() || !fsys::exists("/dev/full")) return;
    const std::string full = makeTempDir("log_full");
    for (const char* name : {"/qxapi_%a.log", "/qxlogic_%a.log", "/qxerror_%b.log"})
        fsys::create_symlink("/dev/full", full + now(name));
    runInChild({{"QXLOGS", full}});
}

TEST_F(FaultTest, MissingSettingsFileGivesEveryDefault) {
    if (inScenario()) {
        return expectSaleAndSettings(
            {"Read environment variable QXCONFIG: " + std::string(std::getenv("QXCONFIG")),
             "Settings file \"" + settingsFile() + "\" can't be opened for reading.",
             "StatusOkTimeout: 10 (default value)", "AskPayOutAmountLimit: 4900 (default value)",
             "LogDebug: 1 (default value)"});
    }
    runWithSettings(makeTempDir("settings_missing"));
}

TEST_F(FaultTest, CorruptSettingsFileKeepsWhatCanBeRead) {
    if (inScenario()) {
        return expectSaleAndSettings(
            {"About to read settings from configuration file: " + settingsFile(),
             "AskPayOutAmountLimit: 12 (from ini file)",
             "PayOutAmountPerTimeLimitSeconds: 75 (from ini file)",
             "ForwardCallbackChangeOnly: 1 (default value)", "StatusOkTimeout: 10 (default value)"});
    }
    const std::string config = makeTempDir("settings_corrupt");
    writeFile(config + "/qxlogics.ini",
              "junk before any section\n\x80\x81\x82\x01\x02 binary \xfe\n[Operation]\n"
              "AskPayOutAmountLimit=12xyz\n\x90\x91=\x92\nPayOutAmountPerTimeLimitSeconds=75\n"
              "[Events\n=no key\n");
    runWithSettings(config);
}

// Reading stops at a binary line: translations before it work, those after it do not.  The
// result lines show the translated message.
TEST_F(FaultTest, BinaryLineEndsTheLanguageTable) {
    if (inScenario()) {
        sellOnce("Fertig");
        return expectLogged({"== exitQX: Ok! Returning 0 (QX_STATUS_OK): Fertig"});
    }
    const std::string config = makeTempDir("lang_binary");
    writeFile(config + "/qxlang.ini",
              "[Lang]\nDone=Fertig\n\x80\x01\x02\xff binary\nAlready initiated=Schon offen\n");
    runWithSettings(config, true);
}

TEST_F(FaultTest, WholeBinaryLanguageFileTranslatesNothing) {
    if (inScenario()) return sellOnce();
    const std::string config = makeTempDir("lang_all_binary");
    std::string bytes;
    for (int i = 0; i < 512; ++i) bytes += static_cast<char>((i * 37 + 128) % 256);
    writeFile(config + "/qxlang.ini", bytes);
    runWithSettings(config, true);
}

}  // namespace
}  // namespace qxtest
