// api_loader.h - the library and the device simulator loaded at run time, as a till loads them.
// Set QXLOGS and QXCONFIG first: the library logs as it loads.
#ifndef QX_API_LOADER_H
#define QX_API_LOADER_H

#include <string>

#include "qxlogics.h"
#include "sim/qxsim.h"

// An export of the library, or an entry of the simulator ("qxsim_..."), with its declared type.
#define QX(name) (reinterpret_cast<decltype(&::name)>(qxtest::loadedEntry(#name)))

namespace qxtest {

// Loads the simulator, then the library (which opens that same simulator) from this program's
// folder, once per process: "", or why it could not.
std::string loadApi();
bool apiLoaded();
// The entry by its plain name; throws when the module lacks it.
void* loadedEntry(const char* name);
// This program's file and its folder (with a trailing separator).
std::string programPath();
std::string programDirectory();

}  // namespace qxtest

#endif  // QX_API_LOADER_H
