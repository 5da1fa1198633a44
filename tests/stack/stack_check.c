/*
 * stack_check.c - the calling conventions of the 32-bit Windows build, proved
 * where they differ: a __stdcall callee pops its own arguments, a __cdecl one
 * leaves them, and a mismatch moves the caller's stack pointer.  Like a till,
 * it loads qxlogics.dll and the simulator with LoadLibraryA and calls all 29
 * exports (and the three device entries) through their declared pointer types
 * during a sale, reading the stack pointer around each call and putting it
 * back, so a mismatch is a failure rather than a crash.  Built -O0 with frame
 * pointers: locals are reached through the frame, not the checked pointer.
 */
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "link/device_entries.h"
#include "qxlogics.h"
#include "sim/qxsim.h"

static long g_drift; /* bytes the stack pointer moved over the last call */
static int g_calls, g_failures;

#define READ_ESP(var) __asm__ volatile("movl %%esp, %0" : "=r"(var) : : "memory")
/* Runs one statement with a call in it and keeps the stack pointer's move. */
#define STACK_CHECKED(statement)                                             \
    do {                                                                     \
        uintptr_t before_, after_;                                           \
        READ_ESP(before_);                                                   \
        statement;                                                           \
        READ_ESP(after_);                                                    \
        __asm__ volatile("movl %0, %%esp" : : "r"(before_) : "memory");      \
        g_drift = (long)(after_ - before_);                                  \
    } while (0)

#define ANY_STATUS (-1)

static void fail(const char* what, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    printf("FAILED %s: ", what);
    vprintf(format, arguments);
    printf("\n");
    va_end(arguments);
    ++g_failures;
}

/* The last call left the stack as it found it and returned what it should. */
static void checkCall(const char* name, long status, long expected) {
    ++g_calls;
    if (g_drift != 0) fail(name, "the stack pointer moved by %ld bytes", g_drift);
    if (expected != ANY_STATUS && status != expected)
        fail(name, "returned %ld, expected %ld", status, expected);
}

/* ---- Receivers: the callback types of qxlogics.h, so __stdcall ---------- */

static volatile LONG g_statusEvents, g_otherEvents, g_deviceTexts;

static void QXAPI onStatus(int amount, short status, short mode) {
    (void)amount, (void)status, (void)mode;
    InterlockedIncrement(&g_statusEvents);
}
/* The other receivers only count: their parameter lists are what matters. */
static void QXAPI onError(int code, const char* text, const char* extInfo) {
    (void)code, (void)text, (void)extInfo, InterlockedIncrement(&g_otherEvents);
}
static void QXAPI onCashLevel(int denomination, int numberOf, const char* extInfo) {
    (void)denomination, (void)numberOf, (void)extInfo, InterlockedIncrement(&g_otherEvents);
}
static void QXAPI onLevelWarning(int type, int denomination, int numberOf, const char* typeString,
                                 const char* denominationString, const char* warningMessage,
                                 const char* extInfo) {
    (void)type, (void)denomination, (void)numberOf, (void)typeString, (void)denominationString;
    (void)warningMessage, (void)extInfo, InterlockedIncrement(&g_otherEvents);
}
static void QXAPI onCashSession(short infoType, int amount, const char* extInfo) {
    (void)infoType, (void)amount, (void)extInfo, InterlockedIncrement(&g_otherEvents);
}
/* The device simulator's callback entry, as the driver's own. */
static int QX_CALLBACK_CALL onDeviceText(char* text) {
    if (text && text[0]) InterlockedIncrement(&g_deviceTexts);
    return 1;
}

/* ---- Entries ------------------------------------------------------------ */

#define EXPORT_NAMES(X)                                                              \
    X(initQX) X(exitQX) X(changeSettingsQX) X(registerEventsQX) X(registerEvents2QX) \
    X(registerEvents3QX) X(registerEvents23QX) X(registerHwndQX) X(enablePayinQX)    \
    X(disablePayinQX) X(depositQX) X(dispenseQX) X(askPayoutQX) X(askPayout2QX)      \
    X(payoutQX) X(payout2QX) X(amountDueQX) X(changeQX) X(regretQX) X(resetQX)       \
    X(getErrorInfoQX) X(getCashLevelInfoQX) X(getLevelWarningInfoQX)                 \
    X(getCashSessionInfoQX) X(loginQX) X(loginStrQX) X(logoutQX) X(isOpenQX) X(infoQX)

#define POINTER_MEMBER(name) __typeof__(name)* name;
static struct { EXPORT_NAMES(POINTER_MEMBER) } qx;

/* An entry by name, as an address: the caller gives it its type. */
static void* entry(HMODULE module, const char* name) {
    void* found = module ? (void*)GetProcAddress(module, name) : NULL;
    if (!found) fail(name, "no such entry");
    return found;
}

/* A simulator control entry with the type of sim/qxsim.h. */
#define SIM_ENTRY(name) ((__typeof__(name)*)entry(sim, #name))

/* Calls one export through its pointer and checks it. */
#define QX_CALL(expected, name, ...)                   \
    do {                                               \
        short status_ = -1;                            \
        STACK_CHECKED(status_ = qx.name(__VA_ARGS__)); \
        checkCall(#name, status_, expected);           \
    } while (0)

/* The simulator's device entries, called as the driver calls them. */
static void checkDeviceEntries(HMODULE sim) {
    QXInitiateEntry initiate = (QXInitiateEntry)entry(sim, "qx_initiate2");
    QXSendEntry send = (QXSendEntry)entry(sim, "?qx_002@@YGXPAD0@Z");
    QXCloseEntry closeEntry = (QXCloseEntry)entry(sim, "?qx_dini@@YGXXZ");
    __typeof__(qxsim_wait_idle)* waitIdle = SIM_ENTRY(qxsim_wait_idle);
    if (!initiate || !send || !closeEntry || !waitIdle) return;
    char port[] = "COM1", query[] = "x", answer[64] = "";
    short result = -1;
    STACK_CHECKED(initiate(onDeviceText, port, answer, &result));
    checkCall("qx_initiate2", result, 0);
    STACK_CHECKED(send(query, answer));
    checkCall("?qx_002@@YGXPAD0@Z", strcmp(answer, "000"), 0);
    /* The device answers the query on its own thread, through the callback. */
    if (waitIdle(5000) != 0 || g_deviceTexts == 0) fail("callback entry", "no device text arrived");
    STACK_CHECKED(closeEntry());
    checkCall("?qx_dini@@YGXXZ", 0, 0);
}

/* A sale through all 29 exports. */
static void checkExports(HMODULE sim) {
    __typeof__(qxsim_insert)* insert = SIM_ENTRY(qxsim_insert);
    __typeof__(qxsim_wait_idle)* waitIdle = SIM_ENTRY(qxsim_wait_idle);
    char message[QX_BUFFER_CAPACITY], commands[QX_BUFFER_CAPACITY], master[QX_BUFFER_CAPACITY];
    char info[QX_BUFFER_CAPACITY], typeString[QX_BUFFER_CAPACITY], denomination[QX_BUFFER_CAPACITY];
    int rest = 0, open = 0, level = 0, warningType = 0;
    if (!insert || !waitIdle) return;

    QX_CALL(QX_STATUS_OK, registerEventsQX, onStatus, onError, onCashLevel, message);
    QX_CALL(QX_STATUS_OK, registerEvents2QX, onStatus, onError, onCashLevel, onCashSession,
            message);
    QX_CALL(QX_STATUS_OK, registerEvents3QX, onStatus, onError, onLevelWarning, onCashSession,
            message);
    QX_CALL(QX_STATUS_OK, registerEvents23QX, onStatus, onError, onCashLevel, onLevelWarning,
            onCashSession, message);
    QX_CALL(QX_STATUS_ERROR, registerHwndQX, (QX_HWND)message, message); /* callbacks are set */
    QX_CALL(QX_STATUS_OK, initQX, "Type:RS232;Name:COM1", "", message);
    QX_CALL(QX_STATUS_OK, changeSettingsQX, "StatusOkTimeout:20", 1, message);
    QX_CALL(QX_STATUS_OK, loginQX, 1, 1, message);
    QX_CALL(ANY_STATUS, loginStrQX, "1", "1", message);
    QX_CALL(QX_STATUS_OK, isOpenQX, &open, message);
    QX_CALL(QX_STATUS_OK, infoQX, &level, commands, master, info, message);
    QX_CALL(QX_STATUS_OK, enablePayinQX, message);
    if (insert(1000) != 0) fail("qxsim_insert", "pay-in was not enabled");
    waitIdle(5000); /* the device's reports of the cash have been handled */
    QX_CALL(QX_STATUS_OK, amountDueQX, 700, "sale 1", &rest, message);
    QX_CALL(ANY_STATUS, depositQX, "sale 1", message);
    QX_CALL(ANY_STATUS, disablePayinQX, message);
    QX_CALL(ANY_STATUS, changeQX, message);
    QX_CALL(ANY_STATUS, regretQX, 0, message);
    QX_CALL(QX_STATUS_OK, askPayoutQX, 300, message);
    QX_CALL(QX_STATUS_OK, askPayout2QX, 300, &rest, message);
    QX_CALL(QX_STATUS_OK, dispenseQX, 200, "drawer", &rest, message);
    waitIdle(5000); /* the device's reports of the dispense have been handled */
    QX_CALL(ANY_STATUS, payoutQX, 100, 0, "drawer", message);
    QX_CALL(ANY_STATUS, payout2QX, 100, 0, "drawer", &rest, message);
    QX_CALL(ANY_STATUS, resetQX, message);
    QX_CALL(QX_STATUS_OK, getErrorInfoQX, message, info);
    QX_CALL(QX_STATUS_OK, getCashLevelInfoQX, info);
    QX_CALL(QX_STATUS_OK, getLevelWarningInfoQX, &warningType, typeString, denomination, message,
            info);
    QX_CALL(QX_STATUS_OK, getCashSessionInfoQX, info);
    QX_CALL(QX_STATUS_OK, logoutQX, message);
    QX_CALL(QX_STATUS_OK, exitQX, message);
    if (open != 1 || level != 1) fail("isOpenQX/infoQX", "open=%d level=%d", open, level);
    if (g_statusEvents == 0) fail("status callback", "no status event reached the application");
}

int main(void) {
    /* The check itself: a __cdecl entry called as __stdcall leaves its
     * argument on the stack, and that must show. */
    HMODULE sim = LoadLibraryA("DorvoLINK.dll");
    typedef int(__stdcall * MisdeclaredInsert)(int);
    MisdeclaredInsert misdeclared = (MisdeclaredInsert)entry(sim, "qxsim_insert");
    if (misdeclared) {
        STACK_CHECKED(misdeclared(0));
        if (g_drift != -4) fail("self-check", "a 4-byte mismatch moved the stack by %ld", g_drift);
    }

    checkDeviceEntries(sim);
    HMODULE library = LoadLibraryA("qxlogics.dll");
#define RESOLVE(name) qx.name = (__typeof__(name)*)entry(library, #name);
    EXPORT_NAMES(RESOLVE)
    if (g_failures == 0) checkExports(sim);

    printf("stack check: %d calls, %d failed\n", g_calls, g_failures);
    return g_failures == 0 ? 0 : 1;
}
