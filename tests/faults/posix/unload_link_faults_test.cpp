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

// A child's till: the simulator and the library opened as a till opens them, callbacks (or a
// window) registered and the device open.
struct ChildTill {
    const std::string libraryFile = programDirectory() + "libqxlogics.so";
    void* sim = dlopen((programDirectory() + "libDorvoLINK.so").c_str(), RTLD_NOW);
    void* library = dlopen(libraryFile.c_str(), RTLD_NOW);
    char message[QX_BUFFER_CAPACITY] = "";

    short open(QXStatusCallback status, QXErrorCallback error, QX_HWND window = nullptr,
               const char* settings = "") {
        if (!sim || !library) return -1;
        if (window) QXT_ENTRY(library, registerHwndQX)(window, message);
        else QXT_ENTRY(library, registerEvents23QX)(status, error, onCashLevel, onLevelWarning,
                                                    onCashSession, message);
        return QXT_ENTRY(library, initQX)(kPort, settings, message);
    }
    void option(const char* name, int value) { QXT_ENTRY(sim, qxsim_set_option)(name, value); }
    void report(const char* text) { QXT_ENTRY(sim, qxsim_inject_callback)(text); }
    int waitIdle() { return QXT_ENTRY(sim, qxsim_wait_idle)(kIdleWaitMs); }
    short exitQX() { return QXT_ENTRY(library, exitQX)(message); }
    // Unloads the library; true when it is still loaded after that.
    bool unloadStaysLoaded() {
        EXPECT_EQ(dlclose(library), 0);
        void* still = dlopen(libraryFile.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (still) dlclose(still);
        return still != nullptr;
    }
};

// The never-destroyed objects stay behind at a child's end, by design: no leak count.
const std::pair<const std::string, std::string> kNoLeakCount{"ASAN_OPTIONS", "detect_leaks=0"};

// Unloaded without exitQX amid a flood of reports, the library stays loaded - the device may
// still call it - and the reports keep coming in safely; the process's end closes the device.
TEST(UnloadFaultTest, UnloadingWithoutExitKeepsTheLibraryWhileTheDeviceReports) {
    if (!inScenario()) {
        const std::string logs = makeTempDir("unload_logs");
        runInChild({{"QXLOGS", logs}, kNoLeakCount});
        EXPECT_EQ(logLinesContaining("qxlogic", "CQXLogics::~CQXLogics: exitCom ans=Done", logs)
                      .size(),
                  1u);
        return;
    }
    // The library, never exited, may post to the window until the process
    // ends: the window stays open as long.
    EventWindow& window = *new EventWindow;
    ChildTill till;
    ASSERT_EQ(till.open(nullptr, nullptr, window.handle()), QX_STATUS_OK) << till.message;
    window.drain();
    for (int i = 0; i < 90; ++i) {  // each queue stays below its 100
        for (const char* report : {"a0000000001", "b0000000021Note jam      01",
                                   "b000000000105 20           ", "b0000000001CR/WD00002250"})
            till.report(report);
    }
    for (int i = 0; i < 5000 && window.drain().empty(); ++i)  // the flood is on: unload now
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(till.unloadStaysLoaded()) << "unloaded while the device may call it";
    EXPECT_EQ(till.waitIdle(), 0);
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
        runInChild({{"QXLOGS", makeTempDir("unload_wait_logs")}, kNoLeakCount});
        return;
    }
    ChildTill till;
    ASSERT_EQ(till.open(sleepingStatus, onError), QX_STATUS_OK) << till.message;
    till.option("close_leaves_thread", 1);
    till.report("a0000420001");
    ASSERT_TRUE(within5s([] { return g_inCallback.load(); }));
    EXPECT_EQ(till.exitQX(), QX_STATUS_OK) << till.message;
    EXPECT_TRUE(till.unloadStaysLoaded());
    EXPECT_TRUE(within5s([] { return g_callbackReturned.load(); }));
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
        runInChild({{"QXLOGS", makeTempDir("late_logs")}, kNoLeakCount});
        return;
    }
    ChildTill till;
    ASSERT_EQ(till.open(onStatus, onError), QX_STATUS_OK) << till.message;
    ASSERT_EQ(till.waitIdle(), 0);
    till.option("close_leaves_thread", 1);
    till.option("ms_per_char", 1);  // about 25 ms a report, on the line
    for (int i = 0; i < 40; ++i) till.option("bo_refill", 100);
    ASSERT_EQ(till.exitQX(), QX_STATUS_OK) << till.message;
    EXPECT_TRUE(till.unloadStaysLoaded());
    EXPECT_EQ(till.waitIdle(), 0);
}

// A till that ends its process from the error callback: the unload, on that very thread,
// waits for no callback, and the device is closed on the way out.
void QXAPI exitingError(int, const char*, const char*) { std::exit(0); }

TEST(UnloadFaultTest, ExitFromTheErrorCallbackWaitsForNothing) {
    if (!inScenario()) {
        const std::string logs = makeTempDir("exit_logs");
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        ProgramRun child;  // ends without gtest's summary
        child.program = programPath();
        child.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." +
                           test->name()};
        child.environment = {{"QX_FAULT_SCENARIO", "1"}, {"QXLOGS", logs}, kNoLeakCount};
        child.output = makeTempDir("exit_child") + "/output.txt";
        EXPECT_EQ(runProgram(child), 0) << readFile(child.output);
        const std::string log = readLog("qxlogic", logs);
        EXPECT_NE(log.find("CQXLogics::~CQXLogics: exitCom ans=Done"), std::string::npos) << log;
        EXPECT_EQ(log.find("Waited for"), std::string::npos) << log;
        return;
    }
    ChildTill till;
    ASSERT_EQ(till.open(onStatus, exitingError, nullptr, "LogDebug:1"), QX_STATUS_OK)
        << till.message;
    till.report("b0000000021Note jam      01");
    std::this_thread::sleep_for(std::chrono::seconds(10));
    ADD_FAILURE() << "the error callback did not end the process";
}

}  // namespace
}  // namespace qxtest
