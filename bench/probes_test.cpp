// probes_test.cpp - the measuring aids: the poll counter counts the
// library's sleeps but not the bare floor's, and the resident size follows
// memory that is touched.
#include <gtest/gtest.h>

#include <vector>

#include "bench/poll_counter.h"
#include "tests/support/process_probe.h"
#include "platform/platform.h"

namespace {

TEST(PollCounter, CountsTheLibrarysSleepsButNotTheBareFloor) {
    qxbench::PollCounter polls;
    qxplat::sleepMs(1);
    qxplat::sleepMs(2);
    EXPECT_EQ(polls.steps(), 2);
    EXPECT_EQ(polls.sleptMs(), 3);
    qxbench::sleepSteps(3, 1);
    EXPECT_EQ(polls.steps(), 2);
}

TEST(Resident, GrowsWithMemoryThatIsTouched) {
    const long before = qxtest::residentKiB();
    ASSERT_GT(before, 0);
    std::vector<char> block(32 << 20, 1);  // 32 MiB, every page written
    const long after = qxtest::residentKiB();
    EXPECT_GE(after - before, 16 << 10) << "KiB before " << before << ", after " << after;
    EXPECT_EQ(block[block.size() / 2], 1);
}

}  // namespace
