// libraries.cpp (Windows) - loading the device library, binding its
// entries, and naming this library's own file and its version resource.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {
namespace {

// Any object of this module: its address names our own file when the
// module is not loaded under its usual name (the unit tests link the code
// into their programs).
const char kAnchor = 0;

HMODULE ownModule(const char* moduleName) {
    HMODULE module = moduleName && *moduleName ? GetModuleHandleA(moduleName) : nullptr;
    if (!module) {
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           &kAnchor, &module);
    }
    return module;
}

}  // namespace

namespace backend {

ModuleHandle openLibraryFile(const std::string& path) { return LoadLibraryA(path.c_str()); }

ModuleHandle openLibraryByName(const char* baseName) { return LoadLibraryA(baseName); }

std::string libraryFileName(const char* baseName) { return std::string(baseName) + ".dll"; }

}  // namespace backend

void* findEntry(ModuleHandle module, const char* windowsName) {
    if (!module || !windowsName) return nullptr;
    FARPROC entry = GetProcAddress(static_cast<HMODULE>(module), windowsName);
    return reinterpret_cast<void*>(entry);
}

bool freeLibrary(ModuleHandle module) {
    return module && FreeLibrary(static_cast<HMODULE>(module)) != 0;
}

namespace {

// The extra reference of holdOwnModule, null while none is held.  Only
// initQX and exitQX touch it, holding the library's turn.
HMODULE g_ownReference = nullptr;

}  // namespace

bool holdOwnModule() {
    if (g_ownReference) return true;
    // Without UNCHANGED_REFCOUNT the look-up counts one more reference.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &kAnchor, &g_ownReference))
        g_ownReference = nullptr;
    return g_ownReference != nullptr;
}

void releaseOwnModule() {
    if (!g_ownReference) return;
    FreeLibrary(g_ownReference);
    g_ownReference = nullptr;
}

bool codeIsLoaded(const void* address) {
    HMODULE module = nullptr;
    return address &&
           GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &module) != 0;
}

std::string ownModuleFileName(const char* moduleName) {
    HMODULE module = ownModule(moduleName);
    if (!module) return "";
    char name[MAX_PATH] = {0};
    DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(name, length) : std::string();
}

std::string directoryOf(const std::string& fullName) {
    char drive[_MAX_DRIVE] = {0};
    char dir[_MAX_DIR] = {0};
    _splitpath(fullName.c_str(), drive, dir, nullptr, nullptr);
    return std::string(drive) + dir;
}

std::string fileVersion(const std::string& fileName) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data.data())) return "";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof(VS_FIXEDFILEINFO))
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u",
                  static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(info->dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(info->dwFileVersionLS)));
    return text;
}

}  // namespace qxplat
