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

// Unloaded without exitQX amid a flood of reports, the library stays loaded - the device may
// still call it - and the reports keep coming in safely; the process's end closes the device.
TEST(UnloadFaultTest, UnloadingWithoutExitKeepsTheLibraryWhileTheDeviceReports) {
    if (!inScenario()) {
        const std::string logs = makeTempDir("unload_logs");
        // The never-destroyed objects stay behind at the end, by design: no leak count.
        runInChild({{"QXLOGS", logs}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::~CQXLogics: exitCom ans=Done", logs)
                      .size(),
                  1u);
        return;
    }
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    EventWindow window;
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
    void* still = dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(still, nullptr) << "unloaded while the device may call it";
    if (still) dlclose(still);
    EXPECT_EQ(QXT_ENTRY(sim, qxsim_wait_idle)(kIdleWaitMs), 0);
}

std::atomic<bool> g_inCallback{false};
std::atomic<bool> g_callbackReturned{false};

// Longer than the two seconds the unloading library used to wait.
void QXAPI sleepingStatus(int amount, short, short) {
    if (amount != 4200) return;
    g_inCallback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    g_callbackReturned = true;
}

// Unloaded while a callback longer than two seconds runs, behind a device library whose close
// leaves its thread running: exitQX waits for the callback and says so with the default log
// switches; the library, which that device library may still call, stays loaded.
TEST(UnloadFaultTest, ALongCallbackOutlastsNoUnload) {
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
    for (int ms = 0; !g_callbackReturned && ms < 5000; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(g_callbackReturned);
    const std::string log = readLog("qxlogic");
    EXPECT_NE(log.find("## CQXLogics::exit: Waited for 1 device callback(s) to leave the "
                       "library, 0 still running"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("## CQXLogics::exit: The library stays loaded until the process ends"),
              std::string::npos);
}

// A device library whose close returns at once and whose thread goes on calling back with what
// it had queued, after the close and after the library was unloaded: nothing is unmapped under
// it.
TEST(UnloadFaultTest, ADeviceLibraryCallingBackAfterItsCloseFindsTheLibrary) {
    if (!inScenario()) {
        runInChild({{"QXLOGS", makeTempDir("late_logs")}, {"ASAN_OPTIONS", "detect_leaks=0"}});
        return;
    }
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(QXT_ENTRY(library, registerEvents23QX)(onStatus, onError, onCashLevel,
                                                     onLevelWarning, onCashSession, message),
              QX_STATUS_OK);
    ASSERT_EQ(QXT_ENTRY(library, initQX)(kPort, "", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QXT_ENTRY(sim, qxsim_wait_idle)(kIdleWaitMs), 0);
    QXT_ENTRY(sim, qxsim_set_option)("close_leaves_thread", 1);
    QXT_ENTRY(sim, qxsim_set_option)("ms_per_char", 1);  // about 25 ms a report, on the line
    for (int i = 0; i < 40; ++i) QXT_ENTRY(sim, qxsim_set_option)("bo_refill", 100);
    ASSERT_EQ(QXT_ENTRY(library, exitQX)(message), QX_STATUS_OK) << message;
    ASSERT_EQ(dlclose(library), 0);
    EXPECT_EQ(QXT_ENTRY(sim, qxsim_wait_idle)(kIdleWaitMs), 0);
}

// A till that ends its process from the error callback: the unload, on that very thread,
// waits for no callback, and the device is closed on the way out.
void QXAPI exitingError(int, const char*, const char*) { std::exit(0); }

TEST(UnloadFaultTest, ExitFromTheErrorCallbackWaitsForNothing) {
    if (!inScenario()) {
        const std::string logs = makeTempDir("exit_logs");
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        ProgramRun child;
        child.program = programPath();
        child.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." +
                           test->name()};
        child.environment = {{"QX_FAULT_SCENARIO", "1"}, {"QXLOGS", logs},
                             {"ASAN_OPTIONS", "detect_leaks=0"}};
        child.output = makeTempDir("exit_child") + "/output.txt";
        EXPECT_EQ(runProgram(child), 0) << readFile(child.output);
        const std::string log = readLog("qxlogic", logs);
        EXPECT_NE(log.find("CQXLogics::~CQXLogics: exitCom ans=Done"), std::string::npos) << log;
        EXPECT_EQ(log.find("Waited for"), std::string::npos) << log;
        return;
    }
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    ASSERT_NE(sim, nullptr) << dlerror();
    void* library = dlopen((programDirectory() + "libqxlogics.so").c_str(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    char message[QX_BUFFER_CAPACITY] = "";
    ASSERT_EQ(QXT_ENTRY(library, registerEvents23QX)(onStatus, exitingError, onCashLevel,
                                                     onLevelWarning, onCashSession, message),
              QX_STATUS_OK);
    ASSERT_EQ(QXT_ENTRY(library, initQX)(kPort, "LogDebug:1", message), QX_STATUS_OK) << message;
    QXT_ENTRY(sim, qxsim_inject_callback)("b0000000021Note jam      01");
    std::this_thread::sleep_for(std::chrono::seconds(10));
    ADD_FAILURE() << "the error callback did not end the process";
}

}  // namespace
}  // namespace qxtest
