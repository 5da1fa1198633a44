// profile.cpp (Windows) - integer keys of INI files through
// GetPrivateProfileIntA.
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace qxplat {

// A path without a directory part would be looked for in the Windows
// directory: callers pass ".\\qxlogics.ini" for the current one.
int profileInt(const char* section, const char* key, int defaultValue,
               const std::string& path) {
    if (!section || !key) return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path.c_str()));
}

}  // namespace qxplat
