// fault_scenario.h - running one fault scenario in a process of its own.
//
// The library reads its log directory and settings when it loads, and a
// process loads it once, so every scenario runs in a child: the test
// program starts itself again with the scenario's environment and a
// filter for its FaultScenario case, and the parent case passes when the
// child does.  The child's output goes to a file the parent may read.
#ifndef QX_FAULT_SCENARIO_H
#define QX_FAULT_SCENARIO_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "tests/support/api_loader.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_env.h"

namespace qxtest {

const char* const kScenarioVariable = "QX_FAULT_SCENARIO";
const char* const kFaultPort = "Type:RS232;Name:COM1";

struct ScenarioRun {
    int exitCode = -1;
    std::string output;  // what the child printed
};

// Runs FaultScenario.<name> in a child with these variables set (an empty
// value unsets one).
inline ScenarioRun runScenario(const std::string& name,
                               const std::map<std::string, std::string>& environment) {
    const std::string outputFile = makeTempDir("scenario_out") + "/" + name + ".txt";
    setEnv(kScenarioVariable, name);
    for (const auto& entry : environment) {
        if (entry.second.empty()) unsetEnv(entry.first);
        else setEnv(entry.first, entry.second);
    }
    const std::string program =
        programDirectory() + "qx_faults_tests" + (onWindows() ? ".exe" : "");
    const std::string command =
        program + " --gtest_filter=FaultScenario." + name + " > " + outputFile + " 2>&1";
    ScenarioRun run;
    run.exitCode = std::system(command.c_str());
    run.output = readFile(outputFile);
    unsetEnv(kScenarioVariable);
    for (const auto& entry : environment) unsetEnv(entry.first);
    return run;
}

#define QXT_EXPECT_SCENARIO_PASSES(run)                                                  \
    EXPECT_EQ((run).exitCode, 0) << "child output:\n" << (run).output;                  \
    EXPECT_NE((run).output.find("[  PASSED  ] 1 test"), std::string::npos)              \
        << "child output:\n" << (run).output

// The scenario cases run only in the child their parent case starts.
#define QXT_SCENARIO_ONLY()                                                               \
    do {                                                                                 \
        if (!std::getenv(kScenarioVariable))                                             \
            GTEST_SKIP() << "runs in the child process of its fault case";               \
    } while (0)

inline void QXAPI ignoreStatus(int, short, short) {}
inline void QXAPI ignoreError(int, const char*, const char*) {}
inline void QXAPI ignoreCashLevel(int, int, const char*) {}
inline void QXAPI ignoreLevelWarning(int, int, int, const char*, const char*, const char*,
                                     const char*) {}
inline void QXAPI ignoreCashSession(short, int, const char*) {}

// A short sale through the exports: what "the library still works" means
// in every scenario.  Messages are expected as given (a translated
// "Done" when the scenario translates it).
inline void expectWorkingSale(const LoadedApi& api, const std::string& done = "Done") {
    const QxExports& qx = api.qx;
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(qx.registerEvents23QX(ignoreStatus, ignoreError, ignoreCashLevel,
                                    ignoreLevelWarning, ignoreCashSession, message),
              QX_STATUS_OK)
        << message;
    ASSERT_EQ(qx.initQX(kFaultPort, "LogDebug:1", message), QX_STATUS_OK) << message;
    EXPECT_EQ(message, done);
    ASSERT_EQ(qx.loginQX(1, 1, message), QX_STATUS_OK) << message;
    api.sim.qxsim_wait_idle(2000);
    ASSERT_EQ(qx.enablePayinQX(message), QX_STATUS_OK) << message;
    api.sim.qxsim_wait_idle(2000);
    ASSERT_EQ(api.sim.qxsim_insert(2000), 0);
    api.sim.qxsim_wait_idle(2000);
    int rest = -1;
    EXPECT_EQ(qx.amountDueQX(1500, "fault sale", &rest, message), QX_STATUS_OK) << message;
    EXPECT_EQ(rest, 0);
    api.sim.qxsim_wait_idle(3000);
    EXPECT_EQ(qx.logoutQX(message), QX_STATUS_OK) << message;
    api.sim.qxsim_wait_idle(2000);
    EXPECT_EQ(qx.exitQX(message), QX_STATUS_OK) << message;
    EXPECT_EQ(message, done);
}

// Loads the library and the simulator in the child.
inline const LoadedApi* loadInScenario() {
    std::string error;
    const LoadedApi* api = loadApi(error);
    EXPECT_NE(api, nullptr) << error;
    return api;
}

}  // namespace qxtest

#endif  // QX_FAULT_SCENARIO_H
