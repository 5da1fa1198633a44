// platform_win32.cpp - settings and state folders and private files on
// Windows: the user's local application data folder, whose access list
// already keeps other users out; files made there inherit it.
#include "platform.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qxd {

namespace {
std::string localAppData() {
    const char* folder = std::getenv("LOCALAPPDATA");
    return folder ? folder : ".";
}
}  // namespace

std::string defaultSettingsFile() { return localAppData() + "\\qxd\\qxd.conf"; }

std::string defaultStateFolder() { return localAppData() + "\\qxd"; }

bool createPrivateFile(const std::string& path, const std::string& content, std::string& error) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (std::filesystem::exists(path, ec)) {
        error = "cannot create " + path + ": it exists";
        return false;
    }
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out.flush()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool isPrivateFile(const std::string& path, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

}  // namespace qxd
