// module_info.cpp - this library's own name, directory and file version,
// for the settings file search and the start-up banner.
#include "settings/module_info.h"

#include "logging/log_shapes.h"
#include "platform/platform.h"

// The build names it (QX_LIBRARY_FILE): "qxlogics.dll", "libqxlogics.so.1".
const char* const QX_LIBRARY_NAME = QX_LIBRARY_FILE;

std::string getRuntimePath() {
    const std::string fullName = qxplat::ownModuleFileName(QX_LIBRARY_NAME);
    if (fullName.empty()) {
        logError(std::string("cqxlogics.getRuntimePath: Failed to get full path for "
                             "runtime module: ") +
                 QX_LIBRARY_NAME);
        return std::string();
    }
    const std::string directory = qxplat::directoryOf(fullName);
    if (directory.empty()) {
        logError("cqxlogics.getRuntimePath: Failed to extract path part from: " + fullName);
    }
    return directory;
}

std::string getFileVersion(const std::string& fileName) {
    if (fileName.empty()) return "No version Info";
    const std::string version = qxplat::fileVersion(fileName);
    return version.empty() ? std::string("No version Info") : version;
}
