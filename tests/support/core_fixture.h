// core_fixture.h - the in-process core against the linked simulator: the
// application callbacks recorded, a fresh start per test, the commands the
// device received, the device model and the lines of the logs.
#ifndef QX_CORE_FIXTURE_H
#define QX_CORE_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "events/callback_handler.h"
#include "events/event_delivery.h"
#include "events/event_senders.h"
#include "events/info_queues.h"
#include "events/receivers.h"
#include "link/dorvo_link.h"
#include "platform/platform.h"
#include "settings/settings_mirrors.h"
#include "sim/qxsim.h"
#include "tests/support/internal_env.h"

namespace coretest {

// One line per application callback, from whatever thread calls it.
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
inline std::string n(long long value) { return std::to_string(value); }

inline void QXAPI onStatus(int amount, short status, short mode) {
    Recorder::get().add("status " + n(amount) + " " + n(status) + " " + n(mode) + inProgress());
}
inline void QXAPI onError(int code, const char* text, const char* extInfo) {
    Recorder::get().add("error " + n(code) + "|" + text + "|" + extInfo + inProgress());
}
inline void QXAPI onCashLevel(int denomination, int numberOf, const char* extInfo) {
    Recorder::get().add("cashLevel " + n(denomination) + " " + n(numberOf) + "|" + extInfo +
                        inProgress());
}
inline void QXAPI onLevelWarning(int type, int denomination, int numberOf,
                                 const char* typeString, const char* denominationString,
                                 const char* warningMessage, const char* extInfo) {
    Recorder::get().add("warning " + n(type) + " " + n(denomination) + " " + n(numberOf) + "|" +
                        typeString + "|" + denominationString + "|" + warningMessage + "|" +
                        extInfo + inProgress());
}
inline void QXAPI onCashSession(short infoType, int amount, const char* extInfo) {
    Recorder::get().add("session " + n(infoType) + " " + n(amount) + "|" + extInfo +
                        inProgress());
}

// Settings mirrors as a fresh library has them.
inline void defaultMirrors() {
    g_CurrencyDecimals = 2;
    g_ForwardCallbackChangeOnly = 1;
    g_LoggEveryCallback = 0;
    g_LoggSendEvents = 1;
}

// The operations that open with the busy step of the pre-check frame: the name, the call, the
// busy wait's time-out and the idle status that ends it (3, or 0 alone for payout and
// amountDue), and the command the three without its error branch send after a wait that an
// error ended (0: the operation stops).  verifyQX comes last: it forgets the identification.
struct BusyStepOperation {
    const char* name;
    short (*call)(char* message);
    int timeoutMs, idle;
    char goesOnWith;
};
inline const BusyStepOperation kBusyStepOperations[] = {
    {"enablePayin", [](char* m) { return g_theLogics.enablePayin(m); }, 15000, 3, 0},
    {"disablePayin", [](char* m) { return g_theLogics.disablePayin(m); }, 15000, 3, 0},
    {"deposit", [](char* m) { return g_theLogics.deposit("", m); }, 15000, 3, 0},
    {"change", [](char* m) { return g_theLogics.change(m); }, 15000, 3, 0},
    {"askPayout", [](char* m) { return g_theLogics.askPayout(100, m); }, 15000, 3, 0},
    {"dispense", [](char* m) { return g_theLogics.dispense(100, "", nullptr, m); }, 15000, 3, 0},
    {"payout", [](char* m) { return g_theLogics.payout(0, 0, "", m); }, 15000, 0, 0},
    {"amountDue", [](char* m) { return g_theLogics.amountDue(0, "", nullptr, m); }, 15000, 0, 0},
    {"regret", [](char* m) { return g_theLogics.regret(0, m); }, 10000, 3, 0},
    {"login", [](char* m) { return g_theLogics.login(short(1), short(1), m); }, 15000, 3, 'x'},
    {"reset", [](char* m) { return g_theLogics.reset(m); }, 15000, 3, 'e'},
    {"verifyQX", [](char* m) { return g_theLogics.verifyQX(nullptr, m); }, 15000, 3, 'x'},
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxsim_reset();
        // Events go out as they do in a session, even before init; those of an
        // earlier case are out before its records are cleared.
        g_eventDelivery.start();
        g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs);
        g_theLogics.resetForTesting();
        resetDeviceModelForTesting();
        clearReceivers();
        clearInfoQueuesForTesting();
        resetEventLoggingForTesting();
        defaultMirrors();
        qxtest::setEnv("QXCONFIG", configDir = qxtest::makeTempDir("config"));
        // An empty system folder: a machine with the packages installed has settings in
        // /etc/qxlogics that a case relying on the defaults must not read.
        qxplat::setSystemDirectoryForTesting(qxtest::makeTempDir("system"));
        qxtest::useFreshLogDir("core");
        Recorder::get().clear();
        m_firstCommand = 0;
    }
    void TearDown() override {
        qxplat::setSleepHookForTesting({});
        qxplat::setCalendarClockForTesting({});
        qxplat::setSystemDirectoryForTesting("");
        g_theLogics.exit(message);
        clearReceivers();
        defaultMirrors();
        qxtest::unsetEnv("QXCONFIG");
    }

    void registerAllCallbacks() {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.registerEvents23(onStatus, onError, onCashLevel,
                                                             onLevelWarning, onCashSession,
                                                             message));
    }
    // Registered callbacks, then init with these settings.
    short initWith(const char* initSettings = "") {
        registerAllCallbacks();
        return g_theLogics.init("Type:RS232;Name:COM1", initSettings, message);
    }
    // Lets the device deliver every callback it has queued, and the driver
    // forward their events.
    static void settle() {
        ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs));
        ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs));
    }
    // A step that must succeed; the device settles, its model is checked (see expectModel).
    void ok(short result, const std::string& model = "") {
        ASSERT_EQ(result, QX_STATUS_OK) << message;
        settle();
        if (!model.empty()) expectModel(model);
    }
    // Waits run out at once: every poll step passes without sleeping.
    static void skipSleeps() { qxplat::setSleepHookForTesting([](int) {}); }

    // Commands since the test began (or forgetCommands()), separator '|'.
    std::vector<std::string> commands() const {
        std::vector<char> buffer(1 << 16);
        qxsim_commands(buffer.data(), static_cast<int>(buffer.size()));
        std::string text(buffer.data());
        std::replace(text.begin(), text.end(), '\x1C', '|');
        std::istringstream lines(text);
        std::vector<std::string> all;
        for (std::string line; std::getline(lines, line);) all.push_back(line);
        return std::vector<std::string>(all.begin() + static_cast<long>(m_firstCommand), all.end());
    }
    void forgetCommands() { m_firstCommand += commands().size(); }
    int sentCount(char letter) const {
        int count = 0;
        for (const std::string& command : commands()) count += command[0] == letter;
        return count;
    }
    bool sent(char letter) const { return sentCount(letter) > 0; }

    static std::vector<std::string> logic(const std::string& needle) {
        return qxtest::logLinesContaining("qxlogic", needle);
    }
    static std::vector<std::string> errors(const std::string& needle) {
        return qxtest::logLinesContaining("qxerror", needle);
    }
    static std::vector<std::string> api(const std::string& needle) {
        return qxtest::logLinesContaining("qxapi", needle);
    }
    static bool logged(const std::string& needle) { return !logic(needle).empty(); }
    static size_t logCount(const std::string& needle) { return logic(needle).size(); }
    static size_t errorCount(const std::string& needle) { return errors(needle).size(); }
    static std::vector<std::string> events() { return Recorder::get().lines(); }

    // Each line is in the logic log exactly once; one that starts with '!'
    // in the error log.
    static void once(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) {
            const bool error = line[0] == '!';
            const auto found = qxtest::logLinesContaining(error ? "qxerror" : "qxlogic",
                                                          line.substr(error));
            EXPECT_EQ(found.size(), 1u) << line;
        }
    }
    // A call's code and message (unless null), the lines it logged once and the model.
    void outcome(short got, short want, const char* text,
                 std::initializer_list<std::string> lines = {}, const std::string& model = "") {
        EXPECT_EQ(got, want) << message;
        if (text) {
            EXPECT_STREQ(message, text);
        }
        once(lines);
        if (!model.empty()) expectModel(model);
    }
    // The device model's values for the keys in wanted ("state=Payin Enabled,asked=0"),
    // compared whole.  Keys: state (its name), status, amount, command (the last
    // command's letter), sent (the last command's text), asked, paying, warning, verify,
    // level.
    void expectModel(const std::string& wanted) const {
        const std::vector<std::string> sentNow = commands();
        const std::map<std::string, std::string> values = {
            {"state", stateName(g_QXState.load())},
            {"status", n(g_nLastCallbackStatus.load())},
            {"amount", n(g_nLastCallbackAmount.load())},
            {"command", std::string(1, g_chLastCommand.load())},
            {"sent", sentNow.empty() ? "" : sentNow.back()},
            {"asked", n(g_bAskPayoutDone.load())},
            {"paying", n(g_bPayoutInProgress.load())},
            {"warning", n(g_nCurrentLowLevelWarningState.load())},
            {"verify", n(g_theLogics.getVerifyQXStatus())},
            {"level", n(g_theLogics.getQXLevel())}};
        std::string actual;
        std::istringstream items(wanted);
        for (std::string item; std::getline(items, item, ',');) {
            const std::string key = item.substr(0, item.find('='));
            actual += (actual.empty() ? "" : ",") + key + "=" +
                      (values.count(key) ? values.at(key) : "?");
        }
        EXPECT_EQ(actual, wanted);
    }

    std::string configDir;
    char message[QX_BUFFER_CAPACITY] = "";
    std::size_t m_firstCommand = 0;
};

// A logged-in session against the simulated device, every callback registered.
class CashTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        ASSERT_EQ(QX_STATUS_OK, initWith(initSettings())) << message;
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.login(1, 1, message)) << message;
        settle();
        forgetCommands();
    }
    // Settings given to init; a fixture variant may change them.
    virtual const char* initSettings() const { return ""; }

    // Pay-in enabled and amount inserted, reported by the device.
    void payIn(int amount) {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.enablePayin(message)) << message;
        ASSERT_EQ(0, qxsim_insert(amount));
        settle();
        ASSERT_EQ(amount, g_nLastCallbackAmount.load());
    }
    void disable() {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.disablePayin(message)) << message;
        settle();
    }
    void changeSettings(const char* text, short durationType) {
        ASSERT_EQ(QX_STATUS_OK, g_theLogics.changeSettings(text, durationType, message));
    }
};

// The simulator behind the real device link, without the core: texts
// injected here reach callbackfunc on the simulator's callback thread.
class DeviceTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        // Named: a sanitizer's interceptor calling the loader has no run path.
        qxplat::setLibraryDirectoryForTesting(
            qxplat::directoryOf(qxplat::ownModuleFileName("qxlogics.dll")));
        ASSERT_EQ(QX_STATUS_OK, g_link.initialize(callbackfunc, "COM1", message)) << message;
        ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs));
        // Whatever the connection itself reported is forgotten.
        resetDeviceModelForTesting();
        clearInfoQueuesForTesting();
        resetEventLoggingForTesting();
        qxtest::useFreshLogDir("device");
        Recorder::get().clear();
    }
    void TearDown() override {
        g_link.exit(message);
        CoreTest::TearDown();
    }
    // Delivers one callback text from the device and waits until handled.
    static void device(const std::string& text) {
        qxsim_inject_callback(text.c_str());
        ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs)) << text;
        ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs)) << text;
    }
};

}  // namespace coretest

#endif  // QX_CORE_FIXTURE_H
