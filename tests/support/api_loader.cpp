// api_loader.cpp - run-time loading of the library and the simulator (one OS section).
#include "tests/support/api_loader.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#endif

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

std::string loadApi() {
    for (int i = 0; i < 2; ++i) {
        if (!g_modules[i] && !(g_modules[i] = open(programDirectory() + kFiles[i])))
            return std::string("cannot load ") + kFiles[i];
    }
    return "";
}

bool apiLoaded() { return g_modules[1] != nullptr; }

void* loadedEntry(const char* name) {
    void* entry = symbol(g_modules[std::string(name).rfind("qxsim_", 0) == 0 ? 0 : 1], name);
    if (!entry) throw std::runtime_error(std::string("missing entry ") + name);
    return entry;
}

}  // namespace qxtest
