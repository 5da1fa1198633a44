// scratch_dir.cpp - making and removing the run's scratch folder.
#include "bench/scratch_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qxbench {

const std::string& scratchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/qxbench_XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

void removeScratchDir() {
    // Never /tmp itself, the fallback when no folder could be made.
    if (scratchDir() == "/tmp") return;
    std::error_code ignored;
    std::filesystem::remove_all(scratchDir(), ignored);
}

}  // namespace qxbench
