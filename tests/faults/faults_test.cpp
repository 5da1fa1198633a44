// faults_test.cpp - the library's folders and files gone wrong: a log folder that cannot be made
// or written, a settings file missing or corrupt, a binary language file.  The library drops
// what it cannot use and goes on working.  Each case runs its scenario in a child process.
#include <ctime>
#include <filesystem>

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
// At midnight the log files change, and the closed ones are made read-only.
bool nearMidnight() { return now("%H%M") >= "2358"; }

// The language reader's line naming the character it stopped at, whole.
bool printedFailingChar(const std::string& output, int code) {
    const std::string line = "Failing on char " + std::to_string(code);
    return output.find(line + "\n") != std::string::npos ||
           output.find(line + "\r") != std::string::npos;
}

// The library is loaded in the child only.
class FaultTest : public ApiTest {
protected:
    void SetUp() override {
        if (inScenario()) ApiTest::SetUp();
    }

    // A sale through the exports: what "still works" means in every scenario.  "Done" may be
    // translated; "Already initiated" and "Not initiated" are not.
    void expectWorkingSale(const char* done = "Done") {
        ASSERT_EQ(registerAll(), QX_STATUS_OK);
        EXPECT_STREQ(message, done);
        ASSERT_EQ(qx().initQX(kPort, "LogDebug:1", message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(qx().initQX(kPort, "", message), QX_STATUS_WARNING);
        EXPECT_STREQ(message, "Already initiated");
        ASSERT_EQ(qx().loginQX(1, 1, message), QX_STATUS_OK) << message;
        sim().qxsim_wait_idle(2000);
        ASSERT_EQ(qx().enablePayinQX(message), QX_STATUS_OK) << message;
        ASSERT_EQ(sim().qxsim_insert(2000), 0);
        ASSERT_TRUE(awaitStatusAmount(2000));
        int rest = -1;
        EXPECT_EQ(qx().amountDueQX(1500, "fault sale", &rest, message), QX_STATUS_OK) << message;
        EXPECT_EQ(rest, 0);
        sim().qxsim_wait_idle(3000);
        EXPECT_EQ(qx().logoutQX(message), QX_STATUS_OK) << message;
        EXPECT_EQ(qx().exitQX(message), QX_STATUS_OK) << message;
        EXPECT_STREQ(message, done);
        EXPECT_EQ(qx().exitQX(message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Not initiated");
    }
    // Lines of the settings reader in the logic log.
    void expectSettingsLines(const std::vector<std::string>& texts) {
        for (const std::string& text : texts) {
            const std::string line = "CQXLogics::getIniFileSettings: " + text;
            EXPECT_FALSE(logLinesContaining("qxlogic", line).empty()) << line;
        }
    }
    // The first place the library looks for its settings file.
    static std::string settingsFile() {
        return std::string(std::getenv("QXCONFIG")) + (onWindows() ? "\\" : "/") + "qxlogics.ini";
    }
};

TEST_F(FaultTest, LogFolderThatCannotBeMadeDropsEveryLine) {
    if (inScenario()) return expectWorkingSale();
    const std::string missing = makeTempDir("log_parent") + "/gone/logs";
    runInChild({{"QXLOGS", missing}});
    EXPECT_FALSE(fsys::exists(fsys::path(missing).parent_path())) << "made two levels";
}

TEST_F(FaultTest, LogPathNamingAFileOpensNoLog) {
    if (inScenario()) return expectWorkingSale();
    const std::string file = makeTempDir("log_file") + "/not_a_directory";
    writeFile(file, "keep me\n");
    runInChild({{"QXLOGS", file}});
    EXPECT_EQ(readFile(file), "keep me\n");
}

TEST_F(FaultTest, ReadOnlyLogFolderDropsEveryLine) {
    if (inScenario()) return expectWorkingSale();
    if (runningAsRoot()) GTEST_SKIP() << "root writes into read-only folders";
    if (onWindows()) GTEST_SKIP() << "a read-only folder still takes new files on Windows";
    const std::string dir = makeTempDir("log_readonly");
    fsys::permissions(dir, fsys::perms::owner_read | fsys::perms::owner_exec);
    runInChild({{"QXLOGS", dir}});
    fsys::permissions(dir, fsys::perms::owner_all);
    EXPECT_TRUE(fsys::is_empty(dir));
}

// A file of this week left read-only (as a date change leaves the day before's) is made
// writable again and appended to.
TEST_F(FaultTest, ReadOnlyLogFileOfThisWeekIsAppendedTo) {
    if (inScenario()) return expectWorkingSale();
    if (nearMidnight()) GTEST_SKIP() << "the log files change at midnight";
    const std::string dir = makeTempDir("log_rofile"), path = dir + "/" + now("qxapi_%a.log");
    const std::string first = now("w%W 00:00:00.000 ## earlier line");
    writeFile(path, first + "\n");
    fsys::permissions(path, fsys::perms::owner_read | fsys::perms::group_read |
                                fsys::perms::others_read);
    runInChild({{"QXLOGS", dir}});
    EXPECT_NE(fsys::status(path).permissions() & fsys::perms::owner_write, fsys::perms::none);
    const std::string text = readFile(path);
    EXPECT_EQ(text.rfind(first, 0), 0u) << "the earlier line was lost";
    EXPECT_NE(text.find("loginQX: Ok! Returning 0 (QX_STATUS_OK): Done"), std::string::npos);
}

// Every write fails as on a full disk: the library must not notice.
TEST_F(FaultTest, FullDiskLosesLinesButNotTheSale) {
    if (inScenario()) return expectWorkingSale();
    if (onWindows() || !fsys::exists("/dev/full")) GTEST_SKIP() << "no full device to write to";
    // A date change would make the closed files read-only: not the device behind the links.
    if (nearMidnight()) GTEST_SKIP() << "the log files change at midnight";
    const std::string dir = makeTempDir("log_full");
    for (const char* name : {"qxapi_%a.log", "qxlogic_%a.log", "qxerror_%b.log"})
        fsys::create_symlink("/dev/full", dir + "/" + now(name));
    runInChild({{"QXLOGS", dir}});
}

TEST_F(FaultTest, MissingSettingsFileGivesEveryDefault) {
    if (inScenario()) {
        expectWorkingSale();
        return expectSettingsLines(
            {"Read environment variable QXCONFIG: " + std::string(std::getenv("QXCONFIG")),
             "Settings file \"" + settingsFile() + "\" can't be opened for reading.",
             "StatusOkTimeout: 10 (default value)", "AskPayOutAmountLimit: 4900 (default value)",
             "LogDebug: 1 (default value)"});
    }
    runInChild({{"QXCONFIG", makeTempDir("settings_missing")},
                {"QXLOGS", makeTempDir("settings_logs")}});
}

TEST_F(FaultTest, CorruptSettingsFileKeepsWhatCanBeRead) {
    if (inScenario()) {
        expectWorkingSale();
        return expectSettingsLines(
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
    runInChild({{"QXCONFIG", config}, {"QXLOGS", makeTempDir("settings_logs")}});
}

// Reading stops at a binary line: translations before it work, those after it do not, and the
// reader names the offending character.  The result lines show the translated message.
TEST_F(FaultTest, BinaryLineEndsTheLanguageTable) {
    if (inScenario()) {
        expectWorkingSale("Fertig");
        return expectLogged({"== exitQX: Ok! Returning 0 (QX_STATUS_OK): Fertig"});
    }
    const std::string config = makeTempDir("lang_binary");
    writeFile(config + "/qxlang.ini",
              "[Lang]\nDone=Fertig\n\x80\x01\x02\xff binary\nAlready initiated=Schon offen\n");
    const std::string output =
        runInChild({{"QXCONFIG", config}, {"QXLOGS", makeTempDir("lang_logs")}});
    EXPECT_TRUE(printedFailingChar(output, -128)) << output;
}

TEST_F(FaultTest, WholeBinaryLanguageFileTranslatesNothing) {
    if (inScenario()) return expectWorkingSale();
    const std::string config = makeTempDir("lang_all_binary");
    std::string bytes;
    for (int i = 0; i < 512; ++i) bytes += static_cast<char>((i * 37 + 128) % 256);
    writeFile(config + "/qxlang.ini", bytes);
    const std::string output =
        runInChild({{"QXCONFIG", config}, {"QXLOGS", makeTempDir("lang_logs")}});
    EXPECT_TRUE(printedFailingChar(output, -128)) << output;
}

}  // namespace
}  // namespace qxtest
