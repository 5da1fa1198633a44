// win32_platform_test.cpp - the Windows backend's paths and directories and
// its version resource reader (messages to a window: the events tests).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "platform/platform.h"

namespace qxtest {

TEST(Win32Platform, PathsDirectoriesAndVersions) {
    EXPECT_EQ(qxplat::pathSeparator(), '\\');
    EXPECT_EQ(qxplat::makeDefaultLogDirectory(), "c:\\temp");
    EXPECT_EQ(qxplat::directoryOf("c:\\till\\bin\\qxlogics.dll"), "c:\\till\\bin\\");
    qxplat::setSystemDirectoryForTesting("");
    char path[MAX_PATH];
    EXPECT_EQ(qxplat::systemDirectory(), std::string(path, GetWindowsDirectoryA(path, MAX_PATH)));
    // "a.b.c.d" from a system library; none from the test program itself.
    const std::string version = qxplat::fileVersion(
        std::string(path, GetSystemDirectoryA(path, MAX_PATH)) + "\\kernel32.dll");
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3) << version;
    EXPECT_EQ(qxplat::fileVersion(qxplat::ownModuleFileName("qxlogics.dll")), "");
}

}  // namespace qxtest
