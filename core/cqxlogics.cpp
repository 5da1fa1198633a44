// cqxlogics.cpp - the one core object g_theLogics: its construction and
// destruction with the session banners, and the paid-out list that the
// per-time payout limit is checked against.
#include "core/cqxlogics.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/device_model.h"
#include "events/callback_handler.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"
#include "platform/platform.h"

CQXLogics g_theLogics;

namespace {

// How long an unloading library waits for device threads still running
// its callback code.
constexpr auto kHandlersLeaveWithin = std::chrono::seconds(2);

}  // namespace

CQXLogics::CQXLogics()
    : m_bInitiated(false), m_nPaidOutCount(0), verifyQXStatus(0), QXLevel(0),
      m_szMasterVersion{}, m_szSupportedCommands{} {
    logBannerRule(ApiLog);
    logBanner("C API Loaded", ApiLog);
    logBannerRule(ApiLog);
    logBanner("Session Starting", LogicLog);
    logBannerRule(LogicLog);
    logBanner("CQXLogics::CQXLogics", LogicLog);
    logBannerRule(LogicLog);
    g_nCallbacksInProgress = 0;
    g_QXState = QXS_UNINITIATED;
    g_chLastCommand = 0;
}

CQXLogics::~CQXLogics() {
    logBannerRule(LogicLog);
    logBanner("CQXLogics::~CQXLogics", LogicLog);
    logBannerRule(LogicLog);
    logBanner("Session Ending", LogicLog);
    logBannerRule(ApiLog);
    logBanner("C API Unloaded", ApiLog);
    logBannerRule(ApiLog);
    if (m_bInitiated) {
        logTrace("CQXLogics::~CQXLogics: Calling exitCom.");
        char message[QX_BUFFER_CAPACITY] = "";
        exit(message);
        logTrace(std::string("CQXLogics::~CQXLogics: exitCom ans=") + message);
        m_bInitiated = false;
        g_QXState = QXS_UNINITIATED;
        verifyQXStatus = 0;
        QXLevel = 0;
    }
    waitForHandlersToLeave();
    g_chLastCommand = 0;
    g_nCallbacksInProgress = 0;
}

// A device library may go on calling back after it was closed, or be
// inside an application callback when the library unloads: its threads
// would then return into code that is gone.  The closed device sends
// nothing new, so the handlers running now are waited for, boundedly.
void CQXLogics::waitForHandlersToLeave() {
    const int running = handlersRunning();
    if (running == 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kHandlersLeaveWithin;
    while (handlersRunning() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int still = handlersRunning();
    // The last one out still has its return to make.
    if (still == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    logInfo(strformat("CQXLogics::~CQXLogics: Waited for %d device callback(s) to leave the "
                      "library, %d still running",
                      running, still));
}

std::string CQXLogics::masterVersion() const {
    std::lock_guard<std::mutex> lock(m_identityMutex);
    return m_szMasterVersion;
}

std::string CQXLogics::supportedCommands() const {
    std::lock_guard<std::mutex> lock(m_identityMutex);
    return m_szSupportedCommands;
}

void CQXLogics::addToPaidOutList(int amount) {
    m_paidOutList.push_front(PaidOutEntry{qxplat::calendarNow(), amount});
    ++m_nPaidOutCount;
}

void CQXLogics::purgePaidOutList() {
    const double limitSeconds = settings.GetInt(PayOutAmountPerTimeLimitSeconds);
    const std::time_t now = qxplat::calendarNow();
    // Oldest entries are at the back; an entry exactly as old as the
    // window still counts.
    while (!m_paidOutList.empty() &&
           std::difftime(now, m_paidOutList.back().time) > limitSeconds) {
        m_paidOutList.pop_back();
        --m_nPaidOutCount;
    }
}

long long CQXLogics::sumPaidOutAmount() const {
    // A window may hold more than an int of payouts and bookings.
    long long sum = 0;
    for (const PaidOutEntry& entry : m_paidOutList) sum += entry.amount;
    return sum;
}

void CQXLogics::resetForTesting() {
    m_bInitiated = false;
    settings.resetToDefaults();
    m_paidOutList.clear();
    m_nPaidOutCount = 0;
    verifyQXStatus = 0;
    QXLevel = 0;
    std::memset(m_szMasterVersion, 0, sizeof m_szMasterVersion);
    std::memset(m_szSupportedCommands, 0, sizeof m_szSupportedCommands);
    g_nCallbacksInProgress = 0;
    g_QXState = QXS_UNINITIATED;
    g_chLastCommand = 0;
}
