// unload_link_faults_test.cpp - the device library missing, and the library unloaded without
// exitQX while the device floods it with reports.  Each child opens the modules itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

template <class Pointer>
Pointer entry(void* module, const char* name) {
    return reinterpret_cast<Pointer>(dlsym(module, name));
}
#define QXT_ENTRY(module, name) entry<decltype(&::name)>(module, #name)

// A copy of the library in a folder of its own finds no device library beside it (its run path
// is its own folder; Windows searches the program's folder, with the simulator, first): initQX
// fails with its text, and the library keeps answering.
TEST(LinkFaultTest, MissingDeviceLibraryFailsInitialisationOnly) {
    if (!inScenario()) {
        const std::string copy = makeTempDir("lonely_library") + "/libqxlogics.so";
        std::filesystem::copy_file(programDirectory() + "libqxlogics.so", copy);
        runInChild({{"QX_LONELY_LIBRARY", copy}, {"QXLOGS", makeTempDir("link_logs")}});
        return;
    }
    // Nothing else is loaded in this process, the simulator least of all.
    void* library = dlopen(std::getenv("QX_LONELY_LIBRARY"), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(QXT_ENTRY(library, registerEvents23QX)(onStatus, onError, onCashLevel,
                                                     onLevelWarning, onCashSession, message),
              QX_STATUS_OK);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(QXT_ENTRY(library, initQX)(kPort, "LogDebug:1", message), QX_STATUS_ERROR);
        EXPECT_STREQ(message, "Failed to get dll handle");
    }
    const std::string failure = "CDorvoLink::loadTheComLibrary: Failed to open DorvoLINK library";
    EXPECT_NE(readLog("qxlogic").find("!! " + failure), std::string::npos) << readLog("qxlogic");
    EXPECT_NE(readLog("qxerror").find(failure), std::string::npos);
    int open = -1;
    EXPECT_EQ(QXT_ENTRY(library, isOpenQX)(&open, message), QX_STATUS_ERROR);
    EXPECT_EQ(QXT_ENTRY(library, exitQX)(message), QX_STATUS_ERROR);
    EXPECT_STREQ(message, "Not initiated");
}

// Unloading without exitQX while the device floods the library with errors, cash levels and
// sessions: it closes the device on its way out, before anything the reports reach is gone.
// (The address sanitizer shows a use after free.)
TEST(UnloadFaultTest, UnloadingWithoutExitWhileTheDeviceReportsIsSafe) {
    if (!inScenario()) {
        // Each unloading leaves the never-destroyed objects behind, by design: no leak count.
        runInChild({{"QXLOGS", makeTempDir("unload_logs")}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        return;
    }
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    int window[2];
    ASSERT_EQ(pipe(window), 0);
    fcntl(window[0], F_SETFL, O_NONBLOCK);
    char drained[4096];
    for (int round = 0; round < 100; ++round) {
        void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
        ASSERT_NE(library, nullptr) << dlerror();
        char message[QX_BUFFER_CAPACITY] = "";
        QXT_ENTRY(library, registerHwndQX)(QX_HWND_FROM_FD(window[1]), message);
        ASSERT_EQ(QXT_ENTRY(library, initQX)(kPort, "", message), QX_STATUS_OK) << message;
        while (read(window[0], drained, sizeof drained) > 0) {
        }
        for (int i = 0; i < 90; ++i) {  // each queue stays below its 100
            for (const char* report : {"a0000000001", "b0000000021Note jam      01",
                                       "b000000000105 20           ", "b0000000001CR/WD00002250"})
                QXT_ENTRY(sim, qxsim_inject_callback)(report);
        }
        pollfd firstEvent{window[0], POLLIN, 0};
        poll(&firstEvent, 1, 5000);  // the flood is on: unload now
        ASSERT_EQ(dlclose(library), 0);
        ASSERT_EQ(dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    }
    EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::~CQXLogics: exitCom ans=Done").size(), 100u);
}

}  // namespace
}  // namespace qxtest
