// api_loader.cpp - run-time loading of the library and the simulator for
// the dynamic test programs (one OS section: dlopen or LoadLibraryA).
#include "tests/support/api_loader.h"

#include <cstddef>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#endif

#include "tests/support/test_env.h"

namespace qxtest {
namespace {

#if defined(_WIN32)
using Module = HMODULE;
const char* const kSimFile = "DorvoLINK.dll";
const char* const kLibraryFile = "qxlogics.dll";

// The program's directory comes first in the DLL search order.
Module openModule(const std::string& fileName) { return LoadLibraryA(fileName.c_str()); }
void* symbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}
#else
using Module = void*;
const char* const kSimFile = "libDorvoLINK.so";
const char* const kLibraryFile = "libqxlogics.so";

Module openModule(const std::string& fileName) {
    return dlopen((programDirectory() + fileName).c_str(), RTLD_NOW);
}
void* symbol(Module module, const char* name) { return dlsym(module, name); }
#endif

Module g_library = nullptr;
LoadedApi g_api;
bool g_loaded = false;

template <class Pointer>
bool resolve(Module module, const char* name, Pointer& pointer, std::string& error) {
    pointer = reinterpret_cast<Pointer>(symbol(module, name));
    if (!pointer) error += std::string(error.empty() ? "missing entry: " : ", ") + name;
    return pointer != nullptr;
}

bool resolveAll(Module sim, Module library, std::string& error) {
#define QXT_RESOLVE_SIM(name) resolve(sim, #name, g_api.sim.name, error);
#define QXT_RESOLVE_EXPORT(name) resolve(library, #name, g_api.qx.name, error);
    QXT_SIM_NAMES(QXT_RESOLVE_SIM)
    QXT_EXPORT_NAMES(QXT_RESOLVE_EXPORT)
#undef QXT_RESOLVE_SIM
#undef QXT_RESOLVE_EXPORT
    return error.empty();
}

}  // namespace

std::string programDirectory() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char separator = '\\';
#else
    char path[PATH_MAX] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) < 0) return "";
    const char separator = '/';
#endif
    const std::string full = path;
    const std::size_t cut = full.find_last_of(separator);
    return cut == std::string::npos ? std::string(".") + separator : full.substr(0, cut + 1);
}

bool apiLoaded() { return g_loaded; }

const LoadedApi* loadApi(std::string& error) {
    if (g_loaded) return &g_api;
    // The simulator first: when the library opens it by name later it gets
    // this very module.
    Module sim = openModule(kSimFile);
    if (!sim) {
        error = std::string("cannot load ") + kSimFile;
        return nullptr;
    }
    g_api.logDir = logDir();
    g_library = openModule(kLibraryFile);
    if (!g_library) {
        error = std::string("cannot load ") + kLibraryFile;
        return nullptr;
    }
    if (!resolveAll(sim, g_library, error)) return nullptr;
    g_loaded = true;
    return &g_api;
}

void* findLibrarySymbol(const char* name) {
    return g_library ? symbol(g_library, name) : nullptr;
}

}  // namespace qxtest
