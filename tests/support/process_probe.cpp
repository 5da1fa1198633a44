// process_probe.cpp - platform, sanitizer and resident-memory probes (one OS section).
#include "tests/support/process_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QXT_SANITIZED true
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define QXT_SANITIZED true
#endif
#endif
#ifndef QXT_SANITIZED
#define QXT_SANITIZED false
#endif

namespace qxtest {

bool sanitizerBuild() { return QXT_SANITIZED; }

// Valgrind preloads its own helper libraries into the program.
bool underValgrind() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "vgpreload") != nullptr;
}

#if defined(_WIN32)
bool onWindows() { return true; }
// Wine's working-set figure is its own estimate: not trusted.
long residentKiB() { return -1; }
#else
bool onWindows() { return false; }
long residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    long size = 0, resident = 0;
    const int read = std::fscanf(file, "%ld %ld", &size, &resident);
    std::fclose(file);
    return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}
#endif

}  // namespace qxtest
