// delivery_test.cpp - which thread calls the till: events go out from the driver's own delivery
// thread, whatever threads the device library calls back on - one, two, or the caller's own
// inside the send entry - so a callback that blocks holds up neither the device nor a wait,
// and none starts once exitQX has returned.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using DeliveryTest = ApiTest;

// The SendMessage/Invoke pattern: a status callback that waits for the till's UI thread, which
// is busy in dispenseQX.  It gives up after a while, and then says so.
struct BlockingTill {
    std::mutex mutex;
    std::condition_variable returned;
    bool dispenseReturned = false;
    std::atomic<bool> blocking{false};
    std::atomic<bool> gaveUp{false};
    std::atomic<bool> armed{false};
};
BlockingTill g_till;

void QXAPI waitingForTheTill(int, short, short) {
    if (!g_till.armed.exchange(false)) return;
    g_till.blocking = true;
    std::unique_lock<std::mutex> lock(g_till.mutex);
    if (!g_till.returned.wait_for(lock, std::chrono::seconds(4),
                                  [] { return g_till.dispenseReturned; }))
        g_till.gaveUp = true;
    g_till.blocking = false;
}

struct DeviceThreads {
    const char* name;
    int callbackThreads;
    int inlineCallbacks;
};

// A paid dispense with PayOutOkCheck answers 0 while the till's status callback waits for that
// very dispense to return, whichever threads the device library reports on.
TEST_F(DeliveryTest, ABlockingStatusCallbackHoldsUpNoPaidDispense) {
    for (const DeviceThreads& device : {DeviceThreads{"one thread", 1, 0},
                                        DeviceThreads{"two threads", 2, 0},
                                        DeviceThreads{"inline", 1, 1}}) {
        SCOPED_TRACE(device.name);
        QX(qxsim_set_option)("callback_threads", device.callbackThreads);
        QX(qxsim_set_option)("inline_callbacks", device.inlineCallbacks);
        QX(qxsim_set_option)("busy_ms", 30);
        ASSERT_EQ(QX(registerEvents23QX)(waitingForTheTill, onError, onCashLevel, onLevelWarning,
                                         onCashSession, message),
                  QX_STATUS_OK);
        ASSERT_EQ(QX(initQX)(kPort, "PayOutOkCheck:1;StatusOkTimeout:3", message), QX_STATUS_OK)
            << message;
        ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        g_till.dispenseReturned = false;
        g_till.gaveUp = false;
        g_till.armed = true;
        QX(qxsim_inject_callback)("a0000424231");
        ASSERT_TRUE(within5s([] { return g_till.blocking.load(); }));
        int rest = -1;
        const short paid = QX(dispenseQX)(1000, "", &rest, message);
        {
            std::lock_guard<std::mutex> lock(g_till.mutex);
            g_till.dispenseReturned = true;
        }
        g_till.returned.notify_all();
        EXPECT_EQ(paid, QX_STATUS_OK) << message;
        EXPECT_EQ(sent("c"), 1);
        ASSERT_TRUE(within5s([] { return !g_till.blocking; }));
        EXPECT_FALSE(g_till.gaveUp) << "the callback waited in vain for the dispense";
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
        ASSERT_EQ(QX(exitQX)(message), QX_STATUS_OK) << message;
        QX(qxsim_reset)();
    }
}

// Events of two device threads reach the till in the order the reports came in, one callback at
// a time.
std::atomic<int> g_inside{0};
std::atomic<bool> g_overlapped{false};
std::mutex g_amountsMutex;
std::vector<int> g_amounts;

void QXAPI recordingStatus(int amount, short, short) {
    g_overlapped = g_overlapped || ++g_inside > 1;
    if (amount % 8 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    {
        std::lock_guard<std::mutex> lock(g_amountsMutex);
        g_amounts.push_back(amount);
    }
    --g_inside;
}

TEST_F(DeliveryTest, TwoDeviceThreadsEventsInReportOrderOneAtATime) {
    QX(qxsim_set_option)("callback_threads", 2);
    ASSERT_EQ(QX(registerEvents23QX)(recordingStatus, onError, onCashLevel, onLevelWarning,
                                     onCashSession, message),
              QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    {
        std::lock_guard<std::mutex> lock(g_amountsMutex);
        g_amounts.clear();
    }
    std::vector<int> reported;
    char text[16];
    for (int amount = 1; amount <= 300; ++amount) {
        std::snprintf(text, sizeof text, "a%08d30", amount);
        QX(qxsim_inject_callback)(text);
        reported.push_back(amount);
    }
    ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    ASSERT_TRUE(within5s([] {
        std::lock_guard<std::mutex> lock(g_amountsMutex);
        return g_amounts.size() >= 300;
    }));
    // Two threads may overtake each other on their way in; the driver's log shows the order in
    // which it took the reports.
    std::vector<int> takenIn;
    std::istringstream lines(logSince("qxlogic"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find("<- a");
        if (at != std::string::npos) takenIn.push_back(std::stoi(line.substr(at + 4, 8)));
    }
    std::vector<int> sortedIn = takenIn;
    std::sort(sortedIn.begin(), sortedIn.end());
    EXPECT_EQ(sortedIn, reported) << "every report taken in once";
    std::lock_guard<std::mutex> lock(g_amountsMutex);
    EXPECT_EQ(g_amounts, takenIn);
    EXPECT_FALSE(g_overlapped);
}

// Round after round, a flood of reports and exitQX amid it, behind a device library whose close
// does not wait for its thread: no callback - not even the cash-level one of a report whose
// status event was going out - starts between exitQX's return and the next initQX.
std::atomic<bool> g_exited{false};
std::atomic<int> g_late{0};

void QXAPI lateStatus(int, short, short) { g_late += g_exited.load(); }
void QXAPI lateCashLevel(int, int, const char*) { g_late += g_exited.load(); }

TEST_F(DeliveryTest, NoCallbackStartsOnceExitQXHasReturned) {
    for (int round = 0; round < 40; ++round) {
        g_exited = false;
        ASSERT_EQ(QX(registerEvents23QX)(lateStatus, onError, lateCashLevel, onLevelWarning,
                                         onCashSession, message),
                  QX_STATUS_OK);
        ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
        QX(qxsim_set_option)("close_leaves_thread", 1);
        char text[40];
        for (int amount = 1; amount <= 300; ++amount) {
            // A changed status with a cash-level text: a status event, then a cash-level one.
            std::snprintf(text, sizeof text, "b%08d3105 20           ", amount);
            QX(qxsim_inject_callback)(text);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(QX(exitQX)(message), QX_STATUS_OK) << message;
        g_exited = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QX(qxsim_reset)();
        // What the closed device still sends goes nowhere.
        ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    }
    EXPECT_EQ(g_late, 0);
}

}  // namespace
}  // namespace qxtest
