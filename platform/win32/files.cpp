// files.cpp (Windows) - path conventions, CreateDirectoryA, the default
// log directory, opening and emptying log files, the read-only attribute
// of closed log files and the Windows directory.
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace qxplat {

char pathSeparator() { return '\\'; }

MakeDirResult makeDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return MakeDirResult::Created;
    return GetLastError() == ERROR_ALREADY_EXISTS ? MakeDirResult::AlreadyExists
                                                  : MakeDirResult::Failed;
}

std::string makeDefaultLogDirectory() {
    const std::string dir = "c:\\temp";
    return makeDirectory(dir) == MakeDirResult::Failed ? std::string() : dir;
}

std::FILE* openLogFile(const std::string& path) { return std::fopen(path.c_str(), "a+"); }

void emptyLogFile(std::FILE* stream) {
    std::fflush(stream);
    if (_chsize(_fileno(stream), 0) == 0) std::rewind(stream);
}

void setReadOnly(const std::string& path, bool readOnly) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    attributes = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                          : (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

const char* libraryDirectoryLabel() { return "the DLL directory"; }
const char* systemDirectoryLabel() { return "the Windows directory"; }

namespace backend {

std::string defaultSystemDirectory() {
    std::vector<char> dir(32767, '\0');
    UINT length = GetWindowsDirectoryA(dir.data(), static_cast<UINT>(dir.size()));
    return length > 0 && length < dir.size() ? std::string(dir.data(), length) : std::string();
}

}  // namespace backend
}  // namespace qxplat
