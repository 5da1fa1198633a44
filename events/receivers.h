// receivers.h - where events go: the application's window or its
// callbacks, registered before initQX and cleared by exit.
#ifndef QX_RECEIVERS_H
#define QX_RECEIVERS_H

#include <atomic>

#include "qxlogics.h"

extern std::atomic<QX_HWND> g_hwndMessageTo;
extern std::atomic<QXStatusCallback> g_pfnStatusCallback;
extern std::atomic<QXErrorCallback> g_pfnErrorCallback;
extern std::atomic<QXCashLevelCallback> g_pfnCashLevelCallback;
extern std::atomic<QXLevelWarningCallback> g_pfnLevelWarningCallback;
extern std::atomic<QXCashSessionCallback> g_pfnCashSessionCallback;

// Clears the window and the five callbacks.
void clearReceivers();

#endif  // QX_RECEIVERS_H
