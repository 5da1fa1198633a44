/*
 * device_entries.h - the signatures of the device library's three entries
 * and of the callback entry handed to it, as the driver calls them and
 * the simulator defines them (C and C++).
 */
#ifndef QX_DEVICE_ENTRIES_H
#define QX_DEVICE_ENTRIES_H

#include "platform/device_call.h"

/* The handler the device library calls with each callback text. */
typedef int (QX_CALLBACK_CALL *QXDeviceCallback)(char* text);

/* "qx_initiate2": the callback entry, the port name, the 64-byte answer
 * buffer and the 16-bit result the library fills. */
typedef int (QX_INITIATE_CALL *QXInitiateEntry)(QXDeviceCallback callback,
                                                char* portName, char* answer,
                                                short* result);
/* "?qx_002@@YGXPAD0@Z": a command and the 64-byte answer buffer. */
typedef void (QX_DEVICE_CALL *QXSendEntry)(char* command, char* answer);
/* "?qx_dini@@YGXXZ": closes the connection. */
typedef void (QX_DEVICE_CALL *QXCloseEntry)(void);

#endif /* QX_DEVICE_ENTRIES_H */
