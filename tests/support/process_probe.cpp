// process_probe.cpp - platform, sanitizer and resident-memory probes (one
// OS section).
#include "tests/support/process_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#else
#include <unistd.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QXT_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QXT_SANITIZED 1
#endif

namespace qxtest {

bool sanitizerBuild() {
#if defined(QXT_SANITIZED)
    return true;
#else
    return false;
#endif
}

// Valgrind preloads its own helper libraries into the program.
bool underValgrind() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "vgpreload") != nullptr;
}

#if defined(_WIN32)

bool onWindows() { return true; }

bool runningAsRoot() { return false; }

// Wine's working-set figure is its own estimate; the soak does not trust it.
long residentKiB() { return -1; }

#else

bool onWindows() { return false; }

bool runningAsRoot() { return geteuid() == 0; }

long residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    long size = 0, resident = 0;
    const int read = std::fscanf(file, "%ld %ld", &size, &resident);
    std::fclose(file);
    if (read != 2) return -1;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

#endif

}  // namespace qxtest
