/*
 * device_entries.h - the seam with the device communication library: the
 * signatures of its three entries and of the callback entry handed to it,
 * as the driver calls them and the simulator defines them (C and C++).
 *
 * Who calls, and what comes back:
 *
 *   "qx_initiate2"        the link's initialize, on the application's
 *                         thread inside initQX, once per connection.  It
 *                         gets the callback entry and the port name as
 *                         given in "Name:"; it writes a zero-terminated
 *                         answer text into the answer buffer and a 16-bit
 *                         result through `result`: 0 when connected, else
 *                         the library's own code, which initQX hands back
 *                         with the answer text unchanged.  Its int return
 *                         value is not read.  From a result of 0 on, the
 *                         library may call the callback entry at any time.
 *   "?qx_002@@YGXPAD0@Z"  every device command, on the thread of the
 *                         application's call that holds the library's one
 *                         turn: one command at a time, no lock of the
 *                         driver's held, callbacks may run meanwhile on
 *                         the library's threads.  The command is a
 *                         writable copy: the letter, then fields after
 *                         0x1C.  The answer is a zero-terminated text whose
 *                         third character is the result: '0' done, '1'
 *                         busy, '2' error, '3' closed; anything else, or a
 *                         shorter text, reads as "Send failed".
 *   "?qx_dini@@YGXXZ"     exitQX on the application's thread, or, when
 *                         the application did not call it, the unloading
 *                         driver: closes the connection.  The module stays
 *                         loaded while an application callback still runs
 *                         on one of the library's threads.
 *   callback entry        the library, on any of its threads, any number
 *                         at once, with one zero-terminated callback text
 *                         each, which the driver only reads and copies.
 *                         Always returns 1.
 *
 * Answer buffers are QX_DEVICE_ANSWER_SIZE bytes; the driver ends each
 * answer at the last byte whatever the library wrote.
 */
#ifndef QX_DEVICE_ENTRIES_H
#define QX_DEVICE_ENTRIES_H

#include "platform/device_call.h"

/* Bytes of the answer buffer handed to the initiate and send entries. */
#define QX_DEVICE_ANSWER_SIZE 64

/* The handler the device library calls with each callback text. */
typedef int (QX_CALLBACK_CALL *QXDeviceCallback)(char* text);

/* "qx_initiate2": the callback entry, the port name, the answer buffer and
 * the 16-bit result the library fills. */
typedef int (QX_INITIATE_CALL *QXInitiateEntry)(QXDeviceCallback callback,
                                                char* portName, char* answer,
                                                short* result);
/* "?qx_002@@YGXPAD0@Z": a command and the answer buffer. */
typedef void (QX_DEVICE_CALL *QXSendEntry)(char* command, char* answer);
/* "?qx_dini@@YGXXZ": closes the connection. */
typedef void (QX_DEVICE_CALL *QXCloseEntry)(void);

#endif /* QX_DEVICE_ENTRIES_H */
