// bench_log_spdlog.cpp - the same line through spdlog's file sink, flushed
// after every line: the peer WriteLog is measured against.  Built only
// when spdlog is installed.
#include <benchmark/benchmark.h>

#include "bench/bench_ratios.h"
#include "bench/log_line_text.h"
#include "bench/scratch_dir.h"
#include "bench/spdlog_peer.h"

namespace {

void BM_SpdlogFileSink(benchmark::State& state) {
    qxbench::SpdlogPeer peer(qxbench::scratchDir() + "/spdlog_peer.log");
    for (auto _ : state) peer.write(qxbench::kLogLineText);
}
BENCHMARK(BM_SpdlogFileSink);

const bool registered = qxbench::addRatio("BM_WriteLog", "BM_SpdlogFileSink");

}  // namespace
