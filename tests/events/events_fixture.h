// events_fixture.h - what the event tests share: a recorder of the
// application callbacks, a fixture that starts each test from a fresh
// device model, receivers, queues and log directory, and a device
// (the simulator behind the real link) that delivers callback texts on
// its own thread.
#ifndef QX_EVENTS_FIXTURE_H
#define QX_EVENTS_FIXTURE_H

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/device_model.h"
#include "core/qxlogics.h"
#include "events/callback_handler.h"
#include "events/event_senders.h"
#include "events/info_queues.h"
#include "events/receivers.h"
#include "link/dorvo_link.h"
#include "platform/platform.h"
#include "settings/settings_mirrors.h"
#include "sim/qxsim.h"
#include "tests/support/internal_env.h"

namespace evtest {

// Every application callback appends one line here, from whatever thread
// the device library calls it on.
class Recorder {
public:
    static Recorder& get() {
        static Recorder recorder;
        return recorder;
    }
    void add(const std::string& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    }
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

inline std::string inProgress() {
    return g_nCallbacksInProgress == 1 ? "" : " (counter not raised)";
}

inline void QXAPI onStatus(int amount, short status, short mode) {
    Recorder::get().add("status " + std::to_string(amount) + " " + std::to_string(status) +
                        " " + std::to_string(mode) + inProgress());
}
inline void QXAPI onError(int code, const char* text, const char* extInfo) {
    Recorder::get().add("error " + std::to_string(code) + "|" + text + "|" + extInfo +
                        inProgress());
}
inline void QXAPI onCashLevel(int denomination, int numberOf, const char* extInfo) {
    Recorder::get().add("cashLevel " + std::to_string(denomination) + " " +
                        std::to_string(numberOf) + "|" + extInfo + inProgress());
}
inline void QXAPI onLevelWarning(int type, int denomination, int numberOf,
                                 const char* typeString, const char* denominationString,
                                 const char* warningMessage, const char* extInfo) {
    Recorder::get().add("warning " + std::to_string(type) + " " +
                        std::to_string(denomination) + " " + std::to_string(numberOf) +
                        "|" + typeString + "|" + denominationString + "|" +
                        warningMessage + "|" + extInfo + inProgress());
}
inline void QXAPI onCashSession(short infoType, int amount, const char* extInfo) {
    Recorder::get().add("session " + std::to_string(infoType) + " " +
                        std::to_string(amount) + "|" + extInfo + inProgress());
}

// Settings mirrors as a fresh library has them.
inline void defaultMirrors() {
    g_CurrencyDecimals = 2;
    g_ForwardCallbackChangeOnly = 1;
    g_LoggEveryCallback = 0;
    g_LoggSendEvents = 1;
}

// A fresh start for every test: model, receivers, queues, logs, recorder.
class EventsTest : public ::testing::Test {
protected:
    void SetUp() override { freshState(); }
    void TearDown() override {
        clearReceivers();
        defaultMirrors();
    }
    void freshState() {
        resetDeviceModelForTesting();
        clearReceivers();
        clearInfoQueuesForTesting();
        resetEventLoggingForTesting();
        defaultMirrors();
        qxtest::useFreshLogDir("events");
        Recorder::get().clear();
    }
    void registerAllCallbacks() {
        char message[QX_BUFFER_CAPACITY] = "";
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.registerEvents23(onStatus, onError, onCashLevel,
                                                             onLevelWarning, onCashSession,
                                                             message));
    }
    std::vector<std::string> events() const { return Recorder::get().lines(); }
    static std::vector<std::string> logic(const std::string& needle) {
        return qxtest::logLinesContaining("qxlogic", needle);
    }
    static std::vector<std::string> errors(const std::string& needle) {
        return qxtest::logLinesContaining("qxerror", needle);
    }
    static std::vector<std::string> api(const std::string& needle) {
        return qxtest::logLinesContaining("qxapi", needle);
    }
};

// The simulator behind the real device link: texts injected here reach
// callbackfunc on the simulator's callback thread.
class DeviceTest : public EventsTest {
protected:
    void SetUp() override {
        // The simulator sits beside this program; naming its folder keeps
        // the search independent of who calls the loader (a sanitizer's
        // interceptor has no run path of its own).
        qxplat::setLibraryDirectoryForTesting(
            qxplat::directoryOf(qxplat::ownModuleFileName("qxlogics.dll")));
        qxsim_reset();
        char message[QX_BUFFER_CAPACITY] = "";
        ASSERT_EQ(QX_STATUS_OK, g_link.initialize(callbackfunc, "COM1", message)) << message;
        ASSERT_EQ(0, qxsim_wait_idle(5000));
        freshState();  // whatever the connection itself reported is forgotten
    }
    void TearDown() override {
        char message[QX_BUFFER_CAPACITY] = "";
        g_link.exit(message);
        EventsTest::TearDown();
    }
    // Delivers one callback text from the device and waits until handled.
    static void device(const std::string& text) {
        qxsim_inject_callback(text.c_str());
        ASSERT_EQ(0, qxsim_wait_idle(5000)) << text;
    }
};

}  // namespace evtest

#endif  // QX_EVENTS_FIXTURE_H
