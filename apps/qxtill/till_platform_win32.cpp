// till_platform_win32.cpp - the till's platform services on Windows:
// LoadLibraryA of DorvoLINK.dll, the environment, and a message-only
// window with its own message loop on a thread, which knows the four
// registered event messages by RegisterWindowMessageA.
#include "till_platform.h"

#include <windows.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace till {
namespace {

HMODULE g_deviceModule = nullptr;

const char* const kMessageNames[] = {"WM_QX_CALLBACK_STATUS", "WM_QX_CALLBACK_ERROR",
                                     "WM_QX_CALLBACK_CASHLEVEL",
                                     "WM_QX_CALLBACK_CASHSESSION"};
const NoticeKind kMessageKinds[] = {NoticeKind::Status, NoticeKind::Error,
                                    NoticeKind::CashLevel, NoticeKind::CashSession};
constexpr UINT kFenceMessage = WM_APP + 1;
const char* const kClassName = "QXTillEventWindow";

class MessageWindow : public EventWindow {
public:
    explicit MessageWindow(NoticeSink sink) : m_sink(std::move(sink)) {
        for (int i = 0; i < 4; ++i) m_ids[i] = RegisterWindowMessageA(kMessageNames[i]);
        m_thread = std::thread([this] { messageLoop(); });
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_started; });
    }

    ~MessageWindow() override {
        if (m_window) PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }

    bool ok() const { return m_window != nullptr; }
    QX_HWND handle() const override { return m_window; }

    bool fence(int timeoutMs) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        long long seq = ++m_fenceSent;
        if (!PostMessageA(m_window, kFenceMessage, static_cast<WPARAM>(seq), 0)) return false;
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_fenceSeen >= seq; });
    }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && self->handleMessage(msg, wParam, lParam)) return 0;
        if (msg == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    bool handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == kFenceMessage) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_fenceSeen = static_cast<long long>(wParam);
            m_changed.notify_all();
            return true;
        }
        for (int i = 0; i < 4; ++i) {
            if (msg != m_ids[i]) continue;
            m_sink(Notice{kMessageKinds[i], static_cast<std::int64_t>(wParam),
                          static_cast<std::int64_t>(lParam)});
            return true;
        }
        return false;
    }

    void messageLoop() {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);  // fails harmlessly when already registered
        HWND window = CreateWindowExA(0, kClassName, "qxtill events", 0, 0, 0, 0, 0,
                                      HWND_MESSAGE, nullptr, instance, nullptr);
        if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_window = window;
            m_started = true;
            m_changed.notify_all();
        }
        if (!window) return;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }

    NoticeSink m_sink;
    UINT m_ids[4] = {0, 0, 0, 0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    HWND m_window = nullptr;
    long long m_fenceSent = 0;
    long long m_fenceSeen = 0;
    std::thread m_thread;
};

}  // namespace

bool loadDeviceLibrary(std::string& where) {
    if (g_deviceModule) return true;
    g_deviceModule = LoadLibraryA("DorvoLINK.dll");
    if (!g_deviceModule) {
        where = "DorvoLINK.dll not found (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(g_deviceModule, path, MAX_PATH);
    where = path;
    return true;
}

void* deviceEntry(const char* name) {
    if (!g_deviceModule) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(g_deviceModule, name));
}

void setEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
    _putenv_s(name, value.c_str());
}

bool settleLogFolder(int, char**, std::string& chosen, int& exitCode) {
    char value[MAX_PATH];
    const char* marker = "QXTILL_CHOSE_LOGS";
    DWORD given = GetEnvironmentVariableA("QXLOGS", value, MAX_PATH);
    if (given > 0 && given < MAX_PATH) {
        char chose[8];
        if (GetEnvironmentVariableA(marker, chose, sizeof chose) > 0) chosen = value;
        return true;
    }
    char cwd[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, cwd);
    if (length == 0 || length + 6 >= MAX_PATH) return true;
    std::string folder = std::string(cwd) + "\\logs";
    CreateDirectoryA(folder.c_str(), nullptr);
    setEnvironment("QXLOGS", folder);
    SetEnvironmentVariableA(marker, "1");
    // The driver is already loaded in this process; the till runs again
    // in a child that inherits the folder and the standard handles.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(self, GetCommandLineA(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        chosen = folder;  // go on here; the load banner went to the default folder
        return true;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    exitCode = static_cast<int>(code);
    return false;
}

std::unique_ptr<EventWindow> openEventWindow(NoticeSink sink, std::string& error) {
    auto window = std::make_unique<MessageWindow>(std::move(sink));
    if (!window->ok()) {
        error = "CreateWindowExA failed (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return window;
}

}  // namespace till
