// info_queries_test.cpp - the core's information queries: the two
// cash-level queries share one queue, and long texts are cut to the buffer.
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

TEST_F(CoreTest, CashLevelQueriesShareOneQueue) {
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("100 HIGH        "));
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("05 20           "));
    char a[QX_BUFFER_CAPACITY], b[QX_BUFFER_CAPACITY], c[QX_BUFFER_CAPACITY];
    char ext[QX_BUFFER_CAPACITY];
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("100 HIGH        ", ext);
    once({"CQXLogics::getCashLevelInfo() returning ok"});
    int warningType = 0;
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getLevelWarningInfo(&warningType, a, b, c, ext));
    EXPECT_EQ(2, warningType);
    EXPECT_STREQ("Low", a);
    EXPECT_STREQ("20", b);
    EXPECT_STREQ("20 Low (5 Left)", c);
    EXPECT_STREQ("05 20           ", ext);
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("", ext);

    ASSERT_EQ(0, pushToErrorQueue(std::string(QX_BUFFER_CAPACITY + 40, 'E')));
    char guarded[QX_BUFFER_CAPACITY + 1];
    guarded[QX_BUFFER_CAPACITY] = '#';
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(guarded, nullptr));
    EXPECT_EQ(std::string(QX_BUFFER_CAPACITY - 1, 'E'), std::string(guarded));
    EXPECT_EQ('#', guarded[QX_BUFFER_CAPACITY]);
}

}  // namespace
}  // namespace coretest
