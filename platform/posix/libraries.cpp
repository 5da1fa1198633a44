// libraries.cpp (POSIX) - loading the device library with dlopen, binding
// its entries, and naming this library's own file and version.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {
namespace {

// Any object of this library: dladdr of its address names our own file.
const char kAnchor = 0;

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

namespace backend {

ModuleHandle openLibraryFile(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW);
}

// This library's own folder first, by full path: a program built with a
// sanitizer runtime that intercepts dlopen (gcc's -fsanitize=address) makes
// the search by name miss this library's RUNPATH.  Then the bare file name,
// which dlopen searches for in the RUNPATH ($ORIGIN), LD_LIBRARY_PATH and
// the system paths.
ModuleHandle openLibraryByName(const char* baseName) {
    const std::string own = ownModuleFileName("");
    if (!own.empty()) {
        if (ModuleHandle module = openLibraryFile(directoryOf(own) + libraryFileName(baseName)))
            return module;
    }
    return dlopen(libraryFileName(baseName).c_str(), RTLD_NOW);
}

std::string libraryFileName(const char* baseName) {
    return std::string("lib") + baseName + ".so";
}

}  // namespace backend

// ELF reads "@@" in a symbol name as a version, so the device library
// exports its decorated names with every '@' written as '_'.
void* findEntry(ModuleHandle module, const char* windowsName) {
    if (!module || !windowsName) return nullptr;
    std::string name = windowsName;
    for (char& c : name) {
        if (c == '@') c = '_';
    }
    return dlsym(module, name.c_str());
}

bool freeLibrary(ModuleHandle module) { return module && dlclose(module) == 0; }

namespace {

// The extra reference of holdOwnModule, null while none is held.  Only
// initQX and exitQX touch it, holding the library's turn.
void* g_ownReference = nullptr;

}  // namespace

bool holdOwnModule() {
    if (g_ownReference) return true;
    Dl_info info{};
    if (!dladdr(&kAnchor, &info) || !info.dli_fname) return false;
    // Our own file is loaded: this only counts one more reference to it.
    g_ownReference = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    return g_ownReference != nullptr;
}

void releaseOwnModule() {
    if (!g_ownReference) return;
    dlclose(g_ownReference);
    g_ownReference = nullptr;
}

bool codeIsLoaded(const void* address) {
    Dl_info info{};
    return address && dladdr(address, &info) != 0;
}

std::string ownModuleFileName(const char* /*moduleName*/) {
    Dl_info info{};
    if (!dladdr(&kAnchor, &info) || !info.dli_fname || !*info.dli_fname) return "";
    return canonical(info.dli_fname);
}

// No version resources here: our own file carries the project version.
std::string fileVersion(const std::string& fileName) {
    std::string own = ownModuleFileName("");
    if (own.empty() || fileName.empty() || canonical(fileName) != own) return "";
    return std::string(QX_PROJECT_VERSION) + ".0";
}

}  // namespace qxplat
