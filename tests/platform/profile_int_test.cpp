// profile_int_test.cpp - integer keys of INI files as the settings reader
// sees them, on both platforms (the Windows build asks the system's own
// reader, so these cases hold for both).
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

class ProfileInt : public ::testing::Test {
protected:
    void SetUp() override {
        path = makeTempDir("profile") + qxplat::pathSeparator() + "qxlogics.ini";
        writeFile(path,
                  "; settings of the test till\n"
                  "[Operation]\n"
                  "PayoutLimit=5000\n"
                  "  Spaced  =   42   \n"
                  "; Commented=7\n"
                  "Negative=-15\n"
                  "Trailing=12abc\n"
                  "Letters=abc\n"
                  "Empty=\n"
                  "Twice=1\n"
                  "Twice=2\n"
                  "[events]\n"
                  "StatusEvents=1\n");
    }
    int read(const char* section, const char* key, int fallback = -99) {
        return qxplat::profileInt(section, key, fallback, path);
    }
    std::string path;
};

TEST_F(ProfileInt, ReadsTheValueOfAKeyInItsSection) {
    EXPECT_EQ(read("Operation", "PayoutLimit"), 5000);
    EXPECT_EQ(read("Events", "StatusEvents"), 1);
}

TEST_F(ProfileInt, ComparesSectionsAndKeysWithoutCase) {
    EXPECT_EQ(read("OPERATION", "payoutlimit"), 5000);
    EXPECT_EQ(read("EVENTS", "statusevents"), 1);
}

TEST_F(ProfileInt, IgnoresBlanksAroundKeysAndValues) { EXPECT_EQ(read("Operation", "Spaced"), 42); }

TEST_F(ProfileInt, TakesTheLeadingNumberOfTheValue) {
    EXPECT_EQ(read("Operation", "Negative"), -15);
    EXPECT_EQ(read("Operation", "Trailing"), 12);
    EXPECT_EQ(read("Operation", "Letters"), 0);
}

TEST_F(ProfileInt, GivesTheDefaultForAnythingMissingOrEmpty) {
    EXPECT_EQ(read("Operation", "Commented"), -99);
    EXPECT_EQ(read("Operation", "Absent"), -99);
    EXPECT_EQ(read("Operation", "Empty", 7), 7);
    EXPECT_EQ(read("Logging", "LogDebug", 1), 1);
    EXPECT_EQ(read("Operation", "StatusEvents"), -99);  // a key of another section
    EXPECT_EQ(qxplat::profileInt("Operation", "PayoutLimit", 3,
                                 makeTempDir("none") + qxplat::pathSeparator() + "missing.ini"),
              3);
}

TEST_F(ProfileInt, TheFirstOfTwoEqualKeysWins) { EXPECT_EQ(read("Operation", "Twice"), 1); }

}  // namespace
}  // namespace qxtest
