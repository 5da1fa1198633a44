// backend.h - what each platform backend (platform/posix, platform/win32)
// provides to the code shared by both in platform/common: the real clock,
// the real sleep, library loading by file and by name, and the default
// system directory.  The shared code adds the test seams on top.
#ifndef QX_PLATFORM_BACKEND_H
#define QX_PLATFORM_BACKEND_H

#include <string>

#include "platform/platform.h"

namespace qxplat {
namespace backend {

// Loads exactly this file; null on failure.
ModuleHandle openLibraryFile(const std::string& path);
// Loads by base name with the platform's own search ("DorvoLINK").
ModuleHandle openLibraryByName(const char* baseName);
// File name of a library with that base name ("libDorvoLINK.so").
std::string libraryFileName(const char* baseName);

LocalTime realLocalNow();
void realSleepMs(int milliseconds);
std::string defaultSystemDirectory();

}  // namespace backend
}  // namespace qxplat

#endif  // QX_PLATFORM_BACKEND_H
