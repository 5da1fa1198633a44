// callbacks_in_progress.cpp - the one counter of application callbacks
// running now (callbacks_in_progress.h).
#include "link/callbacks_in_progress.h"

std::atomic<int> g_nCallbacksInProgress{0};
