// resident.h - the program's resident set size, for the memory benchmark.
#ifndef QX_BENCH_RESIDENT_H
#define QX_BENCH_RESIDENT_H

namespace qxbench {

// Resident size in KiB from /proc/self/statm; -1 when it cannot be read.
long residentKiB();

}  // namespace qxbench

#endif  // QX_BENCH_RESIDENT_H
