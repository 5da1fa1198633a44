// log_directory_faults_test.cpp - the log directory cannot be made, is
// no directory, is read-only, holds read-only files, or sits on a full
// disk: the library drops what it cannot write and goes on working.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "tests/faults/fault_scenario.h"

namespace qxtest {
namespace {

namespace fsys = std::filesystem;

// File names of the logs written now: weekday files and the month file,
// and the week number their first line carries.
struct LogNames {
    std::string api, logic, error;
    int week = 0;
    bool nearMidnight = false;
};
LogNames currentLogNames() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char weekday[8], month[8], week[8];
    std::strftime(weekday, sizeof weekday, "%a", &local);
    std::strftime(month, sizeof month, "%b", &local);
    std::strftime(week, sizeof week, "%W", &local);
    LogNames names;
    names.api = std::string("qxapi_") + weekday + ".log";
    names.logic = std::string("qxlogic_") + weekday + ".log";
    names.error = std::string("qxerror_") + month + ".log";
    names.week = std::atoi(week);
    names.nearMidnight = local.tm_hour == 23 && local.tm_min >= 58;
    return names;
}

// ---- Parent cases ---------------------------------------------------------

TEST(LogDirectoryFaultTest, DirectoryThatCannotBeMadeDropsEveryLine) {
    const std::string missing = makeTempDir("log_parent") + "/gone/logs";
    const ScenarioRun run = runScenario("SaleWithoutLogs", {{"QXLOGS", missing}});
    QXT_EXPECT_SCENARIO_PASSES(run);
    // One level is made, not two: nothing appeared.
    EXPECT_FALSE(fsys::exists(fsys::path(missing).parent_path()));
}

TEST(LogDirectoryFaultTest, PathNamingAFileOpensNoLog) {
    const std::string file = makeTempDir("log_file") + "/not_a_directory";
    writeFile(file, "keep me\n");
    const ScenarioRun run = runScenario("SaleWithoutLogs", {{"QXLOGS", file}});
    QXT_EXPECT_SCENARIO_PASSES(run);
    EXPECT_EQ(readFile(file), "keep me\n");
}

TEST(LogDirectoryFaultTest, ReadOnlyDirectoryDropsEveryLine) {
    if (runningAsRoot()) GTEST_SKIP() << "root writes into read-only directories";
    if (onWindows()) GTEST_SKIP() << "a read-only folder still takes new files on Windows";
    const std::string dir = makeTempDir("log_readonly");
    fsys::permissions(dir, fsys::perms::owner_read | fsys::perms::owner_exec);
    const ScenarioRun run = runScenario("SaleWithoutLogs", {{"QXLOGS", dir}});
    fsys::permissions(dir, fsys::perms::owner_all);
    QXT_EXPECT_SCENARIO_PASSES(run);
    EXPECT_TRUE(fsys::is_empty(dir));
}

// A file of this week left read-only (as a date change leaves the files
// of the day before) is made writable again and appended to.
TEST(LogDirectoryFaultTest, ReadOnlyFileOfThisWeekIsAppendedTo) {
    const LogNames names = currentLogNames();
    if (names.nearMidnight) GTEST_SKIP() << "the log files change at midnight";
    const std::string dir = makeTempDir("log_rofile");
    char first[64];
    std::snprintf(first, sizeof first, "w%02d 00:00:00.000 ## earlier line", names.week);
    const std::string path = dir + "/" + names.api;
    writeFile(path, std::string(first) + "\n");
    fsys::permissions(path, fsys::perms::owner_read | fsys::perms::group_read |
                                fsys::perms::others_read);
    const ScenarioRun run = runScenario("PlainSale", {{"QXLOGS", dir}});
    QXT_EXPECT_SCENARIO_PASSES(run);
    EXPECT_NE(fsys::status(path).permissions() & fsys::perms::owner_write, fsys::perms::none);
    const std::string text = readFile(path);
    EXPECT_EQ(text.rfind(first, 0), 0u) << "the earlier line was lost";
    EXPECT_NE(text.find("loginQX: Ok! Returning 0 (QX_STATUS_OK): Done"), std::string::npos);
}

// Every write fails as on a full disk: the library must not notice.
TEST(LogDirectoryFaultTest, FullDiskLosesLinesButNotTheSale) {
    if (onWindows()) GTEST_SKIP() << "no full device to write to under Wine";
    if (!fsys::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const LogNames names = currentLogNames();
    // At a date change the closed files are marked read-only: that must
    // not reach the device node behind the links.
    if (names.nearMidnight) GTEST_SKIP() << "the log files change at midnight";
    const std::string dir = makeTempDir("log_full");
    for (const std::string& name : {names.api, names.logic, names.error})
        fsys::create_symlink("/dev/full", dir + "/" + name);
    const ScenarioRun run = runScenario("SaleWithoutLogs", {{"QXLOGS", dir}});
    QXT_EXPECT_SCENARIO_PASSES(run);
}

// ---- Scenarios (child processes) ------------------------------------------

TEST(FaultScenario, SaleWithoutLogs) {
    QXT_SCENARIO_ONLY();
    const LoadedApi* api = loadInScenario();
    ASSERT_NE(api, nullptr);
    expectWorkingSale(*api);
    // Failures still answer the application with their codes and texts.
    char message[QX_BUFFER_CAPACITY] = "";
    EXPECT_EQ(api->qx.exitQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
}

// A sale with nothing to add: the outcome lies in what the run leaves
// behind (logs, translations), which the parent checks.
TEST(FaultScenario, PlainSale) {
    QXT_SCENARIO_ONLY();
    const LoadedApi* api = loadInScenario();
    ASSERT_NE(api, nullptr);
    expectWorkingSale(*api);
}

}  // namespace
}  // namespace qxtest
