// api_state.cpp - the exported interface's own initiated flag.
#include "api/api_state.h"

std::atomic<bool> g_bApiInitiated{false};
