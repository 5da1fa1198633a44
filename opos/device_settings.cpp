// device_settings.cpp - the device name's registry key: its value names,
// the defaults registration writes, and reading them at open.
#include "opos/device_settings.h"

#include <windows.h>

#include <cstdlib>

namespace qxopos {

const char kDeviceClass[] = "CashChanger";
const char kDeviceClassKey[] = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashChanger";
const char kDefaultDeviceName[] = "QXCashChanger";
const char kProgId[] = "QXLogics.CashChangerSO";
const char kClassIdText[] = "{6C1E3B52-8A47-4F0D-9D2B-5E7A0C4F9B31}";

namespace {

const char kPortSettings[] = "PortSettings";
const char kInitSettings[] = "InitSettings";
const char kOperator[] = "Operator";
const char kPassword[] = "Password";
const char kCurrencyCode[] = "CurrencyCode";
const char kCurrencyCashList[] = "CurrencyCashList";
const char kDescription[] = "DeviceDescription";
const char kBusyRetry[] = "BusyRetryMilliseconds";

// A string value of the open key; fallback when it is missing.
std::string readText(HKEY key, const char* name, const std::string& fallback) {
    char text[1024];
    DWORD size = sizeof text;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return fallback;
    return std::string(text, size > 0 && text[size - 1] == '\0' ? size - 1 : size);
}

std::string defaultOf(const char* name) {
    for (const auto& value : defaultSettingValues())
        if (std::string(value.first) == name) return value.second;
    return "";
}

}  // namespace

const std::vector<std::pair<const char*, const char*>>& defaultSettingValues() {
    static const std::vector<std::pair<const char*, const char*>> values = {
        {kPortSettings, "Type:RS232;Name:COM1"},
        {kInitSettings, ""},
        {kOperator, "1"},
        {kPassword, "1"},
        {kCurrencyCode, "EUR"},
        {kCurrencyCashList, "1,2,5,10,20,50,100,200;500,1000,2000,5000,10000,20000,50000"},
        {kDescription, "QuaxVault note and coin recycler"},
        {kBusyRetry, "5000"},
    };
    return values;
}

bool readDeviceSettings(const std::string& deviceName, DeviceSettings& settings) {
    HKEY key = nullptr;
    const std::string path = std::string(kDeviceClassKey) + "\\" + deviceName;
    if (deviceName.empty() ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool ours = _stricmp(readText(key, nullptr, "").c_str(), kProgId) == 0;
    auto text = [&](const char* name) { return readText(key, name, defaultOf(name)); };
    settings.portSettings = text(kPortSettings);
    settings.initSettings = text(kInitSettings);
    settings.operatorName = text(kOperator);
    settings.password = text(kPassword);
    settings.currencyCode = text(kCurrencyCode);
    settings.currencyCashList = text(kCurrencyCashList);
    settings.description = text(kDescription);
    settings.busyRetryMs = std::atoi(text(kBusyRetry).c_str());
    if (settings.busyRetryMs < 0) settings.busyRetryMs = 0;
    RegCloseKey(key);
    return ours;
}

}  // namespace qxopos
