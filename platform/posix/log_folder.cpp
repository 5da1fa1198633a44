// log_folder.cpp (POSIX) - the default log folder: one of the user's own,
// never a folder that the machine's other users can write to (they could
// plant links there to files of the user's).  $XDG_STATE_HOME/qxlogics,
// else $HOME/.local/state/qxlogics; without a home, or when that cannot be
// made, qxlogs-<uid> in $TMPDIR or /tmp, made 0700 and taken only when it
// is the user's own directory that no one else may write to.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace qxplat {
namespace {

// An absolute path from the environment; "" when unset, empty or relative.
std::string absolutePathFrom(const char* variable) {
    std::string value;
    return getEnv(variable, value) && !value.empty() && value[0] == '/' ? value : std::string();
}

// Makes every missing level of an absolute path, each 0700; true when the
// path is then a directory.
bool makeLevels(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "" unless the folder is a real directory (no link) of this user that
// only the user may write to.
std::string ownPrivateFolder(const std::string& dir) {
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 0022) != 0)
        return std::string();
    return dir;
}

std::string privateTempFolder() {
    std::string base = absolutePathFrom("TMPDIR");
    if (base.empty()) base = "/tmp";
    if (base.back() != '/') base += '/';
    const std::string dir = base + "qxlogs-" + std::to_string(geteuid());
    mkdir(dir.c_str(), 0700);  // an existing one is checked all the same
    return ownPrivateFolder(dir);
}

// Once per process: the lines are dropped, and the user should know why.
void reportNoFolder() {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true)) return;
    std::fputs("qxlogics: no log folder of this user's own could be made; no log files are "
               "written (set QXLOGS to choose one)\n",
               stderr);
}

}  // namespace

std::string makeDefaultLogDirectory() {
    std::string base = absolutePathFrom("XDG_STATE_HOME");
    if (base.empty()) {
        const std::string home = absolutePathFrom("HOME");
        if (!home.empty()) base = home + "/.local/state";
    }
    if (!base.empty() && makeLevels(base + "/qxlogics")) return base + "/qxlogics";
    std::string dir = privateTempFolder();
    if (dir.empty()) reportNoFolder();
    return dir;
}

}  // namespace qxplat
