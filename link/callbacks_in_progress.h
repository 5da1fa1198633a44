// callbacks_in_progress.h - how many application callbacks run now on the
// device library's threads.
//
// The event senders raise it before each call into the application and
// lower it after, on the device library's thread; the link reads it at
// exit and leaves the device library loaded while it is above 0, since
// that thread still has to return through the library's code.  An atomic:
// no lock is held around it.
#ifndef QX_CALLBACKS_IN_PROGRESS_H
#define QX_CALLBACKS_IN_PROGRESS_H

#include <atomic>

extern std::atomic<int> g_nCallbacksInProgress;

#endif  // QX_CALLBACKS_IN_PROGRESS_H
