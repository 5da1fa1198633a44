// info_queries_test.cpp - the information queries of the core: the two
// cash-level queries share one queue, and long texts are cut to the
// caller's buffer.  (Order and empty queues are checked at the exports.)
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
