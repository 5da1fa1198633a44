// service.cpp - opening and closing, claiming, enabling (the operator's
// login and logout), CheckHealth, DirectIO and FreezeEvents, with the
// checks of the UnifiedPOS state model that every method shares.
#include "opos/service.h"

#include <cstdlib>
#include <cstring>

#include "opos/opos_codes.h"
#include "opos/process_session.h"
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
    waitForPayment();
    if (m_idleReport) CloseHandle(m_idleReport);
}

long Service::finish(long code, long extended) {
    m_resultCode = code;
    m_resultCodeExtended = extended;
    return code;
}

long Service::finishDriver(short driverCode, bool paying) {
    countDriverFailure(driverCode);
    noteLost(driverCode);
    const OposResult result = paying ? fromPayingDriver(driverCode) : fromDriver(driverCode);
    return finish(result.code, result.extended);
}

void Service::countDriverFailure(short driverCode) {
    if (driverCode != QX_STATUS_SEND_FAILED && driverCode != QX_STATUS_TIMEOUT) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.add(kStatCommunicationErrors);
}

// A closed session or a lost device answers OPOS_E_OFFLINE and stays
// enabled; the next DeviceEnabled = true logs in again (logIn).
void Service::noteLost(short driverCode) {
    if (driverCode == QX_STATUS_CLOSED || driverCode == QX_STATUS_SEND_FAILED) m_lost = true;
}

long Service::checkOpen() { return m_open ? opos::kSuccess : finish(opos::kClosed); }

long Service::checkClaimed() {
    if (!m_open) return finish(opos::kClosed);
    return m_claimed ? opos::kSuccess : finish(opos::kNotClaimed);
}

long Service::checkEnabled() {
    long result = checkClaimed();
    if (result != opos::kSuccess) return result;
    if (!m_enabled) return finish(opos::kDisabled);
    return m_paying ? finish(opos::kBusy) : opos::kSuccess;
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
    char message[QX_BUFFER_CAPACITY] = "";
    const short result = joinSession(this, deviceName, m_driver.call(), m_settings, message);
    if (result == kOtherDevice) {
        abandonOpen(false);
        return failOpen(opos::kIllegal, kOpenDriverInUse);
    }
    if (result != QX_STATUS_OK) {
        abandonOpen(false);
        return failOpen(opos::kNoHardware, opos::kOpenNoPort);
    }
    m_joined = true;
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

// Undoes an open, whole or half made: the session, the event thread and
// both libraries.
void Service::abandonOpen(bool joined) {
    if (joined) leaveSession(this, m_driver.call());
    m_joined = false;
    m_channel->stop();
    m_channel.reset();
    m_driver.unload();
}

long Service::closeService() {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (m_claimed) releaseDevice();
    waitForPayment();
    abandonOpen(m_joined);
    if (m_claim) CloseHandle(m_claim);
    m_claim = nullptr;
    m_open = false;
    return finish(opos::kSuccess);
}

// A claim of another service object of this process is waited out as one
// of another process is (their named mutex would let this thread through).
long Service::claimDevice(long timeout) {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (m_claimed) return finish(opos::kSuccess);
    if (timeout < opos::kForever) return finish(opos::kIllegal);
    const DWORD wait = timeout == opos::kForever ? INFINITE : static_cast<DWORD>(timeout);
    const DWORD start = GetTickCount();
    while (!claimInProcess(this)) {
        if (wait != INFINITE && GetTickCount() - start >= wait) return finish(opos::kTimeout);
        Sleep(20);
    }
    const DWORD waited = GetTickCount() - start;
    return claimWithin(wait == INFINITE ? INFINITE : (waited < wait ? wait - waited : 0));
}

long Service::claimWithin(DWORD wait) {
    const DWORD outcome = m_claim ? WaitForSingleObject(m_claim, wait) : WAIT_FAILED;
    if (outcome != WAIT_OBJECT_0 && outcome != WAIT_ABANDONED) {
        releaseInProcess(this);
        return finish(outcome == WAIT_TIMEOUT ? opos::kTimeout : opos::kFailure);
    }
    m_claimed = true;
    return finish(opos::kSuccess);
}

long Service::releaseDevice() {
    if (checkOpen() != opos::kSuccess) return m_resultCode;
    if (!m_claimed) return finish(opos::kIllegal);
    if (m_enabled) setDeviceEnabled(false);
    ReleaseMutex(m_claim);
    releaseInProcess(this);
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

// Logs in afresh: a session the device closed, or a connection that was
// lost, is logged out first, and when the login cannot reach the device
// the device is closed and opened again.
short Service::logIn(char* message) {
    const DriverEntries& driver = m_driver.call();
    if (m_lost) withBusyRetry([&] { return driver.logout(message); });
    short result = withBusyRetry([&] { return loginOperator(message); });
    if (m_lost && (result == QX_STATUS_SEND_FAILED || result == QX_STATUS_TIMEOUT ||
                   result == QX_STATUS_CLOSED)) {
        result = reopenSession(driver, m_settings, message);
        if (result == QX_STATUS_OK) result = withBusyRetry([&] { return loginOperator(message); });
    }
    if (result == QX_STATUS_OK) {
        m_lost = false;
        m_cashDeposited = false;
    }
    return result;
}

// Enabling logs the operator in and leaves pay-in off until a deposit
// begins; enabling again after the session was lost logs in again.
// Disabling ends an open deposit as REPAY first, then logs out.
long Service::setDeviceEnabled(bool enabled) {
    if (checkClaimed() != opos::kSuccess) return m_resultCode;
    if (enabled == m_enabled && !(enabled && m_lost)) return finish(opos::kSuccess);
    waitForPayment();
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    if (!enabled) {
        repayOpenDeposit();
        // Disabled whatever the logout answers: the next enable logs in
        // afresh, and the driver's logout already asks a busy device again.
        short result = withBusyRetry([&] { return driver.logout(message); });
        m_enabled = false;
        m_cashDeposited = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_phase = Phase::Idle;
            m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
        }
        return finishDriver(result);
    }
    short result = logIn(message);
    if (result != QX_STATUS_OK) return finishDriver(result);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_phase = Phase::Idle;
        m_depositStatus = opos::CHAN_STATUS_DEPOSIT_END;
    }
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

// The device's reset also switches pay-in off: in a deposit that was
// accepting, pay-in goes on again once the reset's report is in.
long Service::directIO(long command, long& data, std::string& text) {
    if (checkEnabled() != opos::kSuccess) return m_resultCode;
    if (command != kDirectIoReset) return finish(opos::kIllegal);
    const DriverEntries& driver = m_driver.call();
    char message[QX_BUFFER_CAPACITY] = "";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_selfReset = true;
    }
    ResetEvent(m_idleReport);
    short result = withBusyRetry([&] { return driver.reset(message); });
    if (result == QX_STATUS_OK) WaitForSingleObject(m_idleReport, 2000);
    bool accepting = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_selfReset = false;
        accepting = m_phase == Phase::Accepting;
    }
    if (result == QX_STATUS_OK && accepting)
        result = withBusyRetry([&] { return driver.enablePayin(message); });
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
