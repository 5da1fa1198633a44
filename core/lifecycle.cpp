// lifecycle.cpp - the session of the core object: init (settings file,
// initSettings, receiver rules, opening the port), initialize, the
// run-time settings change, the device verification and exit.
#include <cstdio>
#include <string>

#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/outcomes.h"
#include "core/precheck.h"
#include "events/event_delivery.h"
#include "events/callback_handler.h"
#include "events/receivers.h"
#include "link/dorvo_link.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"
#include "platform/platform.h"
#include "settings/module_info.h"
#include "settings/ok_checks.h"
#include "settings/settings_mirrors.h"
#include "settings/settings_strings.h"

namespace {

// The text sent with the "x" verification command.  The device does not
// interpret it; it names the asking driver in the device's own trace.
const char* const kVerifyArgument = "QXLOGICS";

constexpr int kVerifyReplyTimeoutMs = 5000;

// verifyQX keeps only the busy step of the frame, without its error branch.
const PreCheck kVerifyQX = {"verifyQX", "Verify", 0, 3, 15000, false, false, 0};

void libraryBanner() {
    const std::string path = getRuntimePath();
    logBannerRule(LogicLog);
    logInfo(std::string("Library Name: ") + QX_LIBRARY_NAME);
    logInfo("Library Path: " + path);
    logInfo("Library Version: " + getFileVersion(path + QX_LIBRARY_NAME));
    logBannerRule(LogicLog);
}

bool anyCallbackRegistered() {
    return g_pfnStatusCallback.load() || g_pfnErrorCallback.load() ||
           g_pfnCashLevelCallback.load() || g_pfnLevelWarningCallback.load();
}

// Events go either to a window or to a complete set of callbacks.
short checkReceivers(char* message) {
    if (!g_hwndMessageTo.load()) {
        const bool complete =
            g_pfnStatusCallback.load() && g_pfnErrorCallback.load() &&
            (g_pfnCashLevelCallback.load() || g_pfnLevelWarningCallback.load());
        if (!complete)
            return failWith(message, "No Event or callback defined",
                            "CQXLogics::init: No Events defined", QX_STATUS_ERROR);
    } else if (anyCallbackRegistered()) {
        return failWith(message, "Both event and callback defined",
                        "CQXLogics::init: Both event and callback defined",
                        QX_STATUS_ERROR);
    }
    return QX_STATUS_OK;
}

// Copies a shared text into a fixed field, cut to fit.
template <std::size_t N>
void copyField(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

}  // namespace

short CQXLogics::init(const char* portSettings, const char* initSettings,
                      char* message) {
    logOpening("CQXLogics::init called");
    if (m_bInitiated)
        return failWith(message, "Already initiated",
                        "CQXLogics::init: Already initiated", QX_STATUS_ERROR);
    libraryBanner();
    getIniFileSettings();
    const std::string init = textOrEmpty(initSettings);
    logInfo(std::string("CQXLogics::init, supplied parameter portSettings: ") +
             textOrEmpty(portSettings));
    logInfo("CQXLogics::init, supplied parameter initSettings: " + init);
    if (!init.empty()) changeSettings(init.c_str(), 0, message);
    logOkChecksOff(settings);

    short result = checkReceivers(message);
    if (result != QX_STATUS_OK) return result;
    // The device may call back as soon as it is opened: events flow from
    // its first report, and the library stays loaded while it can be called.
    g_eventDelivery.start();
    qxplat::holdOwnModule();
    result = initialize(portSettings, message);
    if (result != QX_STATUS_OK) {
        letGoOfDeliveryAndModule();
        logError(strformat("CQXLogics::init: CQXLogics::initialize failed, return "
                           "code = %d, message = %s",
                           result, textOrEmpty(message)));
        return result;
    }
    m_bInitiated = true;
    g_QXState.store(QXS_LOGGED_OUT, std::memory_order_relaxed);
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CQXLogics::initialize(const char* portSettings, char* message) {
    const std::string settingsText = textOrEmpty(portSettings);
    std::string tagMessage;
    const std::string portName = getSettingsTag("Name:", settingsText, tagMessage);
    logInfo("CQXLogics::initialize: strPortSettings: " + settingsText);
    logInfo("CQXLogics::initialize: PortName: " + portName);
    if (portName == GETSETTINGSTAGINVALID)
        return failWith(message, "Invalid portname",
                        "CQXLogics::initialize: Invalid portname", QX_STATUS_ERROR);

    forgetEarlierConnection();
    const short result = g_link.initialize(callbackfunc, portName.c_str(), message);
    if (result != QX_STATUS_OK) {
        logError("CQXLogics::initialize: CDorvoLink::initialize failed");
        logError(strformat("CQXLogics::initialize: CDorvoLink::initialize return "
                           "code: %d, message: %s",
                           result, textOrEmpty(message)));
        return result;
    }
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CQXLogics::changeSettings(const char* settingsText, short durationType,
                                char* message) {
    const std::string text = textOrEmpty(settingsText);
    logOpening(strformat("CQXLogics::changeSettings(\"%s\", %d)", text.c_str(), durationType));
    settings.NewSettings(text.c_str(), durationType);
    refreshSettingsMirrors(settings, true);
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CQXLogics::verifyQX(int* verified, char* message) {
    logOpening("CQXLogics::verifyQX()");
    int unused = 0;
    int& isVerified = verified ? *verified : unused;
    isVerified = 0;
    {
        std::lock_guard<std::mutex> lock(m_identityMutex);
        QXLevel = 0;
        verifyQXStatus = 0;
    }

    short result = checkBusy(kVerifyQX, message);
    if (result != QX_STATUS_OK) return result;
    prepareCommand('X');
    result = g_link.verifyQX(kVerifyArgument, message);
    if (result != QX_STATUS_OK) {
        verifyQXStatus = 1;
        return commandRefused("verifyQX", "verifyQX", result, message);
    }
    if (waitForCallback("x", kVerifyReplyTimeoutMs) == QX_STATUS_TIMEOUT) {
        verifyQXStatus = 1;
        return failWith(message, "Timed out", "CQXLogics::verifyQX: verifyQX timed out",
                        QX_STATUS_TIMEOUT);
    }
    isVerified = 1;
    // The recorded "x" that ended the wait; a wait ended by an error or by
    // the model's current values takes the model's texts as they stand.
    const DeviceReport& x = lastWaitReport();
    const bool fromX = x.sequence != 0 && std::string(x.command) == "x";
    {
        std::lock_guard<std::mutex> lock(m_identityMutex);
        verifyQXStatus = 3;
        QXLevel = 1;
        copyField(m_szMasterVersion, fromX ? x.masterVersion : g_strMasterVersion.get());
        copyField(m_szSupportedCommands,
                  fromX ? x.supportedCommands : g_strSupportedCommands.get());
    }
    logTrace("CQXLogics::verifyQX: Master Version: " + masterVersion());
    logTrace("CQXLogics::verifyQX: Supported Commands: " + supportedCommands());
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CQXLogics::exit(char* message) {
    logOpening("CQXLogics::exit()");
    if (!m_bInitiated)
        return failWith(message, "Already de-initiated",
                        "CQXLogics::exit: Already de-initiated", QX_STATUS_ERROR);
    logTrace("CQXLogics::exit(): Calling the exit function which will uninitiate "
             "the underlying communication layer.");
    // No application callback starts from here on; one that runs is waited
    // for, unless this is its own thread.
    stopDelivery();
    const short result = g_link.exit(message);
    if (result != QX_STATUS_OK) {
        g_eventDelivery.start();
        logError(strformat("CQXLogics::exit: Exit failed, return code = %d, "
                           "message = %s",
                           result, textOrEmpty(message)));
        return result;
    }
    logTrace("CQXLogics::exit: setting callback functions to 0.");
    clearReceivers();
    g_strPreviousCallback.clear();
    g_bForceNextStatusEvent.store(true, std::memory_order_relaxed);
    logTrace("CQXLogics::exit: done setting callback functions to 0.");
    logTrace("CQXLogics::exit: setting m_bInitiated = false and g_QXState = "
             "QXS_UNINITIATED");
    m_bInitiated = false;
    g_QXState.store(QXS_UNINITIATED, std::memory_order_relaxed);
    letGoOfModuleWhenUnused();
    setMessage(message, "Done");
    logTrace("CQXLogics::exit: returning ok");
    return QX_STATUS_OK;
}

void CQXLogics::stopDelivery() {
    const bool fromCallback = onEventDeliveryThread();
    const EventDelivery::Stopped stopped = g_eventDelivery.stop(kCallbackEndsWithinMs);
    m_bDeliveryEnded = stopped.ended;
    if (fromCallback || !stopped.wasDelivering) return;
    logInfo(strformat("CQXLogics::exit: Waited for 1 device callback(s) to leave the library, "
                      "%d still running",
                      stopped.ended ? 0 : 1));
}

// The extra reference goes once no thread can run this library's code any
// more: the delivery thread has ended and the device library, whose
// threads call back, is gone.  Otherwise it stays until the process ends.
void CQXLogics::letGoOfModuleWhenUnused() {
    if (m_bKeptLoaded) return;
    if (m_bDeliveryEnded && !g_link.mayStillCallBack() && handlersRunning() == 0) {
        qxplat::releaseOwnModule();
        return;
    }
    m_bKeptLoaded = true;
    logInfo("CQXLogics::exit: The library stays loaded until the process ends: a callback or "
            "the device library may still run its code.");
}

// The device never opened, so it never calls back: only the delivery
// thread, idle, is to be ended.
void CQXLogics::letGoOfDeliveryAndModule() {
    stopDelivery();
    if (!m_bKeptLoaded && m_bDeliveryEnded) qxplat::releaseOwnModule();
}
