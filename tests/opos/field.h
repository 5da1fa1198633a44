// field.h - the stand-in's surroundings as in a shop: the service
// object's folder apart from the till's, registration by regsvr32, the
// registry, and the simulator's control entries reached in the device
// library the service object loaded (they play the customer).
#ifndef QX_TESTS_OPOS_FIELD_H
#define QX_TESTS_OPOS_FIELD_H

#include <windows.h>

#include <string>

namespace qxopos_test {

// Folders with a trailing backslash: the till's (this program's) and the
// service object's (QX_OPOS_FOLDER, else ..\OPOS\ beside the till's).
std::string tillFolder();
std::string serviceObjectFolder();
std::string fullPath(const std::string& path);
bool fileExists(const std::string& path);

// regsvr32 /s [/u] on the file; its exit code.
DWORD runRegsvr32(const std::string& file, bool unregister);

// HKLM.
bool registryKeyExists(const std::string& path);
std::string registryText(const std::string& path, const char* name);

// The loaded device library's file name, "" when it is not loaded.
std::string loadedDeviceLibrary();

// A simulator control entry of the loaded device library.
template <typename Entry> Entry simEntry(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("DorvoLINK.dll"), name)));
}

}  // namespace qxopos_test

#endif  // QX_TESTS_OPOS_FIELD_H
