// paid_out_list_test.cpp - the paid-out list the per-time payout limit is
// checked against, on a test calendar clock.
#include <gtest/gtest.h>

#include <ctime>

#include "core/qxlogics.h"
#include "platform/platform.h"
#include "tests/support/internal_env.h"

namespace {

class PaidOutList : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::useFreshLogDir("paid_out");
        qxplat::setCalendarClockForTesting([this] { return now; });
    }
    void TearDown() override { qxplat::setCalendarClockForTesting({}); }
    // Past 2038: the 32-bit builds keep 64-bit calendar times as well.
    std::time_t now = 4102444800;  // 2100-01-01
    CQXLogics core;
};

TEST_F(PaidOutList, EntryExactlyTheLimitOldStaysAndOlderOnesGo) {
    EXPECT_EQ(core.sumPaidOutAmount(), 0);
    core.addToPaidOutList(100);
    now += 30;
    core.addToPaidOutList(250);
    EXPECT_EQ(core.paidOutCount(), 2);
    EXPECT_EQ(core.sumPaidOutAmount(), 350);

    now += 30;  // the first entry is exactly 60 s old
    core.purgePaidOutList();
    EXPECT_EQ(core.paidOutCount(), 2);

    now += 1;
    core.purgePaidOutList();
    EXPECT_EQ(core.paidOutCount(), 1);
    EXPECT_EQ(core.sumPaidOutAmount(), 250);

    now += 100;
    core.purgePaidOutList();
    EXPECT_EQ(core.paidOutCount(), 0);
    EXPECT_EQ(core.sumPaidOutAmount(), 0);
    core.purgePaidOutList();  // empty list: nothing to do
    EXPECT_EQ(core.paidOutCount(), 0);
}

TEST_F(PaidOutList, WindowFollowsTheSetting) {
    core.Settings().SetInt(PayOutAmountPerTimeLimitSeconds, 5);
    core.addToPaidOutList(10);
    now += 6;
    core.purgePaidOutList();
    EXPECT_EQ(core.paidOutCount(), 0);
}

}  // namespace
