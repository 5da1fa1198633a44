// till_session_test.cpp - the operation benchmarks' claims against the
// simulator: the cheap exports and a refused dispense wait for nothing,
// and a sale pays the change back in one cash move, the floor it is set
// beside.
#include <gtest/gtest.h>

#include <string>

#include "bench/poll_counter.h"
#include "bench/till_session.h"
#include "qxlogics.h"
#include "tests/support/internal_env.h"
#include "tests/support/test_env.h"

namespace {

// Lines in the three log files so far.
long logLines() {
    long lines = 0;
    for (const char* log : {"qxapi", "qxlogic", "qxerror"})
        for (char c : qxtest::readLog(log)) lines += c == '\n';
    return lines;
}

class TillSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        qxtest::setEnv("QXCONFIG", qxtest::makeTempDir("bench_config"));
        qxtest::useFreshLogDir("bench_till");
        std::string why;
        ASSERT_TRUE(qxbench::openTill(why)) << why;
    }
    void TearDown() override { qxbench::closeTill(); }
};

TEST_F(TillSessionTest, ARefusedDispenseIsRefusedBeforeAnyPollStep) {
    qxbench::PollCounter polls;
    EXPECT_EQ(qxbench::refusedDispense(), QX_STATUS_CLOSED);
    EXPECT_EQ(polls.steps(), 0);
}

TEST_F(TillSessionTest, LoggedInIsOpenAndInfoAnswerWithoutAPollStep) {
    ASSERT_EQ(qxbench::loginTill(), QX_STATUS_OK);
    qxbench::PollCounter polls;
    int open = 0;
    std::string master;
    EXPECT_EQ(qxbench::isOpenTill(open), QX_STATUS_OK);
    EXPECT_EQ(open, 1);
    EXPECT_EQ(qxbench::infoTill(master), QX_STATUS_OK);
    EXPECT_FALSE(master.empty());
    EXPECT_EQ(polls.steps(), 0);
}

// The log-line peers of the operation benchmarks write these counts.
TEST_F(TillSessionTest, TheCheapExportsWriteTheLogLinesTheirPeersWrite) {
    long before = logLines();
    EXPECT_EQ(qxbench::refusedDispense(), QX_STATUS_CLOSED);
    EXPECT_EQ(logLines() - before, 6);
    ASSERT_EQ(qxbench::loginTill(), QX_STATUS_OK);
    int open = 0;
    std::string master;
    before = logLines();
    qxbench::isOpenTill(open);
    EXPECT_EQ(logLines() - before, 4);
    before = logLines();
    qxbench::infoTill(master);
    EXPECT_EQ(logLines() - before, 4);
}

// The sale's floor is its one cash move: the pay-out of the change.
TEST_F(TillSessionTest, ASaleIsOneCashMoveAndPaysTheChangeBack) {
    std::string why;
    int rest = -1;
    ASSERT_EQ(qxbench::saleCycle(2000, 1250, rest, why), QX_STATUS_OK) << why;
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(qxbench::cashMoves(), 1);
    // A second customer finds the till as the first left it.
    ASSERT_EQ(qxbench::saleCycle(500, 500, rest, why), QX_STATUS_OK) << why;
    EXPECT_EQ(qxbench::cashMoves(), 2);
}

}  // namespace
