// link_fixture.h - the device link connected to the simulator, for the
// link's tests.  The simulator's control entries are bound from a handle
// of our own, so the link loads and unloads the module as it always does.
#ifndef QX_TESTS_LINK_FIXTURE_H
#define QX_TESTS_LINK_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "include/qxlogics.h"
#include "link/dorvo_link.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace qxtest {

// Callback texts as the device library delivered them, with the thread
// each came on.
class CallbackRecorder {
public:
    static CallbackRecorder& instance() {
        static CallbackRecorder recorder;
        return recorder;
    }
    static int QX_CALLBACK_CALL entry(char* text) {
        instance().add(text);
        return 1;
    }
    void add(const char* text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
        m_threads.push_back(std::this_thread::get_id());
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.clear();
        m_threads.clear();
    }
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }
    std::vector<std::thread::id> threads() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_threads;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::vector<std::thread::id> m_threads;
};

// The folder of the test program, where the simulator is built.  Named
// explicitly because a sanitizer's dlopen does not search our RUNPATH.
inline std::string programDirectory() {
    std::string dir = qxplat::directoryOf(::testing::internal::GetArgvs().front());
    return dir.empty() ? std::string(".") + qxplat::pathSeparator() : dir;
}

// The simulator's control entries, looked up in its loaded module.
struct SimControl {
    void (*reset)();
    int (*setOption)(const char*, int);
    int (*insert)(int);
    void (*inject)(const char*);
    int (*waitIdle)(int);
    int (*commands)(char*, int);
    void (*overrideAnswer)(char, const char*, int);
    int (*level)(int);
    int (*setLevel)(int, int);
    long long (*totalValue)();
    long long (*cashBox)();
    int (*loadConfig)(const char*, char*, int);
    void (*refuseInitiate)(int, const char*);
    int (*setThresholds)(int, int, int, int);

    template <typename F> static void bind(qxplat::ModuleHandle module, const char* name, F& slot) {
        slot = reinterpret_cast<F>(qxplat::findEntry(module, name));
        ASSERT_NE(slot, nullptr) << name;
    }
    void bindAll(qxplat::ModuleHandle module) {
        bind(module, "qxsim_reset", reset);
        bind(module, "qxsim_set_option", setOption);
        bind(module, "qxsim_insert", insert);
        bind(module, "qxsim_inject_callback", inject);
        bind(module, "qxsim_wait_idle", waitIdle);
        bind(module, "qxsim_commands", commands);
        bind(module, "qxsim_override_answer", overrideAnswer);
        bind(module, "qxsim_level", level);
        bind(module, "qxsim_set_level", setLevel);
        bind(module, "qxsim_total_value", totalValue);
        bind(module, "qxsim_cash_box", cashBox);
        bind(module, "qxsim_load_config", loadConfig);
        bind(module, "qxsim_refuse_initiate", refuseInitiate);
        bind(module, "qxsim_set_thresholds", setThresholds);
    }
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        useFreshLogDir("link");
        qxplat::setLibraryDirectoryForTesting(programDirectory());
        m_module = qxplat::loadLibrary("DorvoLINK");
        ASSERT_NE(m_module, nullptr) << "the simulator must sit beside the test program";
        sim.bindAll(m_module);
        sim.reset();
        CallbackRecorder::instance().clear();
        ASSERT_EQ(g_link.initialize(&CallbackRecorder::entry, "COM1", message), 0) << message;
    }
    void TearDown() override {
        qxplat::setLocalClockForTesting(nullptr);
        // Leave a device that opens, whatever the test did to it.
        if (sim.reset) sim.reset();
        if (sim.refuseInitiate) sim.refuseInitiate(0, "");
        qxplat::setLibraryDirectoryForTesting("");
        if (g_link.isLoaded()) g_link.exit(message);
        if (m_module) qxplat::freeLibrary(m_module);
    }

    // Every command the simulator received since the reset.
    std::vector<std::string> received() {
        std::vector<char> buffer(1 << 16);
        sim.commands(buffer.data(), static_cast<int>(buffer.size()));
        std::vector<std::string> lines;
        std::istringstream text(buffer.data());
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    std::string lastReceived() {
        std::vector<std::string> lines = received();
        return lines.empty() ? std::string() : lines.back();
    }
    // The callbacks delivered so far, once the simulator is idle.
    std::vector<std::string> callbacks() {
        EXPECT_EQ(sim.waitIdle(5000), 0);
        return CallbackRecorder::instance().texts();
    }
    void clearCallbacks() {
        sim.waitIdle(5000);
        CallbackRecorder::instance().clear();
    }
    // Closes and opens the port again, as exitQX and initQX would.
    short reopen(const char* port = "COM1") {
        g_link.exit(message);
        return g_link.initialize(&CallbackRecorder::entry, port, message);
    }

    SimControl sim{};
    char message[QX_BUFFER_CAPACITY] = "";

private:
    qxplat::ModuleHandle m_module = nullptr;
};

}  // namespace qxtest

#endif  // QX_TESTS_LINK_FIXTURE_H
