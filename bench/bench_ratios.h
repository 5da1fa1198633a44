// bench_ratios.h - the pairs of benchmarks whose time ratio (subject /
// peer, both from the same run) is printed after Google Benchmark's table.
#ifndef QX_BENCH_RATIOS_H
#define QX_BENCH_RATIOS_H

namespace qxbench {

// Registers "subject / peer" to be printed as a ratio of their times.
bool addRatio(const char* subject, const char* peer);

}  // namespace qxbench

#endif  // QX_BENCH_RATIOS_H
