// window_test.cpp (POSIX) - event delivery to a "window" on POSIX: the
// records written to the application's pipe, the texts queued behind
// them, and that a slow application never holds up the device's thread.
#include <fcntl.h>
#include <unistd.h>

#include "tests/support/core_fixture.h"

namespace {

using coretest::DeviceTest;

// The application's end of the notification channel.
class EventPipe {
public:
    EventPipe() {
        int fds[2] = {-1, -1};
        EXPECT_EQ(0, pipe(fds));
        m_read = fds[0];
        m_write = fds[1];
        fcntl(m_read, F_SETFL, fcntl(m_read, F_GETFL) | O_NONBLOCK);
    }
    ~EventPipe() {
        close(m_read);
        close(m_write);
    }
    QX_HWND window() const { return QX_HWND_FROM_FD(m_write); }
    std::vector<QXNotification> drain() {
        std::vector<QXNotification> records;
        QXNotification record{};
        while (read(m_read, &record, sizeof record) == sizeof record) records.push_back(record);
        return records;
    }

private:
    int m_read, m_write;
};

class WindowTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        char message[QX_BUFFER_CAPACITY] = "";
        ASSERT_EQ(0, g_theLogics.registerHwnd(m_pipe.window(), message));
        g_nLastCallbackStatus = 0;
        g_nLastCallbackMode = 1;
    }
    // message, wParam, lParam of each record, as text.
    std::vector<std::string> records() {
        std::vector<std::string> out;
        for (const QXNotification& r : m_pipe.drain()) {
            out.push_back(std::to_string(r.message) + " " + std::to_string(r.wParam) + " " +
                          std::to_string(r.lParam));
        }
        return out;
    }
    static std::string record(unsigned message, long long wParam, long long lParam) {
        return std::to_string(message) + " " + std::to_string(wParam) + " " +
               std::to_string(lParam);
    }
    EventPipe m_pipe;
};

TEST_F(WindowTest, StatusCarriesModeAndStatusAndAmount) {
    device("a0000125031");
    device("a0000000500");
    EXPECT_EQ((std::vector<std::string>{record(QX_WM_CALLBACK_STATUS, 103, 1250),
                                        record(QX_WM_CALLBACK_STATUS, 0, 5)}),
              records());
}

TEST_F(WindowTest, ErrorCodeIsPostedAndItsTextQueued) {
    device("b0000000021E-TRANSPORT   12");
    EXPECT_EQ((std::vector<std::string>{record(QX_WM_CALLBACK_STATUS, 102, 0),
                                        record(QX_WM_CALLBACK_ERROR, 0, 12)}),
              records());
    std::string text;
    EXPECT_EQ(0, retrieveFromErrorQueue(text));
    EXPECT_EQ("Error Code 12", text);
}

TEST_F(WindowTest, CashLevelAndSessionArePostedAndTheirRawTextsQueued) {
    g_pfnCashSessionCallback = coretest::onCashSession;  // may sit beside a window
    device("b000000000199 100          ");
    device("b0000000001CR/RF00004200");
    EXPECT_EQ((std::vector<std::string>{record(QX_WM_CALLBACK_CASHLEVEL, 99, 10000),
                                        record(QX_WM_CALLBACK_CASHSESSION, 3, 4200)}),
              records());
    std::string text;
    EXPECT_EQ(0, retrieveFromCashLevelWarningsQueue(text));
    EXPECT_EQ("99 100          ", text);
    EXPECT_EQ(0, retrieveFromCashSessionQueue(text));
    EXPECT_EQ("CR/RF00004200", text);
    EXPECT_EQ(std::vector<std::string>{"session 3 4200|CR/RF00004200"}, events());
    EXPECT_EQ(1u, api("LevelWarningEvent: warningType=2, denomination=10000, numberOf=99").size());
}

TEST_F(WindowTest, FailingCashLevelTextPostsAndQueuesNothing) {
    g_nCurrentLowLevelWarningState = LOW_LEVEL_WARNING_FALSE;
    device("b0000000001" + std::string("05 2"));
    EXPECT_TRUE(records().empty());
    std::string text;
    EXPECT_EQ(3, retrieveFromCashLevelWarningsQueue(text));
    EXPECT_EQ(LOW_LEVEL_WARNING_TRUE, g_nCurrentLowLevelWarningState.load());
    EXPECT_EQ(1u, logic("sendCashLevelEvent: Updating g_nCurrentLowLevelWarningState: 0 - > 3 "
                        "(LOW_LEVEL_WARNING_TRUE)").size());
}

TEST_F(WindowTest, FullQueueStillPostsTheMessage) {
    for (int i = 0; i < QX_QUEUE_CAPACITY; ++i) ASSERT_EQ(0, pushToErrorQueue("old"));
    device("b0000000021E-TRANSPORT   07");
    EXPECT_EQ(2u, records().size());
    EXPECT_EQ(1u, errors("Max number of errors pushed to queue").size());
}

TEST_F(WindowTest, ApplicationThatNeverReadsDoesNotStallTheDevice) {
    // Far more records than a pipe holds.
    for (int i = 0; i < 4000; ++i) {
        qxsim_inject_callback(("a" + pad8(i) + "01").c_str());
    }
    ASSERT_EQ(0, qxsim_wait_idle(5000));
    EXPECT_EQ(3999, g_nLastCallbackAmount.load());
    const std::size_t held = records().size();
    EXPECT_GT(held, 0u);
    EXPECT_LT(held, 4000u);
}

}  // namespace
