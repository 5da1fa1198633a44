// receivers_test.cpp - registering callbacks or a window, the window's messages (a pipe on POSIX,
// a message-only window on Windows), the queues of texts behind them, and a callback storm.
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "tests/support/core_fixture.h"
#include "tests/support/event_window.h"

namespace {

using namespace coretest;
using EventsTest = CoreTest;
using Lines = std::vector<std::string>;

// Status Error cashLevel Warning sessioN Hwnd: the receivers that are set.
std::string receivers() {
    std::string set;
    set += g_pfnStatusCallback.load() ? 'S' : '-';
    set += g_pfnErrorCallback.load() ? 'E' : '-';
    set += g_pfnCashLevelCallback.load() ? 'C' : '-';
    set += g_pfnLevelWarningCallback.load() ? 'W' : '-';
    set += g_pfnCashSessionCallback.load() ? 'N' : '-';
    set += g_hwndMessageTo.load() ? 'H' : '-';
    return set;
}

// Each registration after the ones before: result, message, receivers set, refusal's line.
TEST_F(EventsTest, RegistrationsStoreTheirReceiversOrRefuse) {
    CQXLogics& L = g_theLogics;
    char* m = message;
    const QX_HWND window = QX_HWND_FROM_FD(1000);
    const struct { std::function<short()> call; short result; const char *message, *set, *error; }
    steps[] = {
        {[&] { return L.registerEvents2(onStatus, onError, onCashLevel, nullptr, m); }, 4,
         "empty callbacks", "------", "CQXLogics::registerEvents2: empty callbacks"},
        {[&] { return L.registerBasicEvents(onStatus, nullptr, m); }, 4, "empty callbacks",
         "------", "CQXLogics::registerBasicEvents: empty callbacks"},
        {[&] { return L.registerEvents(onStatus, onError, onCashLevel, m); }, 0, "Done",
         "SEC---", ""},
        {[&] { return L.registerHwnd(window, m); }, 2, "callbacks already set", "SEC---",
         "CQXLogics::registerHwnd: callbacks are already set"},
        {[&] { return L.registerEvents3(onStatus, onError, onLevelWarning, onCashSession, m); },
         0, "Done", "SECWN-", ""},
        {[&] {
             clearReceivers();
             g_pfnCashSessionCallback = onCashSession;  // does not block a window
             return L.registerHwnd(nullptr, m);
         },
         4, "empty Hwnd", "----N-", "CQXLogics::registerHwnd: empty Hwnd"},
        {[&] { return L.registerHwnd(window, m); }, 0, "Done", "----NH", ""},
        {[&] { return L.registerEvents(onStatus, onError, onCashLevel, m); }, 2,
         "Hwnd already set", "----NH", "CQXLogics::registerBasicEvents: Hwnd is already set"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.set);
        std::strcpy(message, "untouched");
        EXPECT_EQ(step.result, step.call());
        EXPECT_STREQ(step.message, message);
        EXPECT_EQ(step.set, receivers());
        EXPECT_TRUE(!*step.error || errors(step.error).size() == 1u);
    }
    EXPECT_EQ(1u, logic("=> CQXLogics::registerEvents3()").size());
    EXPECT_EQ(1u, logic("CQXLogics::registerHwnd() returning Ok").size());
    EXPECT_EQ(1u, errors("registerEvents: registerBasicEvents failed! Returning 2: Hwnd "
                         "already set").size());
    clearReceivers();
    EXPECT_EQ("------", receivers());
}

const struct Queue {
    short (*push)(const std::string&);
    short (*retrieve)(std::string&);
    const char *full, *emptyText, *emptyQueue;
} kQueues[] = {
    {pushToErrorQueue, retrieveFromErrorQueue,
     "cqxlogics.pushToErrorQueue: Error: Max number of errors pushed to queue",
     "cqxlogics.pushToErrorQueue: Empty error text (dont save)",
     "retrieveFromErrorQueue: Queue is empty"},
    {pushToCashLevelWarningsQueue, retrieveFromCashLevelWarningsQueue,
     "pushToCashLevelWarningsQueue: Error: Max number of warnings pushed to queue",
     "pushToCashLevelWarningsQueue: Empty warning text (dont save)",
     "retrieveFromCashLevelWarningsQueue: Queue is empty"},
    {pushToCashSessionQueue, retrieveFromCashSessionQueue,
     "pushToCashSessionQueue: Error: Max number of sessions pushed to queue",
     "pushToCashSessionQueue: Empty session text (don't save)",
     "retrieveFromCashSessionQueue: Queue is empty"},
};

// FIFO, a hundred at most, full refused before empty; an empty queue leaves the text alone.
TEST_F(EventsTest, QueuesKeepOrderAndBound) {
    for (const Queue& q : kQueues) {
        SCOPED_TRACE(q.emptyQueue);
        std::string text;
        EXPECT_EQ(3, q.retrieve(text));
        EXPECT_EQ(1u, errors(q.emptyQueue).size());
        EXPECT_EQ(2, q.push(""));
        EXPECT_EQ(1u, errors(q.emptyText).size());
        for (int i = 0; i < QX_QUEUE_CAPACITY; ++i) ASSERT_EQ(0, q.push(std::to_string(i)));
        EXPECT_EQ(2, q.push("101st"));
        EXPECT_EQ(2, q.push(""));
        EXPECT_EQ(2u, logic(q.full).size());
        EXPECT_EQ(1u, logic(q.emptyText).size());
        EXPECT_EQ(0, q.retrieve(text));
        EXPECT_EQ("0", text);
        EXPECT_EQ(0, q.push("new"));
        for (int i = 1; i < QX_QUEUE_CAPACITY; ++i) {
            ASSERT_EQ(0, q.retrieve(text));
            ASSERT_EQ(std::to_string(i), text);
        }
        EXPECT_EQ(0, q.retrieve(text));
        EXPECT_EQ(3, q.retrieve(text));
        EXPECT_EQ("new", text);
    }
}

class WindowTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_NE(nullptr, m_window.handle());
        ASSERT_EQ(0, g_theLogics.registerHwnd(m_window.handle(), message));
        // As the device reported it.
        g_nLastCallbackStatus = 0;
        g_nLastCallbackMode = 1;
    }
    // "kind wParam lParam" (0 status, 1 error, 2 cash level, 3 session) of new events.
    Lines posted() {
        Lines out;
        for (const qxtest::PostedEvent& e : m_window.drain())
            out.push_back(n(static_cast<int>(e.kind)) + " " + n(e.wParam) + " " + n(e.lParam));
        return out;
    }
    qxtest::EventWindow m_window;
};

// Messages (status: mode * 100 + status, amount) and queued texts; a bad level text posts none.
TEST_F(WindowTest, EventsArePostedAndTheirTextsQueued) {
    g_pfnCashSessionCallback = onCashSession;  // may sit beside a window
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    const std::pair<const char*, Lines> script[] = {
        {"b0000000001" "05 2", {}},
        {"b000000000199 100          ", {"2 99 10000"}},
        {"b0000000001CR/RF00004200", {"3 3 4200"}},
        {"b0000000021E-TRANSPORT   12", {"0 102 0", "1 0 12"}},
        {"a0000125031", {"0 103 1250"}},
        {"a0000000500", {"0 0 5"}},
    };
    for (const auto& step : script) {
        device(step.first);
        EXPECT_EQ(step.second, posted()) << step.first;
    }
    EXPECT_EQ(1u, logic("sendCashLevelEvent: Updating g_nCurrentLowLevelWarningState: 0 - > 3 "
                        "(LOW_LEVEL_WARNING_TRUE)").size());
    std::string level, session, error;
    EXPECT_EQ(0, retrieveFromCashLevelWarningsQueue(level));
    EXPECT_EQ(0, retrieveFromCashSessionQueue(session));
    EXPECT_EQ(0, retrieveFromErrorQueue(error));
    EXPECT_EQ("99 100          |CR/RF00004200|Error Code 12", level + "|" + session + "|" + error);
    EXPECT_EQ(3, retrieveFromCashLevelWarningsQueue(level));
    EXPECT_EQ(Lines{"session 3 4200|CR/RF00004200"}, events());
    EXPECT_EQ(1u, api("LevelWarningEvent: warningType=2, denomination=10000, numberOf=99").size());
    for (int i = 0; i < QX_QUEUE_CAPACITY; ++i) ASSERT_EQ(0, pushToErrorQueue("old"));
    device("b0000000021E-TRANSPORT   07");
    EXPECT_EQ(2u, posted().size());
    EXPECT_EQ(1u, errors("Max number of errors pushed to queue").size());
}

// Far more events than a pipe holds: posting never blocks the device.
TEST_F(WindowTest, ApplicationThatNeverReadsDoesNotStallTheDevice) {
    for (int i = 0; i < 4000; ++i) qxsim_inject_callback(("a" + pad8(i) + "01").c_str());
    ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs));
    ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs));
    EXPECT_EQ(3999, g_nLastCallbackAmount.load());
    EXPECT_GT(posted().size(), 0u);
}

// Every text is accounted for while the application reads the model and empties the queues.
TEST_F(DeviceTest, CallbackStormWhileTheApplicationReadsAndRetrieves) {
    g_hwndMessageTo = QX_HWND_FROM_FD(-1);  // a window that receives nothing
    g_pfnCashSessionCallback = onCashSession;
    constexpr int kRounds = 600;
    std::atomic<bool> stop{false};
    int sessions = 0, levels = 0, errorTexts = 0;
    const auto retrieveAll = [&] {
        std::string text;
        sessions += retrieveFromCashSessionQueue(text) == 0;
        levels += retrieveFromCashLevelWarningsQueue(text) == 0;
        errorTexts += retrieveFromErrorQueue(text) == 0;
    };
    std::thread application([&] {
        while (!stop) {
            (void)g_nLastCallbackAmount.load();
            (void)g_strPreviousCallback.get();
            (void)g_strLastCallbackCommand.get();
            retrieveAll();
            // Not a busy spin: every empty retrieve writes a log line.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        const std::string amount = pad8(i);
        qxsim_inject_callback(("a" + amount + "01").c_str());
        qxsim_inject_callback(("b" + amount + "01CR/WD" + amount).c_str());
        qxsim_inject_callback(("b" + amount + "0105 20 round " + amount).c_str());
        qxsim_inject_callback(("b" + amount + "21E-STORM       " + amount.substr(6)).c_str());
        qxsim_inject_callback(("c" + amount + "11").c_str());
    }
    ASSERT_EQ(0, qxsim_wait_idle(qxtest::kIdleWaitMs));
    ASSERT_TRUE(g_eventDelivery.waitIdleForTesting(qxtest::kIdleWaitMs));
    stop = true;
    application.join();
    for (int i = 0; i < QX_QUEUE_CAPACITY; ++i) retrieveAll();
    const auto refused = [](const char* line) { return static_cast<int>(logCount(line)); };
    EXPECT_EQ(kRounds, sessions + refused("Max number of sessions"));
    EXPECT_EQ(kRounds, levels + refused("Max number of warnings"));
    EXPECT_EQ(kRounds, errorTexts + refused("Max number of errors"));
    EXPECT_EQ(static_cast<std::size_t>(kRounds), events().size());
    EXPECT_EQ(kRounds - 1, g_nLastCallbackAmount.load());
    EXPECT_EQ(0, g_nCallbacksInProgress.load());
}

}  // namespace
