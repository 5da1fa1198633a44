// till_platform_posix.cpp - the till's platform services on POSIX: dlopen
// of libDorvoLINK.so beside the executable, setenv, and a pipe whose write
// end is the event "window" (QX_HWND_FROM_FD), read by a thread that turns
// QXNotification records into notices.
#include "till_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace till {
namespace {

void* g_deviceModule = nullptr;
constexpr const char* kChoseLogsMarker = "QXTILL_CHOSE_LOGS=1";

// Runs from the executable's pre-initialisation array, before any shared
// library's initialiser.  The C library resets the environment after this
// point, so a folder chosen here is handed on by starting the till afresh
// with QXLOGS in its environment.  Only plain C calls are safe here.
void chooseLogFolderEarly(int, char** argv, char** envp) {
    std::size_t count = 0;
    for (; envp && envp[count]; ++count) {
        if (std::strncmp(envp[count], "QXLOGS=", 7) == 0 && envp[count][7]) return;
    }
    static char folder[PATH_MAX + 16];
    static char* environment[4096];
    if (count + 3 > sizeof environment / sizeof environment[0]) return;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return;
    int n = snprintf(folder, sizeof folder, "QXLOGS=%s/logs", cwd);
    if (n <= 0 || n >= static_cast<int>(sizeof folder)) return;
    mkdir(folder + 7, 0777);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i)
        if (std::strncmp(envp[i], "QXLOGS=", 7) != 0) environment[kept++] = envp[i];
    environment[kept++] = folder;
    environment[kept++] = const_cast<char*>(kChoseLogsMarker);
    environment[kept] = nullptr;
    execve("/proc/self/exe", argv, environment);
    // Still here: the till goes on, and the driver logs to its default.
}

__attribute__((section(".preinit_array"), used))
void (*g_chooseLogFolderEarly)(int, char**, char**) = chooseLogFolderEarly;

std::string executableDirectory() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    path[length] = '\0';
    std::string full(path);
    std::size_t slash = full.rfind('/');
    return slash == std::string::npos ? "" : full.substr(0, slash + 1);
}

// Record number of the till's own fence marker; the library never posts 0.
constexpr std::uint32_t kFenceMessage = 0;

bool noticeKindOf(std::uint32_t message, NoticeKind& kind) {
    switch (message) {
        case QX_WM_CALLBACK_STATUS: kind = NoticeKind::Status; return true;
        case QX_WM_CALLBACK_ERROR: kind = NoticeKind::Error; return true;
        case QX_WM_CALLBACK_CASHLEVEL: kind = NoticeKind::CashLevel; return true;
        case QX_WM_CALLBACK_CASHSESSION: kind = NoticeKind::CashSession; return true;
        default: return false;
    }
}

class PipeWindow : public EventWindow {
public:
    PipeWindow(int readFd, int writeFd, NoticeSink sink)
        : m_readFd(readFd), m_writeFd(writeFd), m_sink(std::move(sink)),
          m_reader([this] { readLoop(); }) {}

    ~PipeWindow() override {
        close(m_writeFd);  // the reader sees the end of the pipe
        m_reader.join();
        close(m_readFd);
    }

    QX_HWND handle() const override { return QX_HWND_FROM_FD(m_writeFd); }

    bool fence(int timeoutMs) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        std::int64_t seq = ++m_fenceSent;
        QXNotification marker{kFenceMessage, 0, seq, 0};
        if (write(m_writeFd, &marker, sizeof marker) != static_cast<ssize_t>(sizeof marker))
            return false;
        return m_fenced.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return m_fenceSeen >= seq; });
    }

private:
    bool readRecord(QXNotification& record) {
        char* into = reinterpret_cast<char*>(&record);
        std::size_t got = 0;
        while (got < sizeof record) {
            ssize_t n = read(m_readFd, into + got, sizeof record - got);
            if (n == 0) return false;
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN) {  // the library may make the pipe non-blocking
                    usleep(1000);
                    continue;
                }
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    void readLoop() {
        QXNotification record;
        while (readRecord(record)) {
            NoticeKind kind;
            if (record.message == kFenceMessage) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_fenceSeen = record.wParam;
                m_fenced.notify_all();
            } else if (noticeKindOf(record.message, kind)) {
                m_sink(Notice{kind, record.wParam, record.lParam});
            }
        }
    }

    int m_readFd;
    int m_writeFd;
    NoticeSink m_sink;
    std::mutex m_mutex;
    std::condition_variable m_fenced;
    std::int64_t m_fenceSent = 0;
    std::int64_t m_fenceSeen = 0;
    std::thread m_reader;  // last: starts once the rest is ready
};

}  // namespace

bool loadDeviceLibrary(std::string& where) {
    if (g_deviceModule) return true;
    // Beside the till in a build; through the till's RUNPATH (the
    // installed lib folder) otherwise.
    std::string path = executableDirectory() + "libDorvoLINK.so";
    g_deviceModule = dlopen(path.c_str(), RTLD_NOW);
    if (!g_deviceModule) {
        path = "libDorvoLINK.so";
        g_deviceModule = dlopen(path.c_str(), RTLD_NOW);
    }
    if (!g_deviceModule) {
        const char* why = dlerror();
        where = why ? why : path + " not found";
        return false;
    }
    where = path;
    return true;
}

void* deviceEntry(const char* name) {
    return g_deviceModule ? dlsym(g_deviceModule, name) : nullptr;
}

void setEnvironment(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

bool settleLogFolder(int, char**, std::string& chosen, int&) {
    const char* marker = getenv("QXTILL_CHOSE_LOGS");
    const char* folder = getenv("QXLOGS");
    if (marker && folder) chosen = folder;
    unsetenv("QXTILL_CHOSE_LOGS");  // not for the till's own children
    return true;
}

std::unique_ptr<EventWindow> openEventWindow(NoticeSink sink, std::string& error) {
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("pipe failed: ") + std::strerror(errno);
        return nullptr;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return std::make_unique<PipeWindow>(fds[0], fds[1], std::move(sink));
}

}  // namespace till
