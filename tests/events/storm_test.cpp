// storm_test.cpp - many device callbacks while the application's thread
// reads the device model and empties the queues: every text is accounted
// for, and the race detector has both threads at work on shared state.
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;

TEST_F(DeviceTest, CallbackStormWhileTheApplicationReadsAndRetrieves) {
    g_hwndMessageTo = QX_HWND_FROM_FD(-1);  // a window that receives nothing
    g_pfnCashSessionCallback = coretest::onCashSession;
    constexpr int kRounds = 600;

    std::atomic<bool> stop{false};
    int sessionsRetrieved = 0, levelsRetrieved = 0, errorsRetrieved = 0;
    std::thread application([&] {
        std::string text;
        while (!stop) {
            (void)g_nLastCallbackAmount.load();
            (void)g_strPreviousCallback.get();
            (void)g_strLastCallbackCommand.get();
            sessionsRetrieved += retrieveFromCashSessionQueue(text) == 0;
            levelsRetrieved += retrieveFromCashLevelWarningsQueue(text) == 0;
            errorsRetrieved += retrieveFromErrorQueue(text) == 0;
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
    ASSERT_EQ(0, qxsim_wait_idle(30000));
    stop = true;
    application.join();

    std::string text;
    while (retrieveFromCashSessionQueue(text) == 0) ++sessionsRetrieved;
    while (retrieveFromCashLevelWarningsQueue(text) == 0) ++levelsRetrieved;
    while (retrieveFromErrorQueue(text) == 0) ++errorsRetrieved;
    const auto refused = [](const char* line) {
        return static_cast<int>(qxtest::logLinesContaining("qxlogic", line).size());
    };
    EXPECT_EQ(kRounds, sessionsRetrieved + refused("Max number of sessions"));
    EXPECT_EQ(kRounds, levelsRetrieved + refused("Max number of warnings"));
    EXPECT_EQ(kRounds, errorsRetrieved + refused("Max number of errors"));
    EXPECT_EQ(static_cast<std::size_t>(kRounds), events().size());
    EXPECT_EQ(kRounds - 1, g_nLastCallbackAmount.load());
    EXPECT_EQ(0, g_nCallbacksInProgress.load());
}

}  // namespace
