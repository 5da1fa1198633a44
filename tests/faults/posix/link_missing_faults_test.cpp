// link_missing_faults_test.cpp - the device communication library cannot
// be found: initQX fails with its documented text and the library keeps
// answering.  A copy of the library in a folder of its own finds no
// device library beside it (POSIX: its run path is its own folder; on
// Windows the program's folder, which holds the simulator, is searched
// first, so the case exists only here).
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "tests/faults/fault_scenario.h"

namespace qxtest {
namespace {

namespace fsys = std::filesystem;

TEST(LinkFaultTest, MissingDeviceLibraryFailsInitialisationOnly) {
    const std::string dir = makeTempDir("lonely_library");
    fsys::copy_file(programDirectory() + "libqxlogics.so", dir + "/libqxlogics.so");
    const ScenarioRun run = runScenario(
        "WithoutDeviceLibrary",
        {{"QX_LONELY_LIBRARY", dir + "/libqxlogics.so"}, {"QXLOGS", makeTempDir("link_logs")}});
    QXT_EXPECT_SCENARIO_PASSES(run);
}

template <class Pointer>
Pointer entry(void* module, const char* name) {
    return reinterpret_cast<Pointer>(dlsym(module, name));
}

TEST(FaultScenario, WithoutDeviceLibrary) {
    QXT_SCENARIO_ONLY();
    // Nothing else is loaded in this process, the simulator least of all.
    void* module = dlopen(std::getenv("QX_LONELY_LIBRARY"), RTLD_NOW);
    ASSERT_NE(module, nullptr) << dlerror();
    auto initQX = entry<decltype(&::initQX)>(module, "initQX");
    auto exitQX = entry<decltype(&::exitQX)>(module, "exitQX");
    auto registerEvents23QX = entry<decltype(&::registerEvents23QX)>(module, "registerEvents23QX");
    auto isOpenQX = entry<decltype(&::isOpenQX)>(module, "isOpenQX");
    ASSERT_TRUE(initQX && exitQX && registerEvents23QX && isOpenQX);

    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(registerEvents23QX(ignoreStatus, ignoreError, ignoreCashLevel, ignoreLevelWarning,
                                 ignoreCashSession, message),
              QX_STATUS_OK);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(initQX(kFaultPort, "LogDebug:1", message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Failed to get dll handle");
    }
    const std::string logic = readLog("qxlogic");
    EXPECT_NE(logic.find("!! CDorvoLink::loadTheComLibrary: Failed to open DorvoLINK library"),
              std::string::npos)
        << logic;
    EXPECT_NE(readLog("qxerror").find("CDorvoLink::loadTheComLibrary: Failed to open DorvoLINK"),
              std::string::npos);
    // Not initiated, and it says so.
    int open = -1;
    EXPECT_EQ(isOpenQX(&open, message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
    EXPECT_EQ(exitQX(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
}

}  // namespace
}  // namespace qxtest
