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
