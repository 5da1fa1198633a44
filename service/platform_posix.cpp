// platform_posix.cpp - settings and state folders and private files on
// POSIX: mode 0600 files in 0700 folders.
#include "platform.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qxd {

std::string defaultSettingsFile() { return "/etc/qxd/qxd.conf"; }

std::string defaultStateFolder() {
    if (const char* systemd = std::getenv("STATE_DIRECTORY")) return systemd;
    if (const char* xdg = std::getenv("XDG_STATE_HOME")) return std::string(xdg) + "/qxd";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/state/qxd";
}

bool createPrivateFile(const std::string& path, const std::string& content, std::string& error) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = "cannot make " + folder.string() + ": " + ec.message();
            return false;
        }
        ::chmod(folder.c_str(), 0700);
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = ::write(fd, content.data(), content.size()) ==
                         static_cast<ssize_t>(content.size());
    ::close(fd);
    if (!written) error = "cannot write " + path;
    return written;
}

bool isPrivateFile(const std::string& path, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        error = path + " may be read by other users (it must be mode 0600 and this user's)";
        return false;
    }
    return true;
}

}  // namespace qxd
