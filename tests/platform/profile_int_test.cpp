// profile_int_test.cpp - integer keys of INI files as the settings reader
// sees them, on both platforms (the Windows build asks the system's own
// reader, so these cases hold for both).
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

// Sections and keys without case, blanks ignored, the leading number of
// the value, the first of two equal keys, the default for anything absent.
TEST(ProfileInt, KeysToValues) {
    const std::string path = makeTempDir("profile") + qxplat::pathSeparator() + "qxlogics.ini";
    writeFile(path,
              "; settings of the test till\n[Operation]\nPayoutLimit=5000\n  Spaced  =   42   \n"
              "; Commented=7\nNegative=-15\nTrailing=12abc\nLetters=abc\nEmpty=\nTwice=1\n"
              "Twice=2\n[events]\nStatusEvents=1\n");
    const struct {
        const char* section;
        const char* key;
        int expected;
    } cases[] = {{"Operation", "PayoutLimit", 5000}, {"EVENTS", "statusevents", 1},
                 {"OPERATION", "payoutlimit", 5000}, {"Operation", "Spaced", 42},
                 {"Operation", "Negative", -15},     {"Operation", "Trailing", 12},
                 {"Operation", "Letters", 0},        {"Operation", "Commented", -99},
                 {"Operation", "Absent", -99},       {"Operation", "Empty", -99},
                 {"Logging", "LogDebug", -99},       {"Operation", "StatusEvents", -99},
                 {"Operation", "Twice", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(qxplat::profileInt(c.section, c.key, -99, path), c.expected) << c.key;
    EXPECT_EQ(qxplat::profileInt("Operation", "PayoutLimit", 3, path + ".missing"), 3);
}

}  // namespace
}  // namespace qxtest
