// driver.cpp - loading qxlogics.dll and the device library from the
// service object's folder without touching the process's DLL search.
//
// The driver loads the device library by name ("DorvoLINK") when initQX
// runs.  Windows answers a load by name with a module of that name that
// is already loaded, wherever it came from, before it searches any folder.
// So the service object loads DorvoLINK.dll itself, by full path, before
// initQX and keeps it loaded until after exitQX: the driver's load by name
// then finds that module.  LOAD_WITH_ALTERED_SEARCH_PATH on the driver's
// full path alone would not do: it changes the search only for the
// driver's own imports while it is being loaded, not for the driver's
// later LoadLibraryA calls.  SetDllDirectory and PATH stay untouched, so
// the till's search for anything else is what it was.
#include "opos/driver.h"

namespace qxopos {
namespace {

const char kDriverFile[] = "qxlogics.dll";
const char kDeviceFile[] = "DorvoLINK.dll";

HMODULE loadByFullPath(const std::string& path) {
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Entry>
bool bind(HMODULE module, const char* name, Entry& entry, std::string& missing) {
    entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!entry && missing.empty()) missing = name;
    return entry != nullptr;
}

}  // namespace

std::string ownFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ownFolder), &self);
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    return name.substr(0, name.find_last_of("\\/") + 1);
}

bool Driver::load(const std::string& folder, std::string& error) {
    unload();
    m_device = loadByFullPath(folder + kDeviceFile);
    if (!m_device) {
        error = "cannot load " + folder + kDeviceFile;
        return false;
    }
    m_driver = loadByFullPath(folder + kDriverFile);
    if (!m_driver) {
        error = "cannot load " + folder + kDriverFile;
        unload();
        return false;
    }
    if (!bindEntries(error)) {
        unload();
        return false;
    }
    return true;
}

bool Driver::bindEntries(std::string& error) {
    std::string missing;
    DriverEntries& e = m_entries;
    bind(m_driver, "registerEvents23QX", e.registerEvents23, missing);
    bind(m_driver, "initQX", e.init, missing);
    bind(m_driver, "exitQX", e.exit, missing);
    bind(m_driver, "loginQX", e.login, missing);
    bind(m_driver, "loginStrQX", e.loginStr, missing);
    bind(m_driver, "logoutQX", e.logout, missing);
    bind(m_driver, "enablePayinQX", e.enablePayin, missing);
    bind(m_driver, "disablePayinQX", e.disablePayin, missing);
    bind(m_driver, "depositQX", e.deposit, missing);
    bind(m_driver, "dispenseQX", e.dispense, missing);
    bind(m_driver, "askPayout2QX", e.askPayout2, missing);
    bind(m_driver, "regretQX", e.regret, missing);
    bind(m_driver, "resetQX", e.reset, missing);
    bind(m_driver, "isOpenQX", e.isOpen, missing);
    bind(m_driver, "infoQX", e.info, missing);
    if (missing.empty()) return true;
    error = std::string(kDriverFile) + " lacks " + missing;
    return false;
}

void Driver::unload() {
    m_entries = DriverEntries();
    if (m_driver) FreeLibrary(m_driver);
    if (m_device) FreeLibrary(m_device);
    m_driver = nullptr;
    m_device = nullptr;
}

}  // namespace qxopos
