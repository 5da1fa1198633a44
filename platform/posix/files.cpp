// files.cpp (POSIX) - path conventions, directories, and opening, emptying
// and read-only marking (the owner's write permission and the others'
// write bits) of log files, none of it through a symbolic link: a link
// that another user planted where a log file belongs is never followed.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {

char pathSeparator() { return '/'; }

std::string directoryOf(const std::string& fullName) {
    std::string::size_type slash = fullName.rfind('/');
    return slash == std::string::npos ? std::string() : fullName.substr(0, slash + 1);
}

MakeDirResult makeDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0) return MakeDirResult::Created;
    return errno == EEXIST ? MakeDirResult::AlreadyExists : MakeDirResult::Failed;
}

std::FILE* openLogFile(const std::string& path) {
    // O_NONBLOCK: a fifo in a log file's place must not stop the library.
    const int fd = open(path.c_str(),
                        O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat info {};
    std::FILE* stream = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) stream = fdopen(fd, "a+");
    if (!stream) close(fd);
    return stream;
}

void emptyLogFile(std::FILE* stream) {
    // The open file itself: its name may have been swapped meanwhile.
    std::fflush(stream);
    if (ftruncate(fileno(stream), 0) == 0) std::rewind(stream);
}

void setReadOnly(const std::string& path, bool readOnly) {
    // Through a descriptor that a link cannot give.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        mode_t mode = info.st_mode & 07777;
        mode = readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
        fchmod(fd, mode);
    }
    close(fd);
}

const char* libraryDirectoryLabel() { return "the library directory"; }
const char* systemDirectoryLabel() { return "the system settings directory"; }

namespace backend {

std::string defaultSystemDirectory() { return "/etc/qxlogics"; }

}  // namespace backend
}  // namespace qxplat
