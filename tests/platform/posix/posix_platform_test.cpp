// posix_platform_test.cpp - what only the POSIX backend does: its path
// conventions, the fixed event message numbers, the version of its own
// file, and event records written to a pipe or socket without blocking.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "qxlogics.h"

namespace qxtest {
namespace {

TEST(PosixPlatform, UsesSlashesAndItsOwnDefaultDirectories) {
    EXPECT_EQ(qxplat::pathSeparator(), '/');
    EXPECT_STREQ(qxplat::defaultLogDirectory(), "/tmp/qxlogs");
    qxplat::setSystemDirectoryForTesting("");
    EXPECT_EQ(qxplat::systemDirectory(), "/etc/qxlogics");
    EXPECT_EQ(qxplat::directoryOf("/opt/till/libqxlogics.so"), "/opt/till/");
}

TEST(PosixPlatform, EventMessagesHaveTheirFixedNumbersAndOthersFollow) {
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_CALLBACK_STATUS"), QX_WM_CALLBACK_STATUS);
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_CALLBACK_ERROR"), QX_WM_CALLBACK_ERROR);
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHLEVEL"), QX_WM_CALLBACK_CASHLEVEL);
    EXPECT_EQ(qxplat::registerWindowMessage("WM_QX_CALLBACK_CASHSESSION"),
              QX_WM_CALLBACK_CASHSESSION);
    unsigned first = qxplat::registerWindowMessage("WM_POSIX_TEST_FIRST");
    unsigned second = qxplat::registerWindowMessage("WM_POSIX_TEST_SECOND");
    EXPECT_GE(first, 0xC200u);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(qxplat::registerWindowMessage("wm_posix_test_first"), first);
}

TEST(PosixPlatform, OwnFileCarriesTheProjectVersion) {
    std::string own = qxplat::ownModuleFileName("qxlogics.dll");
    EXPECT_EQ(qxplat::fileVersion(own), std::string(QX_PROJECT_VERSION) + ".0");
    EXPECT_EQ(qxplat::fileVersion("/bin/sh"), "");
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
