// info_queries_test.cpp - the information queries a window-message
// application uses to fetch queued error, cash-level and cash-session
// texts: oldest first, each entry served once, empty queues read empty.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/qxlogics.h"
#include "events/info_queues.h"
#include "tests/support/internal_env.h"

namespace {

class InfoQueriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearInfoQueuesForTesting();
        qxtest::useFreshLogDir("info");
    }
    char a[QX_BUFFER_CAPACITY] = "untouched";
    char b[QX_BUFFER_CAPACITY] = "untouched";
    char c[QX_BUFFER_CAPACITY] = "untouched";
    char d[QX_BUFFER_CAPACITY] = "untouched";
    char ext[QX_BUFFER_CAPACITY] = "untouched";
};

TEST_F(InfoQueriesTest, EmptyQueuesGiveEmptyTexts) {
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(a, ext));
    EXPECT_STREQ("", a);
    EXPECT_STREQ("ErrorInfo Not set", ext);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashSessionInfo(ext));
    EXPECT_STREQ("", ext);
    std::strcpy(ext, "untouched");
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("", ext);

    // The parser refuses the empty text; the caller's number stays.
    int warningType = 42;
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getLevelWarningInfo(&warningType, a, b, c, ext));
    EXPECT_EQ(42, warningType);
    for (const char* text : {a, b, c, ext}) EXPECT_STREQ("", text);
    EXPECT_FALSE(
        qxtest::logLinesContaining("qxlogic",
                                   "retrieveFromCashLevelWarningsQueue: Queue is "
                                   "empty")
            .empty());
}

TEST_F(InfoQueriesTest, TextsComeBackOldestFirstAndUnchanged) {
    ASSERT_EQ(0, pushToErrorQueue("Error Code 5"));
    ASSERT_EQ(0, pushToErrorQueue("Door open 100%"));
    ASSERT_EQ(0, pushToCashSessionQueue("CR/WD00012500"));
    ASSERT_EQ(0, pushToCashSessionQueue("BO/RF%d%s0000"));

    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(a, ext));
    EXPECT_STREQ("Error Code 5", a);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(a, ext));
    EXPECT_STREQ("Door open 100%", a);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(a, ext));
    EXPECT_STREQ("", a);

    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashSessionInfo(ext));
    EXPECT_STREQ("CR/WD00012500", ext);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashSessionInfo(ext));
    EXPECT_STREQ("BO/RF%d%s0000", ext);
}

TEST_F(InfoQueriesTest, CashLevelQueriesShareOneQueue) {
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("100 HIGH        "));
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("05 20           "));

    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("100 HIGH        ", ext);
    EXPECT_FALSE(qxtest::logLinesContaining("qxlogic",
                                            "CQXLogics::getCashLevelInfo() returning ok")
                     .empty());

    int warningType = 0;
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getLevelWarningInfo(&warningType, a, b, c, ext));
    EXPECT_EQ(2, warningType);
    EXPECT_STREQ("Low", a);
    EXPECT_STREQ("20", b);
    EXPECT_STREQ("20 Low (5 Left)", c);
    EXPECT_STREQ("05 20           ", ext);

    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("", ext);
}

TEST_F(InfoQueriesTest, LongTextsAreCutToTheBuffer) {
    const std::string longText(QX_BUFFER_CAPACITY + 40, 'E');
    ASSERT_EQ(0, pushToErrorQueue(longText));
    char guarded[QX_BUFFER_CAPACITY + 1];
    guarded[QX_BUFFER_CAPACITY] = '#';
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(guarded, nullptr));
    EXPECT_EQ(std::string(QX_BUFFER_CAPACITY - 1, 'E'), std::string(guarded));
    EXPECT_EQ('#', guarded[QX_BUFFER_CAPACITY]);
}

}  // namespace
