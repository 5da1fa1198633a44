// login.cpp - opening and closing the device for an operator (numeric and
// text login, logout with its one retry) and the two status queries isOpen
// and info, which answer from what the core already knows.
#include <cstdlib>
#include <string>

#include "core/cash_steps.h"
#include "core/cqxlogics.h"
#include "core/device_model.h"
#include "core/outcomes.h"
#include "core/precheck.h"
#include "link/dorvo_link.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"
#include "settings/settings_mirrors.h"

namespace {

constexpr int kModeWaitMs = 5000;

// login keeps only the busy step of the frame, without its error branch.
const PreCheck kLogin = {"login", "Login", 0, 3, 15000, false, false, 0};

int lastStatus() { return g_nLastCallbackStatus.load(std::memory_order_relaxed); }

// The device takes two digits: the last two of the absolute value.
short twoDigits(short value) { return static_cast<short>(std::abs(value) % 100); }

// A text login field as a number: from its last two characters, else its
// last one; a null or empty text, or one without digits there, gives 1.
short loginNumber(const char* text) {
    std::string field = textOrEmpty(text);
    if (field.empty()) return 1;
    if (field.size() > 2) field = field.substr(field.size() - 2);
    if (int value = std::atoi(field.c_str())) return static_cast<short>(value);
    const std::string last = field.substr(field.size() - 1);
    if (int value = std::atoi(last.c_str())) return static_cast<short>(value);
    return last == "0" ? 0 : 1;
}

}  // namespace

// Asks the device who it is; login goes on whatever the answer.
static void callVerifyQX(CQXLogics& logics, char* message) {
    logTrace("CQXLogics::login: calling verifyQX()");
    int verified = 0;
    const short result = logics.verifyQX(&verified, message);
    const std::string line = strformat("CQXLogics::login: VerifyQX %s: nReturn=%d, message=%s",
                                       result ? "failed" : "done", result,
                                       textOrEmpty(message));
    if (result != QX_STATUS_OK) logError(line);
    else logTrace(line);
}

short CQXLogics::login(short user, short password, char* message) {
    logOpening(strformat("CQXLogics::login(%d,%d)", user, password));
    const short op = twoDigits(user);
    const short pw = twoDigits(password);

    short result = checkBusy(kLogin, message);
    if (result == QX_STATUS_BUSY) return result;
    const bool setStateAfterOpen =
        lastStatus() == QX_DEVICE_ERROR ||
        g_QXState.load(std::memory_order_relaxed) == QXS_LOGGED_OUT;

    if (g_LegacySystem.load(std::memory_order_relaxed) == 1) {
        logTrace("CQXLogics::login: Legacy system, not calling verifyQX()");
        std::lock_guard<std::mutex> lock(m_identityMutex);
        verifyQXStatus = 0;
        QXLevel = 0;
    } else if (verifyQXStatus == 1) {
        logTrace("CQXLogics::login: Not calling verifyQX since a previous attempt to "
                 "call verifyQX timed out, most likely because the LegacySystem flag "
                 "is unset and the attached QX is an old system.");
        logTracef("CQXLogics::login: Not changing already set values for "
                  "verifyQXStatus=%d and QXLevel=%d",
                  verifyQXStatus.load(), QXLevel.load());
    } else {
        callVerifyQX(*this, message);
    }

    logTrace("CQXLogics::login: Resetting low level warning state to "
             "LOW_LEVEL_WARNING_TRUE to make sure the first payout call is made with "
             "an askPayout first.");
    g_nCurrentLowLevelWarningState.store(LOW_LEVEL_WARNING_TRUE, std::memory_order_relaxed);
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    g_nAskPayoutAmount.store(0, std::memory_order_relaxed);

    prepareCommand('A');
    result = g_link.login(op, pw, message);
    if (result != QX_STATUS_OK) {
        logError("CQXLogics::login: CDorvoLink::login failed");
        return result;
    }
    result = waitForMode(1, kModeWaitMs, false);
    if (result == QX_STATUS_TIMEOUT)
        return failWith(message, "Timed out", "CQXLogics::login: Opening timed out",
                        QX_STATUS_TIMEOUT);
    if (result == QX_STATUS_ERROR)
        return failWith(message, "QuaxVault has error(s)",
                        "CQXLogics::login: QuaxVault has error(s)", QX_STATUS_ERROR);

    if (setStateAfterOpen) {
        const int status = lastStatus();
        if (status == QX_DEVICE_IDLE_PAYIN_ENABLED)
            g_QXState.store(QXS_PAYIN_ENABLED, std::memory_order_relaxed);
        else if (status == QX_DEVICE_IDLE_PAYIN_DISABLED)
            g_QXState.store(QXS_PAYIN_DISABLED, std::memory_order_relaxed);
        else
            logTracef("CQXLogics::login: Last callback status == unexpected! "
                      "g_nLastCallbackStatus=%d",
                      status);
    }

    if (g_LegacySystem.load(std::memory_order_relaxed) == 0 &&
        g_AutoDisable.load(std::memory_order_relaxed) == 1) {
        result = disablePayin(message);
        if (result != QX_STATUS_OK)
            logError(strformat("CQXLogics::login: AutoDisable failed: nReturn=%d, "
                               "message=%s",
                               result, textOrEmpty(message)));
    }
    return done(message);
}

short CQXLogics::login(const char* user, const char* password, char* message) {
    logOpening(std::string("CQXLogics::login(") + textOrEmpty(user) + "," +
               textOrEmpty(password) + ")");
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    const short op = loginNumber(user);
    const short pw = loginNumber(password);
    logTracef("CQXLogics::login calling numeric login with params(%d,%d)", op, pw);
    const short result = login(op, pw, message);
    if (result != QX_STATUS_OK) {
        logError(strformat("CQXLogics::login: Login failed, return code = %d, "
                           "message = %s",
                           result, textOrEmpty(message)));
        return result;
    }
    return done(message);
}

short CQXLogics::logout(char* message) {
    logOpening("CQXLogics::logout()");
    g_bAskPayoutDone.store(false, std::memory_order_relaxed);
    prepareCommand('B');
    short result = g_link.logout(message);
    if (result == QX_STATUS_BUSY) {
        logTrace("CQXLogics::logout: Quaxvault was Busy. Wait for Ok and try again");
        if (waitForStatus(0, 3, statusOkTimeoutMs()) == QX_STATUS_TIMEOUT)
            return failWith(message, "QuaxVault is busy",
                            "CQXLogics::logout: QuaxVault is still busy", QX_STATUS_BUSY);
        logTrace("CQXLogics::logout() internal class dorvoLink.logout was busy, now "
                 "trying again");
        result = g_link.logout(message);
    }
    if (result != QX_STATUS_OK) {
        logError(strformat("CQXLogics::logout: CDorvoLink::logout failed, return "
                           "code = %d, message = %s",
                           result, textOrEmpty(message)));
        return result;
    }
    // A device in error does not end this wait: only mode 0 or time does.
    if (waitForMode(0, kModeWaitMs, true) == QX_STATUS_TIMEOUT)
        return failWith(message, "Timed out",
                        "CQXLogics::logout: Closing timed out, returning QX_STATUS_TIMEOUT",
                        QX_STATUS_TIMEOUT);
    g_QXState.store(QXS_LOGGED_OUT, std::memory_order_relaxed);
    return done(message);
}

short CQXLogics::isOpen(int* open, char* message) {
    logOpening("CQXLogics::isOpen()");
    const int value = g_bIsOpen.load(std::memory_order_relaxed) ? 1 : 0;
    if (open) *open = value;
    logTracef("CQXLogics::isOpen status = %d.", value);
    return done(message);
}

short CQXLogics::info(int* level, char* commands, char* master, char* infoText,
                      char* message) {
    logOpening("CQXLogics::info()");
    std::string commandsText, masterText, infoValue;
    int levelNow;
    {
        // The level and its texts as one identification set them.
        std::lock_guard<std::mutex> lock(m_identityMutex);
        levelNow = QXLevel;
        if (levelNow == 0) {
            commandsText = "ABCDEF";  // the basic command letters
        } else if (levelNow == 1) {
            commandsText = m_szSupportedCommands;
            masterText = m_szMasterVersion;
            infoValue = "QuaxVault";
        }
    }
    if (level) *level = levelNow;
    copyToCaller(commands, commandsText);
    copyToCaller(master, masterText);
    copyToCaller(infoText, infoValue);
    done(message);
    logTracef("CQXLogics::info: level=%d, commands=\"%s\", master=\"%s\", "
              "info=\"%s\", message=\"%s\".",
              levelNow, commandsText.c_str(), masterText.c_str(),
              infoValue.c_str(), textOrEmpty(message));
    return QX_STATUS_OK;
}
