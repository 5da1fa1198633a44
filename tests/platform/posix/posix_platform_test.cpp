// posix_platform_test.cpp - what only the POSIX backend does: the user's
// own default log folder, log files never written or marked through a
// planted link, and event records written to a pipe or socket without
// blocking.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "qxlogics.h"
#include "tests/logging/fake_clock.h"
#include "tests/support/internal_env.h"

namespace qxtest {
namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The default log folder: the user's own, or none at all.
TEST(PosixPlatform, TheDefaultLogFolderIsTheUsersOwn) {
    const std::string root = makeTempDir("log_folder");
    const std::string uid = std::to_string(geteuid());
    std::string home;
    const bool hadHome = qxplat::getEnv("HOME", home);
    enum Temp { Fresh, OthersFolder, Link };
    const struct {
        std::string xdg, home;
        Temp temp;
        std::string expected;  // "" for none
    } cases[] = {
        {root + "/xdg", root + "/h1", Fresh, root + "/xdg/qxlogics"},
        {"", root + "/h2", Fresh, root + "/h2/.local/state/qxlogics"},
        {"relative", "", Fresh, root + "/t2/qxlogs-" + uid},
        {"", "", OthersFolder, ""},  // planted by another user: not taken
        {"", "", Link, ""},
    };
    testing::internal::CaptureStderr();
    for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto& c = cases[i];
        const std::string tmp = root + "/t" + std::to_string(i);
        const std::string planted = tmp + "/qxlogs-" + uid;
        mkdir(tmp.c_str(), 0777);
        if (c.temp == OthersFolder) {
            if (geteuid() != 0) continue;  // only root can give a folder away
            mkdir(planted.c_str(), 0777);
            ASSERT_EQ(chown(planted.c_str(), geteuid() + 1, static_cast<gid_t>(-1)), 0);
        } else if (c.temp == Link) {
            ASSERT_EQ(symlink(root.c_str(), planted.c_str()), 0);
        }
        setEnv("TMPDIR", tmp);
        if (c.xdg.empty()) unsetEnv("XDG_STATE_HOME");
        else setEnv("XDG_STATE_HOME", c.xdg);
        if (c.home.empty()) unsetEnv("HOME");
        else setEnv("HOME", c.home);
        EXPECT_EQ(qxplat::makeDefaultLogDirectory(), c.expected) << i;
        if (!c.expected.empty()) {
            EXPECT_EQ(modeOf(c.expected), 0700u) << i;
        }
    }
    const std::string said = testing::internal::GetCapturedStderr();
    unsetEnv("TMPDIR");
    unsetEnv("XDG_STATE_HOME");
    if (hadHome) setEnv("HOME", home);
    EXPECT_EQ(modeOf(root + "/h2/.local"), 0700u);
    EXPECT_EQ(said, "qxlogics: no log folder of this user's own could be made; no log files "
                    "are written (set QXLOGS to choose one)\n");
}

// Links planted where the log files belong, to a file of the user's (one
// of an earlier week, read-only; one writable): the logger neither writes,
// empties nor marks what they point to.
TEST(PosixPlatform, LogFilesAreNeverWrittenOrMarkedThroughALink) {
    FakeClock clock(localTimeOf(2026, 12, 3, 10));  // a Thursday
    const std::string dir = useFreshLogDir("planted");
    const std::string victims = makeTempDir("victims");
    const std::string earlierWeek = "w40 09:00:00.000 ## the user's own\n";
    writeFile(victims + "/readonly", earlierWeek);
    writeFile(victims + "/writable", earlierWeek);
    chmod((victims + "/readonly").c_str(), 0444);
    chmod((victims + "/writable").c_str(), 0644);
    ASSERT_EQ(symlink((victims + "/readonly").c_str(), (dir + "/qxapi_Thu.log").c_str()), 0);
    WriteLog("thursday", Info, ApiLog);
    WriteLog("thursday", Info, LogicLog);
    // Swapped for a link while open: the date change must not mark its target.
    ASSERT_EQ(unlink((dir + "/qxlogic_Thu.log").c_str()), 0);
    ASSERT_EQ(symlink((victims + "/writable").c_str(), (dir + "/qxlogic_Thu.log").c_str()), 0);
    clock.set(localTimeOf(2026, 12, 4, 10));
    WriteLog("friday", Info, LogicLog);
    EXPECT_EQ(readFile(victims + "/readonly"), earlierWeek);
    EXPECT_EQ(readFile(victims + "/writable"), earlierWeek);
    EXPECT_EQ(modeOf(victims + "/readonly"), 0444u);
    EXPECT_EQ(modeOf(victims + "/writable"), 0644u);
    EXPECT_NE(readFile(dir + "/qxlogic_Fri.log").find("friday"), std::string::npos);
    resetLogFilesForTesting();
}

class Notifications : public ::testing::Test {
protected:
    void TearDown() override {
        for (int fd : fds) close(fd);
    }
    QXNotification readRecord(int fd) {
        QXNotification record{};
        EXPECT_EQ(read(fd, &record, sizeof record), static_cast<ssize_t>(sizeof record));
        return record;
    }
    bool readable(int fd) {
        pollfd target{fd, POLLIN, 0};
        return poll(&target, 1, 0) == 1;
    }
    int fds[2] = {-1, -1};
};

TEST_F(Notifications, APipeReceivesOneWholeRecordPerMessage) {
    ASSERT_EQ(pipe(fds), 0);
    qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_STATUS, 1, -2500);
    qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_ERROR, 0xFFFFFFFFu, 7);
    QXNotification status = readRecord(fds[0]);
    EXPECT_EQ(status.message, QX_WM_CALLBACK_STATUS);
    EXPECT_EQ(status.reserved, 0u);
    EXPECT_EQ(status.wParam, 1);
    EXPECT_EQ(status.lParam, -2500);
    QXNotification error = readRecord(fds[0]);
    EXPECT_EQ(error.message, QX_WM_CALLBACK_ERROR);
    EXPECT_EQ(error.wParam, 0xFFFFFFFFll);
    EXPECT_EQ(error.lParam, 7);
    EXPECT_FALSE(readable(fds[0]));
}

TEST_F(Notifications, ASocketReceivesTheSameRecord) {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_CASHSESSION, 3, 12345);
    QXNotification record = readRecord(fds[0]);
    EXPECT_EQ(record.message, QX_WM_CALLBACK_CASHSESSION);
    EXPECT_EQ(record.wParam, 3);
    EXPECT_EQ(record.lParam, 12345);
}

TEST_F(Notifications, AFullPipeDropsTheRecordInsteadOfBlocking) {
    ASSERT_EQ(pipe(fds), 0);
    // A blocking pipe, filled to the brim with the writer briefly non-blocking.
    int flags = fcntl(fds[1], F_GETFL);
    fcntl(fds[1], F_SETFL, flags | O_NONBLOCK);
    char filler[4096] = {0};
    std::size_t filled = 0;
    for (ssize_t n; (n = write(fds[1], filler, sizeof filler)) > 0;) filled += n;
    for (ssize_t n; (n = write(fds[1], filler, 1)) > 0;) filled += n;
    fcntl(fds[1], F_SETFL, flags);

    qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_STATUS, 9, 9);  // returns at once

    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    std::size_t drained = 0;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) drained += n;
    EXPECT_EQ(drained, filled);  // nothing but the filler arrived
}

TEST_F(Notifications, AGoneReaderNeitherKillsNorBlocksTheSender) {
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    fds[0] = -1;
    qxplat::postMessage(QX_HWND_FROM_FD(fds[1]), QX_WM_CALLBACK_STATUS, 1, 1);
    int sockets[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    close(sockets[0]);
    qxplat::postMessage(QX_HWND_FROM_FD(sockets[1]), QX_WM_CALLBACK_STATUS, 1, 1);
    close(sockets[1]);
    SUCCEED() << "no SIGPIPE ended the test program";
}

}  // namespace
}  // namespace qxtest
