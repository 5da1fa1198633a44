// device_settings.h - the settings of one device name, kept as values
// under HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\CashChanger\<device name>,
// whose default value is this service object's ProgID.
#ifndef QX_OPOS_DEVICE_SETTINGS_H
#define QX_OPOS_DEVICE_SETTINGS_H

#include <string>
#include <utility>
#include <vector>

namespace qxopos {

extern const char kDeviceClass[];         // "CashChanger"
extern const char kDeviceClassKey[];      // the registry key of the device class
extern const char kDefaultDeviceName[];   // "QXCashChanger"
extern const char kProgId[];
extern const char kClassIdText[];

struct DeviceSettings {
    std::string portSettings;      // initQX's port settings
    std::string initSettings;      // initQX's settings string
    std::string operatorName;      // login: a number uses loginQX, else loginStrQX
    std::string password;
    std::string currencyCode;
    std::string currencyCashList;  // "coins;bills", minor units
    std::string description;
    int busyRetryMs = 5000;        // how long a "Busy" answer is waited out
};

// The values registration writes for a new device name, in order.
const std::vector<std::pair<const char*, const char*>>& defaultSettingValues();

// Reads the settings of deviceName; false when its key is missing or does
// not name this service object.
bool readDeviceSettings(const std::string& deviceName, DeviceSettings& settings);

}  // namespace qxopos

#endif  // QX_OPOS_DEVICE_SETTINGS_H
