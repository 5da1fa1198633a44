// messages.cpp (Windows) - registered window messages and posting them to
// the application's window.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace qxplat {

unsigned registerWindowMessage(const char* name) {
    return name && *name ? RegisterWindowMessageA(name) : 0;
}

void postMessage(void* window, unsigned message, std::uintptr_t wParam,
                 std::intptr_t lParam) {
    PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                 static_cast<LPARAM>(lParam));
}

}  // namespace qxplat
