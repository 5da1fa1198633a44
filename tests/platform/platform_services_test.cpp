// platform_services_test.cpp - the services both backends provide alike:
// directories, read-only marking, path splitting, the system directory,
// the environment, the clock and sleep seams, message numbers and
// library loading failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

const std::string kSep(1, qxplat::pathSeparator());

bool ownerWritable(const std::string& path) {
    auto perms = std::filesystem::status(path).permissions();
    return (perms & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
}

TEST(PlatformFiles, MakeDirectoryReportsCreatedExistingAndFailed) {
    std::string base = makeTempDir("mkdir");
    std::string fresh = base + kSep + "fresh";
    EXPECT_EQ(qxplat::makeDirectory(fresh), qxplat::MakeDirResult::Created);
    EXPECT_TRUE(std::filesystem::is_directory(fresh));
    EXPECT_EQ(qxplat::makeDirectory(fresh), qxplat::MakeDirResult::AlreadyExists);
    // One level only: a missing parent is not made.
    EXPECT_EQ(qxplat::makeDirectory(base + kSep + "a" + kSep + "b"), qxplat::MakeDirResult::Failed);
    EXPECT_FALSE(std::filesystem::exists(base + kSep + "a"));
}

TEST(PlatformFiles, ReadOnlyMarkingCanBeSetAndCleared) {
    std::string file = makeTempDir("readonly") + kSep + "qxapi_Mon.log";
    writeFile(file, "w01 line\n");
    ASSERT_TRUE(ownerWritable(file));
    qxplat::setReadOnly(file, true);
    EXPECT_FALSE(ownerWritable(file));
    qxplat::setReadOnly(file, false);
    EXPECT_TRUE(ownerWritable(file));
    EXPECT_EQ(readFile(file), "w01 line\n");
    qxplat::setReadOnly(file + ".missing", true);  // no file: nothing happens
    EXPECT_FALSE(std::filesystem::exists(file + ".missing"));
}

TEST(PlatformFiles, DirectoryOfKeepsTheTrailingSeparator) {
    std::string dir = "top" + kSep + "sub" + kSep;
    EXPECT_EQ(qxplat::directoryOf(dir + "qxlogics.dll"), dir);
    EXPECT_EQ(qxplat::directoryOf("qxlogics.dll"), "");
}

TEST(PlatformFiles, OwnModuleFileNameNamesAnExistingFile) {
    std::string own = qxplat::ownModuleFileName("qxlogics.dll");
    ASSERT_FALSE(own.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(own)) << own;
    EXPECT_FALSE(qxplat::directoryOf(own).empty());
}

TEST(PlatformFiles, FileVersionOfAFileWithoutVersionIsEmpty) {
    EXPECT_EQ(qxplat::fileVersion(makeTempDir("nover") + kSep + "missing.dll"), "");
    EXPECT_EQ(qxplat::fileVersion(""), "");
}

TEST(PlatformFiles, SystemDirectoryCanBeReplacedForTests) {
    std::string real = qxplat::systemDirectory();
    EXPECT_FALSE(real.empty());
    qxplat::setSystemDirectoryForTesting("elsewhere");
    EXPECT_EQ(qxplat::systemDirectory(), "elsewhere");
    qxplat::setSystemDirectoryForTesting("");
    EXPECT_EQ(qxplat::systemDirectory(), real);
}

TEST(PlatformEnvironment, GetEnvSeesSetAndUnsetVariables) {
    std::string value = "unchanged";
    setEnv("QX_PLATFORM_TEST_VAR", "some value");
    EXPECT_TRUE(qxplat::getEnv("QX_PLATFORM_TEST_VAR", value));
    EXPECT_EQ(value, "some value");
    unsetEnv("QX_PLATFORM_TEST_VAR");
    value = "unchanged";
    EXPECT_FALSE(qxplat::getEnv("QX_PLATFORM_TEST_VAR", value));
    EXPECT_EQ(value, "unchanged");
}

TEST(PlatformClock, TheLocalClockFollowsItsHookAndComesBack) {
    qxplat::LocalTime fixed{2031, 7, 9, 1, 2, 3, 456, 3, 189};
    qxplat::setLocalClockForTesting([fixed] { return fixed; });
    qxplat::LocalTime now = qxplat::localNow();
    EXPECT_EQ(now.year, 2031);
    EXPECT_EQ(now.millisecond, 456);
    EXPECT_EQ(now.yearDay, 189);
    qxplat::setLocalClockForTesting(nullptr);
    now = qxplat::localNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LT(now.millisecond, 1000);
    EXPECT_LE(now.weekday, 6);
}

TEST(PlatformClock, TheRealClockCountsTheDayOfTheYearFromTheDate) {
    qxplat::LocalTime now = qxplat::localNow();
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    bool leap = (now.year % 4 == 0 && now.year % 100 != 0) || now.year % 400 == 0;
    int expected = before[now.month - 1] + (leap && now.month > 2 ? 1 : 0) + now.day - 1;
    EXPECT_EQ(now.yearDay, expected);
}

TEST(PlatformClock, TheCalendarClockFollowsItsHook) {
    qxplat::setCalendarClockForTesting([] { return std::time_t(1234567890); });
    EXPECT_EQ(qxplat::calendarNow(), std::time_t(1234567890));
    qxplat::setCalendarClockForTesting(nullptr);
    EXPECT_GT(qxplat::calendarNow(), std::time_t(1700000000));
}

TEST(PlatformClock, TheSleepHookReceivesEveryStepInsteadOfSleeping) {
    std::vector<int> steps;
    qxplat::setSleepHookForTesting([&steps](int ms) { steps.push_back(ms); });
    qxplat::sleepMs(10);
    qxplat::sleepMs(15000);  // would take 15 s without the hook
    qxplat::setSleepHookForTesting(nullptr);
    EXPECT_EQ(steps, (std::vector<int>{10, 15000}));
}

TEST(PlatformClock, HooksMayBeSwappedWhileAnotherThreadReadsThem) {
    std::thread reader([] {
        for (int i = 0; i < 2000; ++i) qxplat::localNow();
    });
    for (int i = 0; i < 200; ++i) {
        qxplat::setLocalClockForTesting([i] { return qxplat::LocalTime{2030, 1, 1, 0, 0, 0, i % 1000, 2, 0}; });
        qxplat::setLocalClockForTesting(nullptr);
    }
    reader.join();
    EXPECT_GE(qxplat::localNow().year, 2024);
}

TEST(PlatformMessages, TheSameNameAlwaysGetsTheSameRegisteredNumber) {
    unsigned status = qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS");
    unsigned other = qxplat::registerWindowMessage("WM_QX_TEST_OTHER_NAME");
    EXPECT_GE(status, 0xC000u);
    EXPECT_LE(status, 0xFFFFu);
    EXPECT_GE(other, 0xC000u);
    EXPECT_NE(status, other);
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS"), status);
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_TEST_OTHER_NAME"), other);
}

TEST(PlatformMessages, TheFourEventNamesGetFourNumbers) {
    unsigned numbers[] = {qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS"),
                          qxplat::registerWindowMessage("WM_QX_CALLBACK_ERROR"),
                          qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHLEVEL"),
                          qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHSESSION")};
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) EXPECT_NE(numbers[i], numbers[j]);
    }
}

TEST(PlatformLibraries, AMissingLibraryGivesNull) {
    EXPECT_EQ(qxplat::loadLibrary("QxNoSuchLibrary"), nullptr);
    qxplat::setLibraryDirectoryForTesting(makeTempDir("nolib"));
    EXPECT_EQ(qxplat::loadLibrary("QxNoSuchLibrary"), nullptr);
    qxplat::setLibraryDirectoryForTesting("");
    EXPECT_EQ(qxplat::findEntry(nullptr, "?qx_dini@@YGXXZ"), nullptr);
    EXPECT_FALSE(qxplat::freeLibrary(nullptr));
}

}  // namespace
}  // namespace qxtest
