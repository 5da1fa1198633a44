// session_fixture.h - what the lifecycle and login tests share: a fresh
// simulated device, the core and device model back to their start, no
// settings file, and the commands the device received.
#ifndef QX_TESTS_SESSION_FIXTURE_H
#define QX_TESTS_SESSION_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "events/receivers.h"
#include "platform/platform.h"
#include "sim/qxsim.h"
#include "tests/support/internal_env.h"

namespace coretest {

inline void QXAPI onStatus(int, short, short) {}
inline void QXAPI onError(int, const char*, const char*) {}
inline void QXAPI onCashLevel(int, int, const char*) {}
inline void QXAPI onLevelWarning(int, int, int, const char*, const char*, const char*,
                                 const char*) {}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxsim_reset();
        g_theLogics.resetForTesting();
        resetDeviceModelForTesting();
        clearReceivers();
        configDir = qxtest::makeTempDir("session_config");
        qxtest::setEnv("QXCONFIG", configDir);
        qxtest::useFreshLogDir("session");
    }
    void TearDown() override {
        qxplat::setSleepHookForTesting({});
        g_theLogics.exit(message);
        clearReceivers();
        qxtest::unsetEnv("QXCONFIG");
    }

    static void registerCallbacks() {
        g_pfnStatusCallback = onStatus;
        g_pfnErrorCallback = onError;
        g_pfnCashLevelCallback = onCashLevel;
    }
    // Registered callbacks, init with these settings, and the result.
    short initWith(const char* initSettings = "") {
        registerCallbacks();
        return g_theLogics.init("Type:RS232;Name:COM1", initSettings, message);
    }
    static void settle() { ASSERT_EQ(0, qxsim_wait_idle(5000)); }

    // Commands received since the reset, the separator shown as '|'.
    static std::vector<std::string> commands() {
        std::vector<char> buffer(1 << 16);
        qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        std::vector<std::string> lines(1);
        for (const char* c = buffer.data(); *c; ++c) {
            if (*c == '\n') lines.emplace_back();
            else lines.back() += *c == '\x1C' ? '|' : *c;
        }
        lines.pop_back();
        return lines;
    }
    static int sentCount(char letter) {
        int count = 0;
        for (const std::string& command : commands()) count += command[0] == letter;
        return count;
    }
    static size_t logged(const std::string& needle) {
        return qxtest::logLinesContaining("qxlogic", needle).size();
    }
    static size_t errors(const std::string& needle) {
        return qxtest::logLinesContaining("qxerror", needle).size();
    }

    std::string configDir;
    char message[QX_BUFFER_CAPACITY] = "";
};

}  // namespace coretest

#endif  // QX_TESTS_SESSION_FIXTURE_H
