// files.cpp (POSIX) - path conventions, directories and the read-only
// marking of closed log files (the owner's write permission and the
// others' write bits).
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <string>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {

char pathSeparator() { return '/'; }

const char* defaultLogDirectory() { return "/tmp/qxlogs"; }

std::string directoryOf(const std::string& fullName) {
    std::string::size_type slash = fullName.rfind('/');
    return slash == std::string::npos ? std::string() : fullName.substr(0, slash + 1);
}

MakeDirResult makeDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0) return MakeDirResult::Created;
    return errno == EEXIST ? MakeDirResult::AlreadyExists : MakeDirResult::Failed;
}

void setReadOnly(const std::string& path, bool readOnly) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return;
    mode_t mode = info.st_mode & 07777;
    mode = readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    chmod(path.c_str(), mode);
}

namespace backend {

std::string defaultSystemDirectory() { return "/etc/qxlogics"; }

}  // namespace backend
}  // namespace qxplat
