// internal_env.h - helpers for test programs that link the library's
// objects and may reach its test hooks.
#ifndef QX_INTERNAL_ENV_H
#define QX_INTERNAL_ENV_H

#include <string>

#include "logging/log.h"
#include "tests/support/test_env.h"

namespace qxtest {

// Points QXLOGS at a fresh directory and makes the logger reopen there.
inline std::string useFreshLogDir(const std::string& hint) {
    std::string dir = makeTempDir(hint);
    setEnv("QXLOGS", dir);
    resetLogFilesForTesting();
    return dir;
}

}  // namespace qxtest

#endif  // QX_INTERNAL_ENV_H
