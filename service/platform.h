// platform.h - the operating-system services the service needs beyond
// Boost.Asio: where its settings and state live, and a file only the
// service's own user can read.  Implemented by platform_posix.cpp and
// platform_win32.cpp; nothing else in the service differs by system.
#ifndef QXD_PLATFORM_H
#define QXD_PLATFORM_H

#include <string>

namespace qxd {

// The settings file read when the command line names none.
std::string defaultSettingsFile();

// The folder of the token file when the settings name none: systemd's
// StateDirectory when set, else the user's own state folder.
std::string defaultStateFolder();

// Creates path with content, readable and writable by this user only
// (its folder made for this user only when missing).  false with the
// reason in error; an existing file is never overwritten.
bool createPrivateFile(const std::string& path, const std::string& content, std::string& error);

// false, with the reason, when others than this user may read the file.
bool isPrivateFile(const std::string& path, std::string& error);

}  // namespace qxd

#endif  // QXD_PLATFORM_H
