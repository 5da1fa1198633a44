// callback_handler.h - the entry the device library calls with each
// callback text, and the parsers for the texts inside a callback.
#ifndef QX_CALLBACK_HANDLER_H
#define QX_CALLBACK_HANDLER_H

#include <string>

#include "link/dorvo_link.h"

// The callback entry handed to the device library; always returns 1.
// Any number of device threads may call it at once.
int QX_CALLBACK_CALL callbackfunc(char* text);

// True on a thread that is inside callbackfunc: an application callback
// calling back into the exports.
bool onDeviceCallbackThread();

// How many threads are inside callbackfunc now: code of this library that
// must not be unloaded under them.
int handlersRunning();

// Splits a callback; 0 or 2.
short formatCallbackArg(const std::string& callback, std::string& command,
                        int& amountOrRest, int& nStatus, int& nMode,
                        std::string& extInfo);
// Error code of an error text; 0 or 2 (errorCode 0 on failure).
short getErrorCode(const std::string& extInfo, int& errorCode);
// Session type and amount of a cash-session text; 0 or 2.
short getSessionInfo(const std::string& extInfo, short& infoType, int& amount);

struct CashLevels {
    int numberOf = 0;
    int denomination = 0;
    int warningType = 0;
    std::string typeString;
    std::string denominationString;
    std::string warningMessage;
};
// Parses a cash-level text; 0, 2 or getDenomination's failure code.
// Fields not reached keep what the caller put in them.
short getCashLevels(const std::string& text, CashLevels& levels);
short getDenomination(const std::string& text, std::size_t start,
                      int& denomination, std::string& denominationString,
                      std::string& rest);

#endif  // QX_CALLBACK_HANDLER_H
