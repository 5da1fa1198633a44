// api_state.h - state of the exported interface itself.
#ifndef QX_API_STATE_H
#define QX_API_STATE_H

#include <atomic>

// Set by a successful initQX, cleared by a successful exitQX.
extern std::atomic<bool> g_bApiInitiated;

#endif  // QX_API_STATE_H
