// messages.cpp (POSIX) - registered message numbers and event notification
// through a descriptor.  The "window" is the write end of a pipe or a
// socket; one QXNotification record is written per message, never
// blocking: a full pipe or socket drops the record, as a full Windows
// message queue would.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "qxlogics.h"

namespace qxplat {
namespace {

struct MessageTable {
    std::mutex mutex;
    std::map<std::string, unsigned> numbers{
        {"wm_qx_callback_status", QX_WM_CALLBACK_STATUS},
        {"wm_qx_callback_error", QX_WM_CALLBACK_ERROR},
        {"wm_qx_callback_cashlevel", QX_WM_CALLBACK_CASHLEVEL},
        {"wm_qx_callback_cashsession", QX_WM_CALLBACK_CASHSESSION}};
    unsigned next = 0xC200u;
};

MessageTable& messageTable() {
    static auto* table = new MessageTable();  // never destroyed: used at unload
    return *table;
}

// A pipe: write only when poll says it takes the record now.  SIGPIPE of a
// pipe whose reader is gone is held back and consumed, never delivered.
void writeToPipe(int fd, const QXNotification& record) {
    pollfd target{fd, POLLOUT, 0};
    if (poll(&target, 1, 0) != 1 || (target.revents & (POLLERR | POLLHUP | POLLNVAL)) ||
        !(target.revents & POLLOUT))
        return;
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;
    if (write(fd, &record, sizeof record) < 0 && errno == EPIPE && !wasPending) {
        sigset_t pendingNow;
        sigpending(&pendingNow);
        int consumed = 0;
        if (sigismember(&pendingNow, SIGPIPE) == 1) sigwait(&pipeSignal, &consumed);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

unsigned registerWindowMessage(const char* name) {
    if (!name || !*name) return 0;
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    MessageTable& table = messageTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.numbers.find(key);
    if (found != table.numbers.end()) return found->second;
    unsigned number = table.next++;
    table.numbers.emplace(key, number);
    return number;
}

void postMessage(void* window, unsigned message, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(window));
    if (fd < 0) return;
    QXNotification record{message, 0, static_cast<std::int64_t>(wParam),
                          static_cast<std::int64_t>(lParam)};
    if (send(fd, &record, sizeof record, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return;
    if (errno == ENOTSOCK) writeToPipe(fd, record);
}

}  // namespace qxplat
