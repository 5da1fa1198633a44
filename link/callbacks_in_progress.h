// callbacks_in_progress.h - how many application callbacks run now on the
// driver's delivery thread.
//
// The event senders raise it before each call into the application and
// lower it after; the link reads it at exit (then from inside a callback,
// as exit waits for every other one) and leaves the device library loaded
// while it is above 0, as the original did.  An atomic: no lock is held
// around it.
#ifndef QX_CALLBACKS_IN_PROGRESS_H
#define QX_CALLBACKS_IN_PROGRESS_H

#include <atomic>

extern std::atomic<int> g_nCallbacksInProgress;

#endif  // QX_CALLBACKS_IN_PROGRESS_H
