// sim_texts.h - the callback texts a simulated recycler sends: status
// reports, error, cash-level and cash-session texts, the verification
// reply.  Amounts are minor units; the device counts two decimals.
#ifndef QX_SIM_TEXTS_H
#define QX_SIM_TEXTS_H

#include <string>

namespace qxsim {

// Letter, eight amount digits, status digit, mode digit, extInfo.
std::string statusText(char letter, int amount, int status, int mode,
                       const std::string& extInfo = std::string());

// A denomination in major units as the device writes it: 2000 -> "20",
// 50 -> "0,50", 5 -> "0,05".
std::string denominationText(int denomination);

// Cash-level texts, 16 characters or more.  Low/empty: two-digit count,
// a space, the denomination ("05 20", "00 0,50").  High: the denomination
// from position 0 with position 2 never a space ("100 HIGH", "20,00 HIGH").
std::string lowLevelText(int count, int denomination);
std::string highLevelText(int denomination);

// Error text, 16 characters or more, the code at positions 14-15.
std::string errorText(int code);

// Cash-session text: "CR/WD" and the like followed by eight amount digits.
std::string sessionText(const char* type, long long amount);

// The reply to "x": 17 filler characters, the version as four digits
// (123 -> "0123", read as "01.23"), then the supported command letters.
std::string verifyText(int version);
extern const char* const SIM_SUPPORTED_COMMANDS;

}  // namespace qxsim

#endif  // QX_SIM_TEXTS_H
