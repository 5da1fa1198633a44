// till_platform.h - the few operating-system services the till needs:
// reaching the device library's extra entries, setting an environment
// variable, and a "window" that receives the library's event messages.
// Implemented by till_platform_posix.cpp and till_platform_win32.cpp.
#ifndef QXTILL_PLATFORM_H
#define QXTILL_PLATFORM_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "qxlogics.h"

namespace till {

// Loads the device library the way the driver will find it (beside the
// till) and keeps it loaded; returns false when it is not there.  where
// receives the file that was loaded, or the reason it was not.
bool loadDeviceLibrary(std::string& where);
// An entry of the loaded device library by its plain name; null if absent.
void* deviceEntry(const char* name);

void setEnvironment(const char* name, const std::string& value);

// The driver writes its first log lines while it is being loaded, before
// main runs, so the default log folder ("logs" in the current directory,
// used when QXLOGS is not set) is put in place before that: on POSIX by an
// initialiser that runs ahead of every library's, on Windows by starting
// the till again with QXLOGS set.  Call first in main.  Returns false when
// this process has nothing more to do (exitCode then holds the result of
// the restarted till).  chosen receives the folder the till chose, or ""
// when the caller's QXLOGS stands.
bool settleLogFolder(int argc, char** argv, std::string& chosen, int& exitCode);

enum class NoticeKind { Status, Error, CashLevel, CashSession };
struct Notice {
    NoticeKind kind;
    std::int64_t wParam;
    std::int64_t lParam;
};
using NoticeSink = std::function<void(const Notice&)>;

// Receives the library's window messages on a thread of its own and hands
// each one to the sink there.  Destroy it only after exitQX.
class EventWindow {
public:
    virtual ~EventWindow() = default;
    // The handle for registerHwndQX.
    virtual QX_HWND handle() const = 0;
    // Waits until every message posted before this call has reached the
    // sink; false after timeoutMs.
    virtual bool fence(int timeoutMs) = 0;
};

// Null (with error set) when the window cannot be made.
std::unique_ptr<EventWindow> openEventWindow(NoticeSink sink, std::string& error);

}  // namespace till

#endif  // QXTILL_PLATFORM_H
