// receivers.cpp - the registered receivers of events: the application's
// window or its five callbacks.  All start null; registration sets them on
// the application's thread, the event senders read them on the device
// library's thread.
#include "events/receivers.h"

std::atomic<QX_HWND> g_hwndMessageTo{nullptr};
std::atomic<QXStatusCallback> g_pfnStatusCallback{nullptr};
std::atomic<QXErrorCallback> g_pfnErrorCallback{nullptr};
std::atomic<QXCashLevelCallback> g_pfnCashLevelCallback{nullptr};
std::atomic<QXLevelWarningCallback> g_pfnLevelWarningCallback{nullptr};
std::atomic<QXCashSessionCallback> g_pfnCashSessionCallback{nullptr};

void clearReceivers() {
    g_hwndMessageTo = nullptr;
    g_pfnStatusCallback = nullptr;
    g_pfnErrorCallback = nullptr;
    g_pfnCashLevelCallback = nullptr;
    g_pfnLevelWarningCallback = nullptr;
    g_pfnCashSessionCallback = nullptr;
}
