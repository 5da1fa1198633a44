// locations.cpp - where the platform layer looks for things: the device
// library (a test directory first, then the platform's search), the system
// directory (overridable by tests) and the environment.
#include <cstdlib>
#include <string>

#include "platform/common/backend.h"
#include "platform/common/seam.h"
#include "platform/platform.h"

namespace qxplat {
namespace {

Seam<std::string>& libraryDirectory() {
    static auto* seam = new Seam<std::string>();
    return *seam;
}

Seam<std::string>& systemDirectoryOverride() {
    static auto* seam = new Seam<std::string>();
    return *seam;
}

}  // namespace

ModuleHandle loadLibrary(const char* baseName) {
    if (!baseName || !*baseName) return nullptr;
    std::string dir = libraryDirectory().get();
    if (!dir.empty()) {
        if (dir.back() != pathSeparator()) dir += pathSeparator();
        ModuleHandle module = backend::openLibraryFile(dir + backend::libraryFileName(baseName));
        if (module) return module;
    }
    return backend::openLibraryByName(baseName);
}

void setLibraryDirectoryForTesting(const std::string& dir) { libraryDirectory().set(dir); }

std::string systemDirectory() {
    std::string dir = systemDirectoryOverride().get();
    return dir.empty() ? backend::defaultSystemDirectory() : dir;
}

void setSystemDirectoryForTesting(const std::string& dir) { systemDirectoryOverride().set(dir); }

bool getEnv(const char* name, std::string& value) {
    // std::getenv on both platforms: it sees what the C runtime's putenv
    // family set, which the Windows process block may not yet.
    const char* text = name ? std::getenv(name) : nullptr;
    if (!text) return false;
    value = text;
    return true;
}

}  // namespace qxplat
