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
const char* const kFiles[] = {"DorvoLINK.dll", "qxlogics.dll"};
void* open(const std::string& path) { return LoadLibraryA(path.c_str()); }
void* symbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
#else
const char* const kFiles[] = {"libDorvoLINK.so", "libqxlogics.so"};
void* open(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW); }
void* symbol(void* module, const char* name) { return dlsym(module, name); }
#endif

void* g_modules[2] = {};  // the simulator, the library
LoadedApi g_api;
bool g_loaded = false;

template <class Pointer>
void resolve(void* module, const char* name, Pointer& pointer, std::string& error) {
    pointer = reinterpret_cast<Pointer>(symbol(module, name));
    if (!pointer) error += std::string(" missing ") + name;
}

}  // namespace

std::string programPath() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
#else
    char path[PATH_MAX] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) < 0) return "";
#endif
    return path;
}

std::string programDirectory() {
    const std::string path = programPath();
    return path.substr(0, path.find_last_of("/\\") + 1);
}

const LoadedApi* loadApi(std::string& error) {
    if (g_loaded) return &g_api;
    g_api.logDir = logDir();
    for (int i = 0; i < 2; ++i) {
        if (!g_modules[i] && !(g_modules[i] = open(programDirectory() + kFiles[i]))) {
            error = std::string("cannot load ") + kFiles[i];
            return nullptr;
        }
    }
#define QXT_RESOLVE_SIM(name) resolve(g_modules[0], #name, g_api.sim.name, error);
#define QXT_RESOLVE_EXPORT(name) resolve(g_modules[1], #name, g_api.qx.name, error);
    QXT_SIM_NAMES(QXT_RESOLVE_SIM)
    QXT_EXPORT_NAMES(QXT_RESOLVE_EXPORT)
    g_loaded = error.empty();
    return g_loaded ? &g_api : nullptr;
}

bool apiLoaded() { return g_loaded; }

}  // namespace qxtest
