// callback_handler.h - the entry the device library calls with each
// callback text, and what the rest of the library asks about the threads
// inside it.
#ifndef QX_CALLBACK_HANDLER_H
#define QX_CALLBACK_HANDLER_H

#include "link/device_entries.h"  // QX_CALLBACK_CALL

// The callback entry handed to the device library; always returns 1.
// Any number of device threads may call it at once.
int QX_CALLBACK_CALL callbackfunc(char* text);

// How many threads are inside callbackfunc now: code of this library that
// must not be unloaded under them.
int handlersRunning();

#endif  // QX_CALLBACK_HANDLER_H
