// api_loader.cpp - run-time loading of the library and the simulator (one OS section).
#include "tests/support/api_loader.h"

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
// The program's folder comes first in the DLL search order.
Module openModule(const char* file) { return LoadLibraryA(file); }
void* symbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}
#else
using Module = void*;
const char* const kSimFile = "libDorvoLINK.so";
const char* const kLibraryFile = "libqxlogics.so";
Module openModule(const char* file) { return dlopen((programDirectory() + file).c_str(), RTLD_NOW); }
void* symbol(Module module, const char* name) { return dlsym(module, name); }
#endif

Module g_library = nullptr;
LoadedApi g_api;
bool g_loaded = false;

template <class Pointer>
void resolve(Module module, const char* name, Pointer& pointer, std::string& error) {
    pointer = reinterpret_cast<Pointer>(symbol(module, name));
    if (!pointer) error += std::string(error.empty() ? "missing entry: " : ", ") + name;
}

}  // namespace

std::string programDirectory() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full = path;
    return full.substr(0, full.find_last_of('\\') + 1);
#else
    char path[PATH_MAX] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) < 0) return "";
    const std::string full = path;
    return full.substr(0, full.find_last_of('/') + 1);
#endif
}

bool apiLoaded() { return g_loaded; }

const LoadedApi* loadApi(std::string& error) {
    if (g_loaded) return &g_api;
    const Module sim = openModule(kSimFile);
    g_api.logDir = logDir();
    g_library = sim ? openModule(kLibraryFile) : nullptr;
    if (!g_library) {
        error = std::string("cannot load ") + (sim ? kLibraryFile : kSimFile);
        return nullptr;
    }
#define QXT_RESOLVE_SIM(name) resolve(sim, #name, g_api.sim.name, error);
#define QXT_RESOLVE_EXPORT(name) resolve(g_library, #name, g_api.qx.name, error);
    QXT_SIM_NAMES(QXT_RESOLVE_SIM)
    QXT_EXPORT_NAMES(QXT_RESOLVE_EXPORT)
#undef QXT_RESOLVE_SIM
#undef QXT_RESOLVE_EXPORT
    g_loaded = error.empty();
    return g_loaded ? &g_api : nullptr;
}

void* findLibrarySymbol(const char* name) { return g_library ? symbol(g_library, name) : nullptr; }

}  // namespace qxtest
