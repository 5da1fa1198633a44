// module_info.h - where this library lives and which version it is; used
// by the settings file search and the start-up banner.
#ifndef QX_MODULE_INFO_H
#define QX_MODULE_INFO_H

#include <string>

// This library's file as the loader knows it: "qxlogics.dll" on Windows,
// the soname "libqxlogics.so.1" on POSIX.
extern const char* const QX_LIBRARY_NAME;

// Directory of the loaded library, ending in a separator; "" on failure
// (after logging why).
std::string getRuntimePath();
// File version "a.b.c.d" of path + name, or "No version Info".
std::string getFileVersion(const std::string& fileName);

#endif  // QX_MODULE_INFO_H
