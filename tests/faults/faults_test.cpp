// faults_test.cpp - log folders, settings and language files gone wrong: the library drops what
// it cannot use and goes on working.  Each scenario runs in a child process.
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

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

// The lines of a log, without their times.
std::string untimed(const std::string& base) {
    return std::regex_replace(readLog(base), std::regex("(^|\n)w\\d\\d [0-9:.]{12} |\r"), "$1");
}

// The child loads the library and sells once, "Done" translated as QX_DONE says; then the log
// lines QX_EXPECT lists ("base text|...") must be there.
class FaultTest : public ApiTest {
protected:
    void SetUp() override {
        if (inScenario()) ApiTest::SetUp();
    }
    void childScenario() {
        const char* done = std::getenv("QX_DONE");
        sellOnce(done ? done : "Done");
        const char* expected = std::getenv("QX_EXPECT");
        std::istringstream lines(expected ? expected : "");
        for (std::string base, text; lines >> base && std::getline(lines, text, '|');)
            EXPECT_FALSE(logLinesContaining(base, text.substr(1)).empty()) << base << text;
    }
};

// The log folder cannot be made, names a file, is read-only, holds a read-only file of this
// week (as a date change leaves the day before's), or sits on a full disk.
TEST_F(FaultTest, LogFolderFaultsLoseLinesButNotTheSale) {
    if (inScenario()) return childScenario();
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

// A missing settings file gives the defaults, a corrupt one keeps what can be read; a language
// file is read up to a binary line, whose character the reader names.
TEST_F(FaultTest, SettingsAndLanguageFilesThatCannotBeRead) {
    if (inScenario()) {  // a fresh log folder: the load opened each log with its banner
        const std::string bar = "## " + std::string(62, '=') + "\n";
        const std::string api = bar + "## C API Loaded\n" + bar,
                          logic = "## Session Starting\n" + bar + "## CQXLogics::CQXLogics\n" + bar;
        EXPECT_EQ(untimed("qxapi").substr(0, api.size()), api);
        EXPECT_EQ(untimed("qxlogic").substr(0, logic.size()), logic);
        return childScenario();
    }
    const std::string missing = makeTempDir("missing"), corrupt = makeTempDir("corrupt");
    const std::string reader = "qxlogic CQXLogics::getIniFileSettings: ";
    const std::string file = std::string(onWindows() ? "\\" : "/") + "qxlogics.ini";
    std::string allBinary;
    for (int i = 0; i < 512; ++i) allBinary += static_cast<char>((i * 37 + 128) % 256);
    const struct {
        std::string config, file, text, done;
        std::vector<std::string> lines;
    } cases[] = {
        {missing, "", "", "Done",
         {reader + "Read environment variable QXCONFIG: " + missing,
          reader + "Settings file \"" + missing + file + "\" can't be opened for reading.",
          reader + "StatusOkTimeout: 10 (default value)",
          reader + "AskPayOutAmountLimit: 4900 (default value)",
          reader + "LogDebug: 1 (default value)"}},
        {corrupt, "qxlogics.ini",
         "junk before any section\n\x80\x81\x82\x01\x02 binary \xfe\n[Operation]\n"
         "AskPayOutAmountLimit=12xyz\n\x90\x91=\x92\nPayOutAmountPerTimeLimitSeconds=75\n"
         "[Events\n=no key\n",
         "Done",
         {reader + "About to read settings from configuration file: " + corrupt + file,
          reader + "AskPayOutAmountLimit: 12 (from ini file)",
          reader + "PayOutAmountPerTimeLimitSeconds: 75 (from ini file)",
          reader + "ForwardCallbackChangeOnly: 1 (default value)",
          reader + "StatusOkTimeout: 10 (default value)"}},
        {makeTempDir("language"), "qxlang.ini",
         "[Lang]\nDone=Fertig\n\x80\x01\x02\xff binary\nAlready initiated=Schon offen\n", "Fertig",
         {"qxapi exitQX: Ok! Returning 0 (QX_STATUS_OK): Fertig"}},
        {makeTempDir("language"), "qxlang.ini", allBinary, "Done", {}},
    };
    for (const auto& c : cases) {
        if (!c.file.empty()) writeFile(c.config + "/" + c.file, c.text);
        std::string expected;
        for (const std::string& line : c.lines) expected += line + "|";
        const std::string output =
            runInChild({{"QXCONFIG", c.config}, {"QXLOGS", makeTempDir("settings_logs")},
                        {"QX_DONE", c.done}, {"QX_EXPECT", expected}});
        EXPECT_EQ(std::regex_search(output, std::regex("Failing on char -128\r?\n")),
                  c.file == "qxlang.ini") << output;
    }
}

}  // namespace
}  // namespace qxtest
