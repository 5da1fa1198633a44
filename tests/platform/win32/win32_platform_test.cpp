// win32_platform_test.cpp - what only the Windows backend does: its path
// conventions, the version resource reader, and posting registered
// messages to a window's queue.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace qxtest {
namespace {

TEST(Win32Platform, UsesBackslashesAndItsOwnDefaultDirectories) {
    EXPECT_EQ(qxplat::pathSeparator(), '\\');
    EXPECT_EQ(qxplat::makeDefaultLogDirectory(), "c:\\temp");
    qxplat::setSystemDirectoryForTesting("");
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(qxplat::systemDirectory(), std::string(windows, length));
    EXPECT_EQ(qxplat::directoryOf("c:\\till\\bin\\qxlogics.dll"), "c:\\till\\bin\\");
}

TEST(Win32Platform, ReadsTheVersionResourceOfASystemLibrary) {
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    std::string kernel = std::string(system, length) + "\\kernel32.dll";
    std::string version = qxplat::fileVersion(kernel);
    ASSERT_FALSE(version.empty());
    int dots = 0;
    for (char c : version) dots += c == '.';
    EXPECT_EQ(dots, 3) << version;
    // The test program itself has no version resource.
    EXPECT_EQ(qxplat::fileVersion(qxplat::ownModuleFileName("qxlogics.dll")), "");
}

TEST(Win32Platform, PostedMessagesReachTheWindowsQueue) {
    HWND window = CreateWindowExA(0, "STATIC", "qx test", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    unsigned number = qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS");
    qxplat::postMessage(window, number, 1, -2500);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, window, number, number, PM_REMOVE));
    EXPECT_EQ(message.message, number);
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(message.lParam, -2500);
    DestroyWindow(window);
}

}  // namespace
}  // namespace qxtest
