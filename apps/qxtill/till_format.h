// till_format.h - how the till writes codes, money and device states for
// people: status-code names, amounts in major units, status and mode words.
#ifndef QXTILL_FORMAT_H
#define QXTILL_FORMAT_H

#include <string>

namespace till {

// "QX_STATUS_OK" for 0 ... "QX_STATUS_NOT_SUPPORTED" for 12, "code 13" else.
std::string statusCodeName(int code);

// "0 QX_STATUS_OK"
std::string codeAndName(int code);

// "0 QX_STATUS_OK: Done" - a call's result as the till prints it.
std::string formatResult(int code, const std::string& message);

// Minor units in major units with two decimals: 1250 -> "12.50".
std::string formatMoney(long long minorUnits);

// The device's status digit and mode digit in words.
std::string deviceStatusName(int status);
std::string deviceModeName(int mode);

// The cash-session type number in the device's own words ("CR/RF").
std::string sessionTypeName(int infoType);

// A cash-session or cash-level report as a shop assistant reads it:
// "this till session took in 12.50", "only 4 of the 2.00 left: refill soon".
std::string sessionTypeWords(int infoType, long long amount);
// count as the driver gives it: 0 empty, 999 high, else the items left.
std::string cashLevelWords(int denomination, int count);

}  // namespace till

#endif  // QXTILL_FORMAT_H
