// scratch_dir.h - the one scratch folder of a benchmark run: the log files,
// the language file and the peers' files go there, and it is removed when
// the program ends.
#ifndef QX_BENCH_SCRATCH_DIR_H
#define QX_BENCH_SCRATCH_DIR_H

#include <string>

namespace qxbench {

// A fresh folder under /tmp, made on first use.
const std::string& scratchDir();

// Removes the folder and everything in it (at the end of the run).
void removeScratchDir();

}  // namespace qxbench

#endif  // QX_BENCH_SCRATCH_DIR_H
