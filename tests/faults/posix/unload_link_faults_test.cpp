// unload_link_faults_test.cpp - the device library missing, and the library unloaded without
// exitQX while the device floods it with reports.  Each child opens the modules itself.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/api/api_fixture.h"
#include "tests/support/event_window.h"

namespace qxtest {
namespace {

#define QXT_ENTRY(module, name) reinterpret_cast<decltype(&::name)>(dlsym(module, #name))

// A copy of the library alone in a folder (its run path) finds no device library: initQX fails
// with its text, and the library keeps answering.  (Windows looks in the program's folder.)
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

// Unloaded without exitQX amid a flood of reports, the library closes the device on its way
// out, before anything the reports reach is gone (the address sanitizer sees a use after free).
TEST(UnloadFaultTest, UnloadingWithoutExitWhileTheDeviceReportsIsSafe) {
    if (!inScenario()) {
        // Each unloading leaves the never-destroyed objects behind, by design: no leak count.
        runInChild({{"QXLOGS", makeTempDir("unload_logs")}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        return;
    }
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    EventWindow window;
    for (int round = 0; round < 100; ++round) {
        void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
        ASSERT_NE(library, nullptr) << dlerror();
        char message[QX_BUFFER_CAPACITY] = "";
        QXT_ENTRY(library, registerHwndQX)(window.handle(), message);
        ASSERT_EQ(QXT_ENTRY(library, initQX)(kPort, "", message), QX_STATUS_OK) << message;
        window.drain();
        for (int i = 0; i < 90; ++i) {  // each queue stays below its 100
            for (const char* report : {"a0000000001", "b0000000021Note jam      01",
                                       "b000000000105 20           ", "b0000000001CR/WD00002250"})
                QXT_ENTRY(sim, qxsim_inject_callback)(report);
        }
        for (int i = 0; i < 5000 && window.drain().empty(); ++i)  // the flood is on: unload now
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(dlclose(library), 0);
        ASSERT_EQ(dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    }
    const std::string closed = "CQXLogics::~CQXLogics: exitCom ans=Done";
    EXPECT_EQ(logLinesContaining("qxlogic", closed).size(), 100u);
}

std::atomic<bool> g_inCallback{false};

void QXAPI sleepingStatus(int amount, short, short) {
    if (amount != 4200) return;
    g_inCallback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// Unloaded while a device library, whose close left its thread running, is still inside the
// library's callback code: the unloading waits for it to leave, and says so.
TEST(UnloadFaultTest, UnloadingWaitsForCallbacksStillInTheLibrary) {
    if (!inScenario()) {
        runInChild(
            {{"QXLOGS", makeTempDir("unload_wait_logs")}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        return;
    }
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(QXT_ENTRY(library, registerEvents23QX)(sleepingStatus, onError, onCashLevel,
                                                     onLevelWarning, onCashSession, message),
              QX_STATUS_OK);
    ASSERT_EQ(QXT_ENTRY(library, initQX)(kPort, "", message), QX_STATUS_OK) << message;
    QXT_ENTRY(sim, qxsim_set_option)("close_leaves_thread", 1);
    QXT_ENTRY(sim, qxsim_inject_callback)("a0000420001");
    for (int ms = 0; !g_inCallback && ms < 5000; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(g_inCallback);
    EXPECT_EQ(QXT_ENTRY(library, exitQX)(message), QX_STATUS_OK) << message;
    ASSERT_EQ(dlclose(library), 0);
    ASSERT_EQ(dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "not unloaded";
    EXPECT_NE(readLog("qxlogic").find("Waited for 1 device callback(s) to leave the library, "
                                      "0 still running"),
              std::string::npos);
}

}  // namespace
}  // namespace qxtest
