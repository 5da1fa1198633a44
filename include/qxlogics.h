/*
 * qxlogics.h - the public interface of the QXLogics recycler driver.
 *
 * A till application includes this header and calls the 29 exported
 * functions below.  Every function returns a status code (QX_STATUS_*);
 * most also write a human-readable, zero-terminated message into a
 * caller-owned buffer.
 *
 * Buffers: every text the library writes into a caller's buffer (message,
 * commands, master, info, errorText, extInfo, typeString, ...) is cut so
 * that it fits QX_BUFFER_CAPACITY bytes including the terminator.  Give
 * the library buffers of at least that size.  A null buffer is skipped.
 *
 * Threads: initQX, exitQX, login, logout, the cash operations and the
 * registrations hold the library's one turn for the whole call; a call
 * from another thread meanwhile answers QX_STATUS_BUSY ("Busy with another
 * call") at once.  The queries and changeSettingsQX answer beside it.  From
 * inside an event callback, initQX, login, logout and the cash operations
 * answer QX_STATUS_BUSY ("Not allowed in an event callback"): they would
 * hold up every event behind the callback while they wait for the device.
 *
 * Events reach the application in one of two ways, chosen before initQX:
 *   - callback functions (registerEvents*QX), called on the library's own
 *     delivery thread, started by initQX: in the order the device reported,
 *     one at a time, never on the device library's threads or the caller's.
 *     A callback that blocks holds up only the events after it, never the
 *     device or a running call.  The status event of the report that ended
 *     a call's wait comes before the call returns (unless the callbacks
 *     before it take more than 10 ms).  exitQX stops the thread: no callback
 *     starts once it has returned, and it waits up to 5 s for one that
 *     runs (not when called from a callback);
 *   - window messages (registerHwndQX).  On Windows the handle is an HWND
 *     and the four messages are registered window messages named
 *     "WM_QX_CALLBACK_STATUS", "WM_QX_CALLBACK_ERROR",
 *     "WM_QX_CALLBACK_CASHLEVEL" and "WM_QX_CALLBACK_CASHSESSION"
 *     (RegisterWindowMessageA gives the application the same numbers).
 *     On POSIX the handle is the write end of a pipe or a socket that the
 *     application owns, made with QX_HWND_FROM_FD; each event is one
 *     QXNotification record written without ever blocking the library
 *     (a full pipe drops the record, as a full message queue would).  The
 *     message numbers on POSIX are the fixed QX_WM_* values below.
 *
 * The device communication library: initQX loads "DorvoLINK" (Windows
 * DorvoLINK.dll, POSIX libDorvoLINK.so) and looks up three entries,
 * "qx_initiate2", "?qx_dini@@YGXXZ" and "?qx_002@@YGXPAD0@Z".  ELF reads
 * "@@" in a symbol name as a version, so on POSIX every "@" of a name is
 * looked up as "_": a POSIX build of the communication library must export
 * "qx_initiate2", "?qx_dini__YGXXZ" and "?qx_002__YGXPAD0_Z".
 *
 * Calling conventions (they differ only on 32-bit x86, where a mismatch
 * corrupts the stack): the 29 functions and the application callbacks are
 * __stdcall (QXAPI), the functions exported under their plain names
 * ("initQX", not "_initQX@12").  Of the device library, the send and close
 * entries are __stdcall by their names ("YG"); "qx_initiate2" and the
 * callback entry it is handed, int (char* text), are taken as __stdcall
 * too.  Check those two against the maker's header: for a __cdecl one,
 * build the driver with the CMake option QX_DEVICE_INITIATE_CDECL or
 * QX_DEVICE_CALLBACK_CDECL.
 */
#ifndef QXLOGICS_H
#define QXLOGICS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  define QXAPI __stdcall
#else
#  define QXAPI
#endif

/* Status codes: what every function returns; the message buffer tells the
 * outcome in words ("Done" on success). */
/* Done. */
#define QX_STATUS_OK                0
/* The device is busy, another thread's call runs, or a callback made a device call. */
#define QX_STATUS_BUSY              1
/* Not initiated, the device library or port failed, or the device reports an error. */
#define QX_STATUS_ERROR             2
/* Nothing done and no harm: initQX while already initiated. */
#define QX_STATUS_WARNING           3
/* An argument is missing or out of range. */
#define QX_STATUS_INPUT_PARAM_ERROR 4
/* The device answered closed, or no operator is logged in. */
#define QX_STATUS_CLOSED            5
/* The device did not report what was waited for in time. */
#define QX_STATUS_TIMEOUT           6
/* The device library's answer carried no known result. */
#define QX_STATUS_SEND_FAILED       7
/* The device cannot pay the amount out; amountRest holds the part it cannot. */
#define QX_STATUS_NOT_POSSIBLE      8
/* A cash move the device had started reported an error before the call
 * returned: cash may have moved.  Check the device and settle by hand;
 * never simply call again. */
#define QX_STATUS_MOVE_ERROR        9
/* payout: more to deposit than the device counted as paid in. */
#define QX_STATUS_DEPOSIT_TOO_BIG   10
/* dispense or payout: more than the payout limit per time window allows. */
#define QX_STATUS_LIMIT_EXCEEDED    11
/* The device was not identified, or its state does not allow the call. */
#define QX_STATUS_NOT_SUPPORTED     12

/* Minimum capacity, in bytes, of every text buffer handed to the library. */
#define QX_BUFFER_CAPACITY 256

/* The window that receives event messages (HWND on Windows). */
typedef void* QX_HWND;

/* POSIX: a pipe or socket descriptor used as the event "window". */
#define QX_HWND_FROM_FD(fd) ((QX_HWND)(intptr_t)(fd))

/* POSIX message numbers of the four event kinds. */
#define QX_WM_CALLBACK_STATUS      0xC101u
#define QX_WM_CALLBACK_ERROR       0xC102u
#define QX_WM_CALLBACK_CASHLEVEL   0xC103u
#define QX_WM_CALLBACK_CASHSESSION 0xC104u

/* POSIX: one posted event, written whole to the application's descriptor. */
typedef struct QXNotification {
    uint32_t message;  /* QX_WM_CALLBACK_* */
    uint32_t reserved; /* always 0 */
    int64_t wParam;
    int64_t lParam;
} QXNotification;

/* Application callbacks.  Texts are valid only during the call. */
typedef void (QXAPI *QXStatusCallback)(int amount, short status, short mode);
typedef void (QXAPI *QXErrorCallback)(int errorCode, const char* errorText,
                                      const char* extInfo);
typedef void (QXAPI *QXCashLevelCallback)(int denomination, int numberOf,
                                          const char* extInfo);
typedef void (QXAPI *QXLevelWarningCallback)(int warningType, int denomination,
                                             int numberOf, const char* typeString,
                                             const char* denominationString,
                                             const char* warningMessage,
                                             const char* extInfo);
typedef void (QXAPI *QXCashSessionCallback)(short infoType, int amount,
                                            const char* extInfo);

/* Lifecycle. */
short QXAPI initQX(const char* portSettings, const char* initSettings, char* message);
short QXAPI exitQX(char* message);

/* Settings and registration. */
short QXAPI changeSettingsQX(const char* settings, short durationType, char* message);
short QXAPI registerEventsQX(QXStatusCallback status, QXErrorCallback error,
                             QXCashLevelCallback cashLevel, char* message);
short QXAPI registerEvents2QX(QXStatusCallback status, QXErrorCallback error,
                              QXCashLevelCallback cashLevel,
                              QXCashSessionCallback cashSession, char* message);
short QXAPI registerEvents3QX(QXStatusCallback status, QXErrorCallback error,
                              QXLevelWarningCallback levelWarning,
                              QXCashSessionCallback cashSession, char* message);
short QXAPI registerEvents23QX(QXStatusCallback status, QXErrorCallback error,
                               QXCashLevelCallback cashLevel,
                               QXLevelWarningCallback levelWarning,
                               QXCashSessionCallback cashSession, char* message);
short QXAPI registerHwndQX(QX_HWND hwndMessageTo, char* message);

/* Cash operations. */
short QXAPI enablePayinQX(char* message);
short QXAPI disablePayinQX(char* message);
short QXAPI depositQX(const char* text, char* message);
short QXAPI dispenseQX(int amount, const char* text, int* amountRest, char* message);
short QXAPI askPayoutQX(int amount, char* message);
short QXAPI askPayout2QX(int amount, int* amountRest, char* message);
short QXAPI payoutQX(int amountDispense, int amountDeposit, const char* text, char* message);
short QXAPI payout2QX(int amountDispense, int amountDeposit, const char* text,
                      int* amountRest, char* message);
short QXAPI amountDueQX(int amountDue, const char* text, int* amountRest, char* message);
short QXAPI changeQX(char* message);
short QXAPI regretQX(short regretType, char* message);
short QXAPI resetQX(char* message);

/* Information queued for window-message applications. */
short QXAPI getErrorInfoQX(char* errorText, char* extInfo);
short QXAPI getCashLevelInfoQX(char* extInfo);
short QXAPI getLevelWarningInfoQX(int* warningType, char* typeString,
                                  char* denominationString, char* warningMessage,
                                  char* extInfo);
short QXAPI getCashSessionInfoQX(char* extInfo);

/* Login, logout and status. */
short QXAPI loginQX(short user, short password, char* message);
short QXAPI loginStrQX(const char* user, const char* password, char* message);
short QXAPI logoutQX(char* message);
short QXAPI isOpenQX(int* open, char* message);
short QXAPI infoQX(int* level, char* commands, char* master, char* info, char* message);

#ifdef __cplusplus
}
#endif

#endif /* QXLOGICS_H */
