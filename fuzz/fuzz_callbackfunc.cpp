// fuzz_callbackfunc.cpp - callback texts into the handler, as the device
// library delivers them.  The first byte picks the settings mirrors and
// whether events go to callbacks or to a window (a pipe); the rest is a
// sequence of callbacks separated by new lines, so that repeats and the
// previous status come into play.  The callbacks check the text limits.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "events/callback_handler.h"
#include "events/info_queues.h"
#include "events/receivers.h"
#include "fuzz/fuzz_support.h"
#include "settings/settings_mirrors.h"

namespace {

using qxfuzz::check;

int g_window[2] = {-1, -1};

void within(const char* text, std::size_t limit) {
    check(text && std::strlen(text) <= limit, "callback text within its limit");
}

void QXAPI onStatus(int amount, short status, short mode) {
    check(amount >= 0 && status >= 0 && mode >= 0, "status values not negative");
}
void QXAPI onError(int code, const char* text, const char* extInfo) {
    check(code >= 0 && code <= 99, "error code of two digits");
    within(text, 63);
    check(std::strcmp(extInfo, "ErrorInfo Not set") == 0, "fixed error extInfo");
}
void QXAPI onCashLevel(int denomination, int numberOf, const char* extInfo) {
    check(denomination > 0 && numberOf >= 0, "cash level values");
    within(extInfo, 63);
}
void QXAPI onLevelWarning(int type, int denomination, int numberOf, const char* typeString,
                          const char* denominationString, const char* warningMessage,
                          const char* extInfo) {
    check(type >= 1 && type <= 3 && denomination > 0 && numberOf >= 0, "warning values");
    within(typeString, 19);
    within(denominationString, 19);
    within(warningMessage, 63);
    within(extInfo, 63);
}
void QXAPI onCashSession(short infoType, int, const char* extInfo) {
    check(infoType >= 0 && infoType <= 4, "session type");
    within(extInfo, 19);
}

void chooseReceivers(bool window) {
    clearReceivers();
    if (window) {
        g_hwndMessageTo = QX_HWND_FROM_FD(g_window[1]);
    } else {
        g_pfnStatusCallback = onStatus;
        g_pfnErrorCallback = onError;
        g_pfnCashLevelCallback = onCashLevel;
        g_pfnLevelWarningCallback = onLevelWarning;
    }
    g_pfnCashSessionCallback = onCashSession;
}

void chooseMirrors(std::uint8_t bits) {
    g_ForwardCallbackChangeOnly = bits & 1;
    g_LoggEveryCallback = (bits >> 1) & 1;
    g_LoggSendEvents = (bits >> 2) & 1;
    g_CurrencyDecimals = (bits >> 4) % 12;
}

// The application's side of the window: records and queued texts go.
void drainWindow() {
    char buffer[4096];
    while (read(g_window[0], buffer, sizeof buffer) > 0) {
    }
    std::string text;
    while (retrieveFromErrorQueue(text) == 0) check(!text.empty(), "queued text");
    while (retrieveFromCashLevelWarningsQueue(text) == 0) check(!text.empty(), "queued text");
    while (retrieveFromCashSessionQueue(text) == 0) check(!text.empty(), "queued text");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qxfuzz::quietLogs();
    if (pipe(g_window) == 0) fcntl(g_window[0], F_SETFL, O_NONBLOCK);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    resetDeviceModelForTesting();
    g_QXState = data[0] & 8 ? QXS_LOGGED_OUT : QXS_PAYIN_DISABLED;
    chooseMirrors(data[0]);
    chooseReceivers(data[0] & 0x80);

    const std::string input = qxfuzz::text(data + 1, size - 1);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string callback = input.substr(start, end - start);
        check(callbackfunc(&callback[0]) == 1, "callbackfunc returns 1");
        check(g_nCallbacksInProgress == 0, "callback counter balanced");
        start = end + 1;
    }
    drainWindow();
    return 0;
}
