// parsers.h - reading the texts of a device callback: its fields, and the
// error, cash-session and cash-level texts that ride inside one.
//
// Called by the callback handler and the event senders on the device
// library's thread, and by getLevelWarningInfo on the application's.  Each
// returns QX_STATUS_OK (0) or QX_STATUS_ERROR (2), with an error line
// naming the fault; nothing throws.
#ifndef QX_PARSERS_H
#define QX_PARSERS_H

#include <cstddef>
#include <string>

// Splits a callback into its letter, amount or rest, status, mode and the
// text after them.  An unknown letter is no fault here: the handler
// reports it.
short formatCallbackArg(const std::string& callback, std::string& command,
                        int& amountOrRest, int& nStatus, int& nMode,
                        std::string& extInfo);

// Error code of an error text (errorCode 0 on failure).
short getErrorCode(const std::string& extInfo, int& errorCode);

// Session type (0 "BO/WD" .. 4 "QuaxV") and amount of a cash-session text.
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
// Fields not reached keep what the caller put in them.  A text of the low
// or empty form also sets g_nCurrentLowLevelWarningState to
// LOW_LEVEL_WARNING_TRUE, before its denomination is read: cash is low
// whatever the rest of the text says.
short getCashLevels(const std::string& text, CashLevels& levels);

// The denomination at start of a cash-level text, in minor units, with its
// text as written and the trimmed rest after it.
short getDenomination(const std::string& text, std::size_t start,
                      int& denomination, std::string& denominationString,
                      std::string& rest);

#endif  // QX_PARSERS_H
