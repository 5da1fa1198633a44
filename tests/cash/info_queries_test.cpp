// info_queries_test.cpp - the core's information queries: the two cash-level
// queries share one queue, and long texts are cut to the caller's buffer.
#include "tests/support/core_fixture.h"

namespace coretest {
namespace {

TEST_F(CoreTest, InformationQueries) {
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("100 HIGH        "));
    ASSERT_EQ(0, pushToCashLevelWarningsQueue("05 20           "));
    char a[QX_BUFFER_CAPACITY], b[QX_BUFFER_CAPACITY], c[QX_BUFFER_CAPACITY];
    char ext[QX_BUFFER_CAPACITY], guarded[QX_BUFFER_CAPACITY + 1];
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getCashLevelInfo(ext));
    EXPECT_STREQ("100 HIGH        ", ext);
    int type = 0;
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getLevelWarningInfo(&type, a, b, c, ext));
    EXPECT_EQ(n(type) + "|" + a + "|" + b + "|" + c + "|" + ext,
              "2|Low|20|20 Low (5 Left)|05 20           ");
    once({"CQXLogics::getCashLevelInfo() starting", "CQXLogics::getCashLevelInfo() returning ok",
          "CQXLogics::getLevelWarningInfo() starting",
          "CQXLogics::getLevelWarningInfo() returning ok"});
    ASSERT_EQ(0, pushToErrorQueue(std::string(QX_BUFFER_CAPACITY + 40, 'E')));
    guarded[QX_BUFFER_CAPACITY] = '#';
    EXPECT_EQ(QX_STATUS_OK, g_theLogics.getErrorInfo(guarded, nullptr));
    EXPECT_EQ(std::string(guarded), std::string(QX_BUFFER_CAPACITY - 1, 'E'));
    EXPECT_EQ('#', guarded[QX_BUFFER_CAPACITY]);
}

}  // namespace
}  // namespace coretest
