// soak_config.h - how long the soak runs and which sequence it plays: the
// seed, the cycle count and the time budget, from the environment or the
// short defaults of the test command.
//
//   QX_SOAK_SEED     replay a run (the seed is printed at the start)
//   QX_SOAK_CYCLES   cycle count; the long form is 20000
//   QX_SOAK_SECONDS  time budget; the soak stops after the cycle in which
//                    it ran out
//   QX_SOAK_BUSY_MS  how long each cash move keeps the device busy
#ifndef QX_SOAK_CONFIG_H
#define QX_SOAK_CONFIG_H

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/support/process_probe.h"

namespace qxtest {

struct SoakConfig {
    unsigned seed = 0;
    int cycles = 0;
    int seconds = 0;
    // Faults that cost a 5 s device time-out each, at most this many.
    int slowFaults = 0;
    // How long each cash move keeps the device busy; 0 by default: the
    // driver sees a busy report however short.
    int busyMs = 0;

    static long envNumber(const char* name, long fallback) {
        const char* text = std::getenv(name);
        if (!text || !*text) return fallback;
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        return end && *end == '\0' ? value : fallback;
    }

    static SoakConfig fromEnvironment() {
        SoakConfig config;
        // Wine starts threads and posts messages slowly, and sanitizers
        // slow every line: both run a shorter short form.
        const bool slowProcess = onWindows() || sanitizerBuild() || underValgrind();
        const int shortCycles = onWindows() ? 40 : slowProcess ? 80 : 100;
        const long clockSeed = static_cast<long>(
            std::chrono::steady_clock::now().time_since_epoch().count() & 0x7fffffff);
        config.seed = static_cast<unsigned>(envNumber("QX_SOAK_SEED", clockSeed));
        config.cycles = static_cast<int>(envNumber("QX_SOAK_CYCLES", shortCycles));
        config.seconds = static_cast<int>(envNumber("QX_SOAK_SECONDS", 60));
        config.slowFaults = config.cycles / 2000;
        config.busyMs = static_cast<int>(envNumber("QX_SOAK_BUSY_MS", 0));
        return config;
    }
};

}  // namespace qxtest

#endif  // QX_SOAK_CONFIG_H
