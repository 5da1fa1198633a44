// info_queries.cpp - the information queries: the oldest queued error,
// cash-level and cash-session texts, handed to the application's buffers.
// They send nothing to the device and always answer QX_STATUS_OK; an empty
// queue reads as an empty text.
#include <string>

#include "core/cqxlogics.h"
#include "events/info_queues.h"
#include "events/parsers.h"
#include "logging/caller_text.h"
#include "logging/log_shapes.h"

short CQXLogics::getErrorInfo(char* errorText, char* extInfo) {
    std::string text;
    retrieveFromErrorQueue(text);
    copyToCaller(errorText, text);
    copyToCaller(extInfo, "ErrorInfo Not set");
    return QX_STATUS_OK;
}

short CQXLogics::getCashLevelInfo(char* extInfo) {
    logOpening("CQXLogics::getCashLevelInfo() starting");
    std::string text;
    retrieveFromCashLevelWarningsQueue(text);
    copyToCaller(extInfo, text);
    logTrace("CQXLogics::getCashLevelInfo() returning ok");
    return QX_STATUS_OK;
}

short CQXLogics::getLevelWarningInfo(int* warningType, char* typeString,
                                     char* denominationString, char* warningMessage,
                                     char* extInfo) {
    logOpening("CQXLogics::getLevelWarningInfo() starting");
    std::string text;
    retrieveFromCashLevelWarningsQueue(text);
    // What the parser does not reach keeps the caller's value.
    CashLevels levels;
    if (warningType) levels.warningType = *warningType;
    getCashLevels(text, levels);
    if (warningType) *warningType = levels.warningType;
    copyToCaller(typeString, levels.typeString);
    copyToCaller(denominationString, levels.denominationString);
    copyToCaller(warningMessage, levels.warningMessage);
    copyToCaller(extInfo, text);
    logTrace("CQXLogics::getLevelWarningInfo() returning ok");
    return QX_STATUS_OK;
}

short CQXLogics::getCashSessionInfo(char* extInfo) {
    std::string text;
    retrieveFromCashSessionQueue(text);
    copyToCaller(extInfo, text);
    return QX_STATUS_OK;
}
