// threads_test.cpp - the exports called from more than one thread, as a till that breaks the
// one-calling-thread rule does: from inside an event callback, beside a running call, and from
// eight threads at once.  Every call gets a status code; none crashes or waits on itself.
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "tests/api/api_fixture.h"

namespace qxtest {
namespace {

using ThreadsTest = ApiTest;

// What the exports answered from inside the application's status callback.
std::mutex g_insideMutex;
std::vector<std::string> g_inside;
std::atomic<int> g_callInside{0};  // 1: the calls below, 2: exitQX

void QXAPI callingStatus(int amount, short, short) {
    if (amount == 0) return;
    const int what = g_callInside.exchange(0);
    if (what == 0) return;
    char m[QX_BUFFER_CAPACITY] = "";
    int rest = 0, open = 0;
    std::vector<std::string> answers;
    const auto note = [&answers](const char* name, short code) {
        answers.push_back(std::string(name) + " " + std::to_string(code));
    };
    if (what == 2) {
        note("exitQX", QX(exitQX)(m));
    } else {
        note("dispenseQX", QX(dispenseQX)(5000, "", &rest, m));
        answers.push_back(m);
        note("loginQX", QX(loginQX)(1, 1, m));
        note("logoutQX", QX(logoutQX)(m));
        note("regretQX", QX(regretQX)(1, m));
        note("isOpenQX", QX(isOpenQX)(&open, m));
        note("changeSettingsQX", QX(changeSettingsQX)("LogDebug:1", 0, m));
        char ext[QX_BUFFER_CAPACITY], text[QX_BUFFER_CAPACITY];
        note("getErrorInfoQX", QX(getErrorInfoQX)(text, ext));
    }
    std::lock_guard<std::mutex> lock(g_insideMutex);
    g_inside = answers;
}

std::vector<std::string> insideAnswers() {
    std::lock_guard<std::mutex> lock(g_insideMutex);
    return g_inside;
}

// Calls that send commands answer busy at once from inside an event callback - the thread
// they would wait on is their own - and send nothing; the rest work there, exitQX too.
TEST_F(ThreadsTest, InsideAnEventCallbackCallsThatWaitForTheDeviceAnswerBusy) {
    ASSERT_EQ(QX(registerEvents23QX)(callingStatus, onError, onCashLevel, onLevelWarning,
                                     onCashSession, message),
              QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(enablePayinQX)(message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    const int sentBefore = sent("");
    g_callInside = 1;
    ASSERT_EQ(QX(qxsim_insert)(1000), 0);
    ASSERT_TRUE(within5s([] { return insideAnswers().size() == 8; }));
    EXPECT_EQ(insideAnswers(),
              (std::vector<std::string>{"dispenseQX 1", "Not allowed in an event callback",
                                        "loginQX 1", "logoutQX 1", "regretQX 1", "isOpenQX 0",
                                        "changeSettingsQX 0", "getErrorInfoQX 0"}));
    EXPECT_EQ(sent(""), sentBefore);
    expectLogged(
        {"!! dispenseQX: Failed! Returning 1: amountRest=0: Not allowed in an event callback"});
    g_callInside = 2;
    ASSERT_EQ(QX(qxsim_insert)(500), 0);
    for (int ms = 0; insideAnswers().size() != 1 && ms < 5000; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(insideAnswers(), std::vector<std::string>{"exitQX 0"});
    int open = -1;
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_ERROR) << "exited from the callback";
}

// A call from another thread while one runs answers busy and changes nothing - a temporary
// settings change too, which the running payout would restore; the queries and lasting
// changes answer beside it.
TEST_F(ThreadsTest, ACallBesideARunningOneAnswersBusy) {
    ASSERT_EQ(registerAll(), QX_STATUS_OK);
    ASSERT_EQ(QX(initQX)(kPort, "PayOutOkCheck:1", message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(loginQX)(1, 1, message), QX_STATUS_OK) << message;
    ASSERT_EQ(QX(qxsim_wait_idle)(kIdleWaitMs), 0);
    // The dispense waits for its end this long: the calls below must come meanwhile, also on
    // a loaded machine.
    QX(qxsim_set_option)("busy_ms", 2000);
    short paid = -1;
    std::thread till([&paid] {
        char m[QX_BUFFER_CAPACITY];
        int rest = 0;
        paid = QX(dispenseQX)(6000, "", &rest, m);
    });
    for (int ms = 0; sent("c") == 0 && ms < 5000; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int open = -1, rest = 0;
    EXPECT_EQ(QX(exitQX)(message), QX_STATUS_BUSY);
    EXPECT_STREQ(message, "Busy with another call");
    rest = 5;
    EXPECT_EQ(QX(dispenseQX)(100, "", &rest, message), QX_STATUS_BUSY);
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(QX(changeSettingsQX)("PayOutAmountPerTimeLimitAmount:50", 1, message),
              QX_STATUS_BUSY);
    EXPECT_STREQ(message, "Busy with another call");
    EXPECT_EQ(QX(changeSettingsQX)("LoggEveryCallback:0", 0, message), QX_STATUS_OK);
    EXPECT_EQ(QX(isOpenQX)(&open, message), QX_STATUS_OK);
    till.join();
    EXPECT_EQ(paid, QX_STATUS_OK);
    EXPECT_EQ(sent("c"), 1);
    expectLogged({"!! exitQX: Failed! Returning 1: Busy with another call",
                  "!! dispenseQX: Failed! Returning 1: amountRest=0: Busy with another call",
                  "!! changeSettingsQX: Failed! Returning 1: Busy with another call"});
}

// Eight threads call every export, initQX and exitQX included: each call answers one of the
// status codes, and afterwards the library serves a whole sale.
TEST_F(ThreadsTest, EightThreadsCallingEveryExport) {
    // Every export, its out-values initialised as valgrind wants (a queue left empty leaves them).
#define QXT_CALL(name, ...)                                                           \
    []([[maybe_unused]] char* m) {                                                    \
        [[maybe_unused]] int i = 0;                                                   \
        [[maybe_unused]] char a[QX_BUFFER_CAPACITY] = "", b[QX_BUFFER_CAPACITY] = "", \
                              c[QX_BUFFER_CAPACITY] = "", d[QX_BUFFER_CAPACITY] = ""; \
        return QX(name)(__VA_ARGS__);                                                 \
    }
    using Call = short (*)(char*);
    static const Call calls[] = {
        QXT_CALL(initQX, kPort, "", m), QXT_CALL(exitQX, m),
        QXT_CALL(registerEvents23QX, onStatus, onError, onCashLevel, onLevelWarning,
                 onCashSession, m),
        QXT_CALL(registerEventsQX, onStatus, onError, onCashLevel, m),
        QXT_CALL(registerEvents2QX, onStatus, onError, onCashLevel, onCashSession, m),
        QXT_CALL(registerEvents3QX, onStatus, onError, onLevelWarning, onCashSession, m),
        QXT_CALL(registerHwndQX, nullptr, m),
        QXT_CALL(changeSettingsQX, "StatusOkTimeout:1", 1, m), QXT_CALL(loginQX, 1, 1, m),
        QXT_CALL(loginStrQX, "1", "1", m), QXT_CALL(logoutQX, m), QXT_CALL(isOpenQX, &i, m),
        QXT_CALL(infoQX, &i, a, b, c, m), QXT_CALL(enablePayinQX, m),
        QXT_CALL(disablePayinQX, m), QXT_CALL(depositQX, "", m),
        QXT_CALL(dispenseQX, 100, "", &i, m), QXT_CALL(askPayoutQX, 200, m),
        QXT_CALL(askPayout2QX, 300, &i, m), QXT_CALL(payoutQX, 0, 0, "", m),
        QXT_CALL(payout2QX, 100, 0, "", &i, m), QXT_CALL(amountDueQX, 0, "", &i, m),
        QXT_CALL(changeQX, m), QXT_CALL(regretQX, 0, m), QXT_CALL(resetQX, m),
        QXT_CALL(getErrorInfoQX, a, b), QXT_CALL(getCashLevelInfoQX, a),
        QXT_CALL(getLevelWarningInfoQX, &i, a, b, c, d), QXT_CALL(getCashSessionInfoQX, a),
    };
    static_assert(sizeof calls / sizeof calls[0] == 29, "every export");
    std::atomic<int> unknown{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t, &unknown] {
            char m[QX_BUFFER_CAPACITY];
            for (int i = 0; i < 40; ++i) {
                const short code = calls[(t * 11 + i * 7) % 29](m);
                unknown += code < 0 || code > 12 || code == 9;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(unknown.load(), 0);
    QX(exitQX)(message);
    QX(qxsim_reset)();
    sellOnce();
}

}  // namespace
}  // namespace qxtest
