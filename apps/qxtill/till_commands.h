// till_commands.h - the interactive till's command language: one typed
// line in, one parsed command (or a readable complaint) out.
#ifndef QXTILL_COMMANDS_H
#define QXTILL_COMMANDS_H

#include <string>

namespace till {

enum class Verb {
    Empty,    // blank line: nothing to do
    Invalid,  // see Command::error
    Help, Login, Logout, Pay, Insert, Regret, Refund, Status, Levels, Reset, Quit
};

struct Command {
    Verb verb = Verb::Empty;
    int amount = 0;        // pay, insert, refund: minor units
    short user = 1;        // login
    short password = 1;    // login
    std::string error;     // Invalid: what was wrong, for the cashier
};

// The largest amount a device command carries (eight digits).
constexpr int kMaxAmount = 99999999;

// Parses one line.  Words are separated by blanks; the verb is not case
// sensitive.  Never throws.
Command parseCommand(const std::string& line);

// A whole, non-negative amount in minor units, at most kMaxAmount.
// On failure returns false and says why in error.
bool parseAmount(const std::string& word, int& amount, std::string& error);

// The help text listing every command.
const char* commandHelp();

}  // namespace till

#endif  // QXTILL_COMMANDS_H
