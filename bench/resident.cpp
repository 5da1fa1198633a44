// resident.cpp - reads the resident page count of /proc/self/statm (its
// second field) and turns it into KiB.
#include "bench/resident.h"

#include <unistd.h>

#include <cstdio>

namespace qxbench {

long residentKiB() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    long sizePages = 0, residentPages = 0;
    const int read = std::fscanf(statm, "%ld %ld", &sizePages, &residentPages);
    std::fclose(statm);
    if (read != 2) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace qxbench
