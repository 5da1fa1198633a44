// registration.cpp - DllRegisterServer and DllUnregisterServer: the class
// with its InprocServer32 and ProgID, and the default device name with its
// settings values.  A device name that is already there keeps the values a
// vendor set; unregistration removes every device name of this ProgID.
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "opos/device_settings.h"
#include "opos/module.h"

namespace qxopos {
namespace {

const char kClassName[] = "QXLogics CashChanger Service Object";

bool setText(HKEY root, const std::string& path, const char* name, const std::string& value,
             bool keepExisting = false) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    if (!keepExisting ||
        RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::string classKey() { return std::string("SOFTWARE\\Classes\\CLSID\\") + kClassIdText; }
std::string progIdKey() { return std::string("SOFTWARE\\Classes\\") + kProgId; }

std::string ownFileName() {
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(thisModule(), path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

// The device names under the class key whose default value is our ProgID.
std::vector<std::string> ourDeviceNames() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceClassKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        char progId[256] = "";
        DWORD size = sizeof progId;
        if (RegGetValueA(key, name, nullptr, RRF_RT_REG_SZ, nullptr, progId, &size) ==
                ERROR_SUCCESS &&
            _stricmp(progId, kProgId) == 0)
            names.emplace_back(name);
    }
    RegCloseKey(key);
    return names;
}

bool removeTree(const std::string& path) {
    LONG result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        return true;
    }
    return false;
}

}  // namespace
}  // namespace qxopos

using namespace qxopos;

STDAPI DllRegisterServer() {
    const std::string file = ownFileName();
    const std::string device = std::string(kDeviceClassKey) + "\\" + kDefaultDeviceName;
    bool ok = !file.empty() &&
              setText(HKEY_LOCAL_MACHINE, classKey(), nullptr, kClassName) &&
              setText(HKEY_LOCAL_MACHINE, classKey() + "\\InprocServer32", nullptr, file) &&
              setText(HKEY_LOCAL_MACHINE, classKey() + "\\InprocServer32", "ThreadingModel",
                      "Apartment") &&
              setText(HKEY_LOCAL_MACHINE, classKey() + "\\ProgID", nullptr, kProgId) &&
              setText(HKEY_LOCAL_MACHINE, progIdKey(), nullptr, kClassName) &&
              setText(HKEY_LOCAL_MACHINE, progIdKey() + "\\CLSID", nullptr, kClassIdText) &&
              setText(HKEY_LOCAL_MACHINE, device, nullptr, kProgId);
    for (const auto& value : defaultSettingValues())
        ok = ok && setText(HKEY_LOCAL_MACHINE, device, value.first, value.second, true);
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    bool ok = true;
    for (const std::string& name : ourDeviceNames())
        ok = removeTree(std::string(kDeviceClassKey) + "\\" + name) && ok;
    ok = removeTree(progIdKey()) && ok;
    ok = removeTree(classKey()) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}
