// field.cpp - folders, regsvr32 and registry look-ups of the stand-in.
#include "tests/opos/field.h"

#include <cstdlib>

namespace qxopos_test {

std::string fullPath(const std::string& path) {
    char full[MAX_PATH] = "";
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return std::string(full, length < MAX_PATH ? length : 0);
}

std::string tillFolder() {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    return name.substr(0, name.find_last_of("\\/") + 1);
}

std::string serviceObjectFolder() {
    const char* chosen = std::getenv("QX_OPOS_FOLDER");
    std::string folder = chosen && *chosen ? chosen : tillFolder() + "..\\OPOS\\";
    folder = fullPath(folder);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD runRegsvr32(const std::string& file, bool unregister) {
    std::string command = std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" +
                          file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

bool registryKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string registryText(const std::string& path, const char* name) {
    char text[1024] = "";
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text,
                     &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

std::string loadedDeviceLibrary() {
    HMODULE module = GetModuleHandleA("DorvoLINK.dll");
    if (!module) return "";
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace qxopos_test
