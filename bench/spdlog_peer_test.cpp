// spdlog_peer_test.cpp - the spdlog peer writes the line WriteLog writes,
// in the same layout, and has it in the file as soon as it returns.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "bench/log_line_text.h"
#include "bench/spdlog_peer.h"
#include "logging/log.h"
#include "tests/support/internal_env.h"
#include "tests/support/test_env.h"

namespace {

const std::regex kLine(R"(w\d\d \d\d:\d\d:\d\d\.\d\d\d => CQXLogics::dispense\(1250, refund, amountRest\)\n)");

TEST(SpdlogPeer, WritesWriteLogsLineAndFlushesItAtOnce) {
    const std::string dir = qxtest::useFreshLogDir("bench_spdlog");
    WriteLog(qxbench::kLogLineText, CrToApi, LogicLog);
    const std::string ours = qxtest::readLog("qxlogic", dir);

    qxbench::SpdlogPeer peer(dir + "/peer.log");
    peer.write(qxbench::kLogLineText);
    const std::string theirs = qxtest::readFile(dir + "/peer.log");  // the peer still open

    EXPECT_TRUE(std::regex_match(ours, kLine)) << ours;
    EXPECT_TRUE(std::regex_match(theirs, kLine)) << theirs;
    EXPECT_EQ(theirs.substr(0, 4), ours.substr(0, 4));  // the same week number
}

}  // namespace
