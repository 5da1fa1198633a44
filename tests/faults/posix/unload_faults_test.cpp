// unload_faults_test.cpp - the application unloads the library without
// exitQX while the device floods it with reports: the library closes the
// device on its way out, and nothing the reports reach is gone before it.
// (Run it under the address sanitizer to see a use after free.)
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "tests/faults/fault_scenario.h"

namespace qxtest {
namespace {

TEST(UnloadFaultTest, UnloadingWithoutExitWhileTheDeviceReportsIsSafe) {
    // Each unloading leaves the library's never-destroyed objects behind, by
    // design: the leak checker would count them a hundred times.
    const ScenarioRun run =
        runScenario("UnloadWithoutExit", {{"QXLOGS", makeTempDir("unload_logs")},
                                          {"ASAN_OPTIONS", "detect_leaks=0"}});
    QXT_EXPECT_SCENARIO_PASSES(run);
}

template <class Pointer>
Pointer entry(void* module, const char* name) {
    return reinterpret_cast<Pointer>(dlsym(module, name));
}

TEST(FaultScenario, UnloadWithoutExit) {
    QXT_SCENARIO_ONLY();
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    auto inject = entry<decltype(&::qxsim_inject_callback)>(sim, "qxsim_inject_callback");
    ASSERT_NE(inject, nullptr);
    int window[2];
    ASSERT_EQ(pipe(window), 0);
    fcntl(window[0], F_SETFL, O_NONBLOCK);
    char drained[4096];
    // Errors, cash levels and sessions: each fills its queue of texts.
    const char* const reports[] = {"a0000000001", "b0000000021Note jam      01",
                                   "b000000000105 20           ", "b0000000001CR/WD00002250"};
    for (int round = 0; round < 100; ++round) {
        void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
        ASSERT_NE(library, nullptr) << dlerror();
        char message[QX_BUFFER_CAPACITY] = "";
        entry<decltype(&::registerHwndQX)>(library, "registerHwndQX")(
            QX_HWND_FROM_FD(window[1]), message);
        ASSERT_EQ(entry<decltype(&::initQX)>(library, "initQX")(kFaultPort, "", message),
                  QX_STATUS_OK)
            << message;
        while (read(window[0], drained, sizeof drained) > 0) {
        }
        for (int i = 0; i < 90; ++i) {  // each queue stays below its 100
            for (const char* report : reports) inject(report);
        }
        pollfd firstEvent{window[0], POLLIN, 0};
        poll(&firstEvent, 1, 5000);  // the flood is on: unload now
        ASSERT_EQ(dlclose(library), 0);
        ASSERT_EQ(dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    }
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::~CQXLogics: exitCom ans=Done").size(),
              100u);
}

}  // namespace
}  // namespace qxtest
