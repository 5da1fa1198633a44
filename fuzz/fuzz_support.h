// fuzz_support.h - what every harness shares: log lines are formatted but
// not written (a million inputs would fill the disk), and a check that
// stops the run on a broken promise of the code under test.
#ifndef QX_FUZZ_SUPPORT_H
#define QX_FUZZ_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "logging/log.h"

namespace qxfuzz {

// A log directory that can never be made: the logger keeps no streams.
inline void quietLogs() {
    setenv("QXLOGS", "/dev/null/qxfuzz", 1);
    resetLogFilesForTesting();
}

inline void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

inline std::string text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace qxfuzz

#endif  // QX_FUZZ_SUPPORT_H
