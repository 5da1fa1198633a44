// dorvo_link.cpp - loading and unloading the device communication library,
// opening and closing the connection, and the send routine that turns a
// device answer into a status code.  The three entry slots are
// process-wide: they belong to the loaded module, not to a link object.
#include "link/dorvo_link.h"

#include "link/callbacks_in_progress.h"
#include "logging/caller_text.h"
#include "logging/log.h"
#include "logging/log_shapes.h"
#include "logging/strformat.h"

const char* const QX_ENTRY_INITIATE = "qx_initiate2";
const char* const QX_ENTRY_SEND = "?qx_002@@YGXPAD0@Z";
const char* const QX_ENTRY_CLOSE = "?qx_dini@@YGXXZ";

CDorvoLink g_link;

namespace {

QXInitiateEntry s_pfnInitiate = nullptr;
QXSendEntry s_pfnSend = nullptr;
QXCloseEntry s_pfnClose = nullptr;
// An address inside the last device library bound, kept after unloading.
const void* s_deviceCode = nullptr;

void clearSlots() {
    s_pfnInitiate = nullptr;
    s_pfnSend = nullptr;
    s_pfnClose = nullptr;
}

// Status code and message text for the third character of an answer.
struct AnswerCode {
    short status;
    const char* text;
};

AnswerCode mapAnswer(const char* answer) {
    if (answer[0] == '\0' || answer[1] == '\0') return {QX_STATUS_SEND_FAILED, "Send failed"};
    switch (answer[2]) {
    case '0': return {QX_STATUS_OK, "Done"};
    case '1': return {QX_STATUS_BUSY, "Busy"};
    case '2': return {QX_STATUS_ERROR, "Error"};
    case '3': return {QX_STATUS_CLOSED, "Closed"};
    default: return {QX_STATUS_SEND_FAILED, "Send failed"};
    }
}

}  // namespace

short CDorvoLink::loadTheComLibrary(char* message) {
    logTrace("CDorvoLink::loadTheComLibrary: Calling LoadLibrary(DorvoLINK)");
    m_hModule = qxplat::loadLibrary("DorvoLINK");
    if (!m_hModule) {
        logError("CDorvoLink::loadTheComLibrary: Failed to open DorvoLINK library");
        setMessage(message, "Failed to get dll handle");
        return QX_STATUS_ERROR;
    }
    s_pfnInitiate = reinterpret_cast<QXInitiateEntry>(
        qxplat::findEntry(m_hModule, QX_ENTRY_INITIATE));
    s_pfnClose = reinterpret_cast<QXCloseEntry>(qxplat::findEntry(m_hModule, QX_ENTRY_CLOSE));
    s_pfnSend = reinterpret_cast<QXSendEntry>(qxplat::findEntry(m_hModule, QX_ENTRY_SEND));

    const char* missing = nullptr;
    if (!s_pfnInitiate) missing = "qx_initiate is null";
    else if (!s_pfnClose) missing = "qx_dini is null";
    else if (!s_pfnSend) missing = "qx_002 is null";
    s_deviceCode = reinterpret_cast<const void*>(s_pfnSend);
    if (missing) {
        // Never leave a half-bound library behind.
        qxplat::freeLibrary(m_hModule);
        m_hModule = nullptr;
        clearSlots();
        setMessage(message, missing);
        return QX_STATUS_ERROR;
    }
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CDorvoLink::freeTheComLibrary(char* message) {
    if (!m_hModule) {
        setMessage(message, "Handle to library is null");
        return QX_STATUS_ERROR;
    }
    if (!qxplat::freeLibrary(m_hModule)) {
        setMessage(message, "Failed to free library");
        return QX_STATUS_ERROR;
    }
    m_hModule = nullptr;
    clearSlots();
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

bool CDorvoLink::mayStillCallBack() const {
    return m_hModule != nullptr || qxplat::codeIsLoaded(s_deviceCode);
}

short CDorvoLink::initialize(QXDeviceCallback callbackEntry, const char* portName,
                             char* message) {
    char loadMessage[QX_BUFFER_CAPACITY] = "";
    logTrace("CDorvoLink::initialize: Calling loadTheComLibrary");
    if (loadTheComLibrary(loadMessage) != QX_STATUS_OK) {
        copyToCaller(message, loadMessage);
        return QX_STATUS_ERROR;
    }

    // The initiate entry writes into the buffer that still holds the load
    // text; a library that writes no answer leaves that text in place.
    char answer[QX_DEVICE_ANSWER_SIZE] = "";
    copyToCaller(answer, loadMessage, sizeof answer);
    logTrace("CDorvoLink::initialize: Calling my_qx_initiate");
    short result = my_qx_initiate(callbackEntry, portName, answer);
    if (result != 0) {
        logError("CDorvoLink::initialize: my_qx_initiate returned error");
        logError(strformat("CDorvoLink::initialize: my_qx_initiate returned error, portName: "
                           "%s, ans: %s, nReturn: %d",
                           textOrEmpty(portName), answer, result));
        // The device library's own text, untranslated.
        copyToCaller(message, answer);
        return result;
    }
    setMessage(message, "Done");
    logTrace("CDorvoLink::initialize: returning QX_STATUS_OK");
    return QX_STATUS_OK;
}

short CDorvoLink::exit(char* message) {
    logTrace("CDorvoLink::exit: Calling my_qx_dini");
    short result = my_qx_dini(message);
    if (result != QX_STATUS_OK) {
        logTrace("CDorvoLink::exit: my_qx_dini returned error, returning the same error code");
        return result;
    }
    int running = g_nCallbacksInProgress.load();
    if (running >= 1) {
        // Unloading now would pull the code out from under the running
        // callback; the module stays until the process ends.
        logTracef("CDorvoLink::exit: NOT calling freeTheComLibrary since we're currently "
                  "processing (%d) callback function(s) in that library.",
                  running);
    } else {
        char freeMessage[QX_BUFFER_CAPACITY] = "";
        logTrace("CDorvoLink::exit: Calling freeTheComLibrary");
        if (freeTheComLibrary(freeMessage) != QX_STATUS_OK) {
            logTrace("CDorvoLink::exit: freeTheComLibrary returned error, returning error "
                     "code QX_STATUS_ERROR");
            copyToCaller(message, freeMessage);
            return QX_STATUS_ERROR;
        }
    }
    logTrace("CDorvoLink::exit: Done, returning QX_STATUS_OK");
    setMessage(message, "Done");
    return QX_STATUS_OK;
}

short CDorvoLink::my_qx_002(const char* command, char* answer, char* message) {
    WriteLog(command, ApiToCom, LogicLog);
    // The entry takes a writable text; hand it a copy of ours.
    std::string text(command);
    answer[0] = '\0';
    s_pfnSend(&text[0], answer);
    answer[QX_DEVICE_ANSWER_SIZE - 1] = '\0';
    AnswerCode code = mapAnswer(answer);
    setMessage(message, code.text);
    return code.status;
}

short CDorvoLink::my_qx_initiate(QXDeviceCallback callbackEntry, const char* portName,
                                 char* answer) {
    short result = 0;
    std::string port(textOrEmpty(portName));
    s_pfnInitiate(callbackEntry, &port[0], answer, &result);
    answer[QX_DEVICE_ANSWER_SIZE - 1] = '\0';
    return result;
}

short CDorvoLink::my_qx_dini(char* message) {
    if (!s_pfnClose) {
        setMessage(message, "qx_dini is null");
        return QX_STATUS_ERROR;
    }
    s_pfnClose();
    return QX_STATUS_OK;
}
