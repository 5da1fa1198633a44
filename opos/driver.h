// driver.h - the driver as this service object sees it: qxlogics.dll
// loaded by full path from the service object's own folder and reached
// through its exports only, and the device library held loaded from that
// same folder while the driver runs.
#ifndef QX_OPOS_DRIVER_H
#define QX_OPOS_DRIVER_H

#include <windows.h>

#include <string>

#include "qxlogics.h"

namespace qxopos {

struct DriverEntries {
    decltype(&registerEvents23QX) registerEvents23 = nullptr;
    decltype(&initQX) init = nullptr;
    decltype(&exitQX) exit = nullptr;
    decltype(&loginQX) login = nullptr;
    decltype(&loginStrQX) loginStr = nullptr;
    decltype(&logoutQX) logout = nullptr;
    decltype(&enablePayinQX) enablePayin = nullptr;
    decltype(&disablePayinQX) disablePayin = nullptr;
    decltype(&depositQX) deposit = nullptr;
    decltype(&dispenseQX) dispense = nullptr;
    decltype(&askPayout2QX) askPayout2 = nullptr;
    decltype(&regretQX) regret = nullptr;
    decltype(&resetQX) reset = nullptr;
    decltype(&isOpenQX) isOpen = nullptr;
    decltype(&infoQX) info = nullptr;
};

class Driver {
public:
    Driver() = default;
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;
    ~Driver() { unload(); }

    // Loads both libraries from folder (ending in a backslash); false with
    // the reason in error when a file or an export is missing.
    bool load(const std::string& folder, std::string& error);
    // Frees both; call after exitQX.
    void unload();
    bool loaded() const { return m_driver != nullptr; }
    const DriverEntries& call() const { return m_entries; }

private:
    bool bindEntries(std::string& error);

    HMODULE m_driver = nullptr;
    HMODULE m_device = nullptr;
    DriverEntries m_entries;
};

// The folder this DLL was loaded from, with its trailing backslash.
std::string ownFolder();

}  // namespace qxopos

#endif  // QX_OPOS_DRIVER_H
