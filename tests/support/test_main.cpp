// test_main.cpp - the main of every test program.  Each program starts
// with its own log directory, so that programs running side by side never
// share log files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_env.h"

int main(int argc, char** argv) {
    if (!std::getenv("QXLOGS")) qxtest::setEnv("QXLOGS", qxtest::makeTempDir("logs"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
