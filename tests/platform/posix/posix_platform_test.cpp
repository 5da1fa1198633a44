// posix_platform_test.cpp - the user's own default log folder, no log file
// written or marked through a link, and event records to a pipe or socket
// (a full pipe that never stalls the device: the events tests).
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "qxlogics.h"
#include "tests/logging/log_fixture.h"

namespace qxtest {

static mode_t modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// $XDG_STATE_HOME, else $HOME/.local/state, else a private folder in
// $TMPDIR: never one that others may write to or a link; else none.
TEST(PosixPlatform, TheDefaultLogFolderIsTheUsersOwn) {
    const std::string root = makeTempDir("log_folder"), uid = std::to_string(geteuid());
    std::string home;
    const bool hadHome = qxplat::getEnv("HOME", home);
    enum Temp { Fresh, Open, Link };
    const std::tuple<std::string, std::string, Temp, std::string> cases[] = {
        {root + "/xdg", root + "/h1", Fresh, root + "/xdg/qxlogics"},
        {"", root + "/h2", Fresh, root + "/h2/.local/state/qxlogics"},
        {"relative", "", Fresh, root + "/t2/qxlogs-" + uid},
        {"", "", Open, ""},  // "": none
        {"", "", Link, ""},
    };
    testing::internal::CaptureStderr();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [xdg, userHome, temp, expected] = cases[i];
        const std::string tmp = root + "/t" + std::to_string(i), planted = tmp + "/qxlogs-" + uid;
        mkdir(tmp.c_str(), 0777);
        ASSERT_TRUE(temp != Open || (mkdir(planted.c_str(), 0700) == 0 &&
                                     chmod(planted.c_str(), 0777) == 0));
        ASSERT_TRUE(temp != Link || symlink(root.c_str(), planted.c_str()) == 0);
        setEnv("TMPDIR", tmp);
        xdg.empty() ? unsetEnv("XDG_STATE_HOME") : setEnv("XDG_STATE_HOME", xdg);
        userHome.empty() ? unsetEnv("HOME") : setEnv("HOME", userHome);
        EXPECT_EQ(qxplat::makeDefaultLogDirectory(), expected) << i;
        EXPECT_TRUE(expected.empty() || modeOf(expected) == 0700u) << i;
    }
    const std::string said = testing::internal::GetCapturedStderr();
    unsetEnv("TMPDIR");
    unsetEnv("XDG_STATE_HOME");
    if (hadHome) setEnv("HOME", home);
    EXPECT_EQ(modeOf(root + "/h2/.local"), 0700u);
    EXPECT_EQ(said, "qxlogics: no log folder of this user's own could be made; no log files "
                    "are written (set QXLOGS to choose one)\n");
}

using PosixLogFiles = LogTest;

// Links to the user's files where log files belong (one of an earlier week, one
// swapped in for an open file): neither is written, emptied or marked.
TEST_F(PosixLogFiles, AreNeverWrittenOrMarkedThroughALink) {
    setClock(localTimeOf(2026, 12, 3, 10));  // a Thursday
    const std::string victims = makeTempDir("victims"), own = "w40 09:00:00.000 ## own\n";
    for (const char* name : {"/readonly", "/writable"}) writeFile(victims + name, own);
    chmod((victims + "/readonly").c_str(), 0444);
    ASSERT_EQ(symlink((victims + "/readonly").c_str(), pathOf("qxapi_Thu.log").c_str()), 0);
    WriteLog("thursday", Info, ApiLog);
    WriteLog("thursday", Info, LogicLog);
    ASSERT_EQ(unlink(pathOf("qxlogic_Thu.log").c_str()), 0);
    ASSERT_EQ(symlink((victims + "/writable").c_str(), pathOf("qxlogic_Thu.log").c_str()), 0);
    setClock(localTimeOf(2026, 12, 4, 10));
    WriteLog("friday", Info, LogicLog);
    EXPECT_EQ(readFile(victims + "/readonly") + readFile(victims + "/writable"), own + own);
    EXPECT_EQ(modeOf(victims + "/readonly"), 0444u);
    EXPECT_EQ(modeOf(victims + "/writable") & 0200, 0200u);
    EXPECT_EQ(contentOf("qxlogic_Fri.log"), "w48 10:00:00.000 ## friday\n");
}

// One whole record per message, to a pipe or a socket; a reader gone
// neither kills nor blocks the sender.
TEST(PosixPlatform, NotificationsAreWholeRecords) {
    const unsigned status = qxplat::registerWindowMessage("wm_qx_callback_STATUS");
    const auto text = [](const QXNotification& r) {
        return std::to_string(r.message) + " " + std::to_string(r.reserved) + " " +
               std::to_string(r.wParam) + " " + std::to_string(r.lParam) + "|";
    };
    int fds[2];
    for (bool socket : {false, true}) {
        ASSERT_EQ(socket ? socketpair(AF_UNIX, SOCK_STREAM, 0, fds) : pipe(fds), 0);
        qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), status, 1, -2500);
        qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_CASHSESSION, 0xFFFFFFFFu, 7);
        QXNotification records[3] = {};
        EXPECT_EQ(read(fds[0], records, sizeof records), ssize_t(2 * sizeof records[0]));
        EXPECT_EQ(text(records[0]) + text(records[1]),
                  std::to_string(QX_WM_CALLBACK_STATUS) + " 0 1 -2500|" +
                      std::to_string(QX_WM_CALLBACK_CASHSESSION) + " 0 4294967295 7|");
        close(fds[0]);
        qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), status, 1, 1);
        close(fds[1]);
    }
}

}  // namespace qxtest
