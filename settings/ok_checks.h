// ok_checks.h - the start-up line that names the OK checks a session runs
// without (PayOutOkCheck, ChangeOkCheck, RegretOkCheck): with one off,
// "Done" for that cash move only means the device started it.
//
// Called by CQXLogics::init on the application's thread, in the call that
// holds the turn, once the settings file and initSettings are applied.
#ifndef QX_OK_CHECKS_H
#define QX_OK_CHECKS_H

#include <string>

class CQXSettings;

// The names of the OK checks that are off, in id order, joined by ", ";
// "" when all three are on.
std::string okChecksOff(const CQXSettings& settings);

// Logs one information line naming them, nothing when all three are on.
void logOkChecksOff(const CQXSettings& settings);

#endif  // QX_OK_CHECKS_H
