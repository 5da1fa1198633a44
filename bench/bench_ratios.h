// bench_ratios.h - the benchmarks' shared frame: a scratch folder for logs
// and language files, and the pairs whose time ratio is printed at the end.
#ifndef QX_BENCH_RATIOS_H
#define QX_BENCH_RATIOS_H

#include <string>

namespace qxbench {

// A fresh folder for this run (logs and language file go there).
const std::string& scratchDir();

// Registers "subject / peer" to be printed as a ratio of their times.
bool addRatio(const char* subject, const char* peer);

}  // namespace qxbench

#endif  // QX_BENCH_RATIOS_H
