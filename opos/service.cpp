// service.cpp - opening and closing, claiming, enabling (the operator's
// login and logout), CheckHealth, DirectIO and FreezeEvents, with the
// checks of the UnifiedPOS state model that every method shares.
#include "opos/service.h"

#include <cstdlib>
#include <cstring>

#include "opos/device_reports.h"
#include "opos/opos_codes.h"
#include "opos/result_map.h"

namespace qxopos {
namespace {

// DirectIO commands.
constexpr long kDirectIoReset = 1;

// Open results of this service object beyond the common ones.
constexpr long kOpenDriverInUse = 451;
constexpr long kOpenNoEvents = 452;

bool isNumber(const std::string& text) {
    if (text.empty()) return false;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= 0 && value <= 32767;
}

std::string interfaceOf(const std::string& portSettings) {
    const size_t at = portSettings.find("Type:");
    if (at == std::string::npos) return "";
    return portSettings.substr(at + 5, portSettings.find(';', at) - at - 5);
}

}  // namespace

Service::Service() : m_idleReport(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

Service::~Service() {
    if (m_open) closeService();
    if (m_idleReport) CloseHandle(m_idleReport);
}

long Service::finish(long code, long extended) {
    m_resultCode = code;
    m_resultCodeExtended = extended;
    return code;
}

long Service::finishDriver(short driverCode, bool paying) {
    countDriverFailure(driverCode);
    const OposResult result = paying ? fromPayingDriver(driverCode) : fromDriver(driverCode);
    return finish(result.code, result.extended);
}

void Service::countDriverFailure(short driverCode) {
    if (driverCode != QX_STATUS_SEND_FAILED && driverCode != QX_STATUS_TIMEOUT) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.add(kStatCommunicationErrors);
}

long Service::checkOpen() { return m_open ? opos::kSuccess : finish(opos::kClosed); }

long Service::checkClaimed() {
    if (!m_open) return finish(opos::kClosed);
    return m_claimed ? opos::kSuccess : finish(opos::kNotClaimed);
}

long Service::checkEnabled() {
    long result = checkClaimed();
    if (result != opos::kSuccess) return result;
    return m_enabled ? opos::kSuccess : finish(opos::kDisabled);
}

// A command the device answers "Busy" right after a cash move is asked
// again once the device reports idle (or every 50 ms), for at most the
// device name's BusyRetryMilliseconds.
short Service::withBusyRetry(const std::function<short()>& call) {
    const DWORD start = GetTickCount();
    for (;;) {
        short result = call();
        const DWORD waited = GetTickCount() - start;
        if (result != QX_STATUS_BUSY || waited >= static_cast<DWORD>(m_settings.busyRetryMs))
            return result;
        const DWORD left = static_cast<DWORD>(m_settings.busyRetryMs) - waited;
        WaitForSingleObject(m_idleReport, left < 50 ? left : 50);
    }
}

long Service::failOpen(long code, long openResult) {
    m_openResult = openResult;
    return finish(code);
}

long Service::openService(const std::string& deviceClass, const std::string& deviceName,
                          IDispatch* controlObject) {
    if (m_open) return finish(opos::kIllegal);
    m_openResult = 0;
    if (_stricmp(deviceClass.c_str(), kDeviceClass) != 0 || !controlObject)
        return failOpen(opos::kIllegal, opos::kOpenNotSupported);
    if (!readDeviceSettings(deviceName, m_settings))
        return failOpen(opos::kFailure, opos::kOpenConfig);
    std::string error;
    if (!m_driver.load(ownFolder(), error)) return failOpen(opos::kFailure, opos::kOpenConfig);
    // Events may come as soon as the driver opens the device.
    m_channel = EventChannel::start(controlObject);
    if (!m_channel) {
        m_driver.unload();
        return failOpen(opos::kFailure, kOpenNoEvents);
    }
    if (!attachReports(this)) {
        abandonOpen(false);
        return failOpen(opos::kIllegal, kOpenDriverInUse);
    }
    char message[QX_BUFFER_CAPACITY] = "";
    short result = registerReports(m_driver.call(), message);
    if (result == QX_STATUS_OK)
        result = m_driver.call().init(m_settings.portSettings.c_str(),
                                      m_settings.initSettings.c_str(), message);
    if (result != QX_STATUS_OK && result != QX_STATUS_WARNING) {
        abandonOpen(true);
        return failOpen(opos::kNoHardware, opos::kOpenNoPort);
    }
    const std::string claimName = "QXCashChanger.Claim." + deviceName;
    m_claim = CreateMutexA(nullptr, FALSE, claimName.c_str());
    m_deviceName = deviceName;
    m_equipment.interfaceName = interfaceOf(m_settings.portSettings);
    m_open = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
        m_statistics = Statistics();
    }
    return finish(opos::kSuccess);
}

// Undoes a half-made open: the driver's receivers, the event thread and
// both libraries.
void Service::abandonOpen(bool attached) {
    char message[QX_BUFFER_CAPACITY] = "";
    if (attached) {
        m_driver.call().exit(message);
        detachReports(this);
    }
    m_channel->stop();
    m_channel.reset();
    m_driver.unload();
}

long Service::closeService() {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (m_claimed) releaseDevice();
    abandonOpen(true);
    if (m_claim) CloseHandle(m_claim);
    m_claim = nullptr;
    m_open = false;
    return finish(opos::kSuccess);
}

long Service::claimDevice(long timeout) {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (m_claimed) return finish(opos::kSuccess);
    if (timeout < opos::kForever) return finish(opos::kIllegal);
    const DWORD wait = timeout == opos::kForever ? INFINITE : static_cast<DWORD>(timeout);
    const DWORD outcome = m_claim ? WaitForSingleObject(m_claim, wait) : WAIT_FAILED;
    if (outcome == WAIT_TIMEOUT) return finish(opos::kTimeout);
    if (outcome != WAIT_OBJECT_0 && outcome != WAIT_ABANDONED) return finish(opos::kFailure);
    m_claimed = true;
    return finish(opos::kSuccess);
}

long Service::releaseDevice() {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (!m_claimed) return finish(opos::kIllegal);
    if (m_enabled) setDeviceEnabled(false);
    ReleaseMutex(m_claim);
    m_claimed = false;
    return finish(opos::kSuccess);
}

short Service::loginOperator(char* message) {
    const DriverEntries& driver = m_driver.call();
    const std::string& user = m_settings.operatorName;
    const std::string& password = m_settings.password;
    if (isNumber(user) && isNumber(password))
        return driver.login(static_cast<short>(std::atoi(user.c_str())),
                            static_cast<short>(std::atoi(password.c_str())), message);
    return driver.loginStr(user.c_str(), password.c_str(), message);
}

// Enabling logs the operator in and leaves pay-in off until a deposit
// begins; disabling logs out.
long Service::setDeviceEnabled(bool enabled) {
    if (checkClaimed() != opos::kSuccess) return m_resultCode;
    if (enabled == m_enabled) return finish(opos::kSuccess);
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    if (!enabled) {
        // Disabled whatever the logout answers: the next enable logs in
        // afresh, and the driver's logout already asks a busy device again.
        short result = withBusyRetry([&] { return driver.logout(message); });
        m_enabled = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_phase = Phase::Idle;
            m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
        }
        return finishDriver(result);
    }
    short result = withBusyRetry([&] { return loginOperator(message); });
    if (result != QX_STATUS_OK) return finishDriver(result);
    // A device that cannot switch pay-in (an older one) keeps what it has.
    withBusyRetry([&] { return driver.disablePayin(message); });
    int level = 0;
    char commands[QX_BUFFER_CAPACITY] = "", master[QX_BUFFER_CAPACITY] = "",
         info[QX_BUFFER_CAPACITY] = "";
    if (driver.info(&level, commands, master, info, message) == QX_STATUS_OK) {
        m_equipment.firmware = master;
        m_equipment.model = info;
    }
    m_enabled = true;
    return finish(opos::kSuccess);
}

long Service::checkHealth(long level) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    if (level != opos::kHealthInternal && level != opos::kHealthExternal)
        return finish(opos::kIllegal);
    const char* kind = level == opos::kHealthInternal ? "Internal" : "External";
    int open = 0;
    char message[QX_BUFFER_CAPACITY] = "";
    short result = m_driver.call().isOpen(&open, message);
    const bool healthy = result == QX_STATUS_OK && open != 0;
    m_checkHealthText = std::string(kind) + " HCheck: " +
                        (healthy ? "Successful" : std::string("Failed, ") + message);
    if (result != QX_STATUS_OK) return finishDriver(result);
    return finish(healthy ? opos::kSuccess : opos::kOffline);
}

long Service::directIO(long command, long& data, std::string& text) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    if (command != kDirectIoReset) return finish(opos::kIllegal);
    char message[QX_BUFFER_CAPACITY] = "";
    short result = withBusyRetry([&] { return m_driver.call().reset(message); });
    data = result;
    text = message;
    return finishDriver(result);
}

long Service::freezeEvents(bool freeze) {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    m_channel->setFrozen(freeze);
    return finish(opos::kSuccess);
}

}  // namespace qxopos
