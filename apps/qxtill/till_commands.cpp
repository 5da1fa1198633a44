// till_commands.cpp - parsing of the interactive till's typed commands.
#include "till_commands.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace till {
namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

Command invalid(const std::string& why) {
    Command command;
    command.verb = Verb::Invalid;
    command.error = why;
    return command;
}

bool allDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// Operator and password numbers: 0 to 99 (the device takes two digits).
bool parseLoginNumber(const std::string& word, short& value, std::string& error) {
    if (!allDigits(word) || word.size() > 2) {
        error = "'" + word + "' is not an operator or password number (0 to 99)";
        return false;
    }
    value = static_cast<short>(std::stoi(word));
    return true;
}

Command parseLogin(const std::vector<std::string>& words) {
    Command command;
    command.verb = Verb::Login;
    if (words.size() == 1) return command;
    if (words.size() != 3) return invalid("login takes no arguments or an operator and a password: login 1 1");
    std::string error;
    if (!parseLoginNumber(words[1], command.user, error) ||
        !parseLoginNumber(words[2], command.password, error))
        return invalid(error);
    return command;
}

Command parseWithAmount(Verb verb, const std::vector<std::string>& words) {
    if (words.size() != 2)
        return invalid(words[0] + " takes one amount in minor units, e.g. " + words[0] + " 1250");
    Command command;
    command.verb = verb;
    std::string error;
    if (!parseAmount(words[1], command.amount, error)) return invalid(words[0] + ": " + error);
    return command;
}

Command parseBare(Verb verb, const std::vector<std::string>& words) {
    if (words.size() != 1) return invalid(words[0] + " takes no arguments");
    Command command;
    command.verb = verb;
    return command;
}

}  // namespace

bool parseAmount(const std::string& word, int& amount, std::string& error) {
    if (!word.empty() && word[0] == '-') {
        error = "amounts cannot be negative";
        return false;
    }
    if (!allDigits(word)) {
        error = "'" + word + "' is not an amount: give whole minor units, e.g. 1250 for 12.50";
        return false;
    }
    std::size_t start = word.find_first_not_of('0');
    std::string digits = start == std::string::npos ? "0" : word.substr(start);
    if (digits.size() > 8) {
        error = "amount too big: at most " + std::to_string(kMaxAmount);
        return false;
    }
    amount = std::stoi(digits);
    return true;
}

Command parseCommand(const std::string& line) {
    std::vector<std::string> words = splitWords(line);
    if (words.empty()) return Command{};
    std::string verb = lowerCase(words[0]);
    words[0] = verb;
    if (verb == "help" || verb == "?") return parseBare(Verb::Help, words);
    if (verb == "login") return parseLogin(words);
    if (verb == "logout") return parseBare(Verb::Logout, words);
    if (verb == "pay") return parseWithAmount(Verb::Pay, words);
    if (verb == "insert") return parseWithAmount(Verb::Insert, words);
    if (verb == "refund") return parseWithAmount(Verb::Refund, words);
    if (verb == "regret" || verb == "cancel") return parseBare(Verb::Regret, words);
    if (verb == "status") return parseBare(Verb::Status, words);
    if (verb == "levels") return parseBare(Verb::Levels, words);
    if (verb == "reset") return parseBare(Verb::Reset, words);
    if (verb == "quit" || verb == "exit") return parseBare(Verb::Quit, words);
    return invalid("unknown command '" + words[0] + "' (type help for the list)");
}

const char* commandHelp() {
    return "Commands (amounts in minor units, 1250 = 12.50):\n"
           "  login [USER PASSWORD]  open the device for an operator (default 1 1)\n"
           "  pay AMOUNT             start a sale of AMOUNT: pay-in is enabled\n"
           "  insert AMOUNT          the customer inserts cash (simulator only);\n"
           "                         once enough is paid in the sale is settled\n"
           "  regret                 the customer changes their mind: all cash back\n"
           "  refund AMOUNT          pay AMOUNT out to the customer\n"
           "  status                 device open?, command level, till state\n"
           "  levels                 cash held by the device\n"
           "  reset                  reset the device (after an error)\n"
           "  logout                 close the device for the operator\n"
           "  quit                   leave the till (end of input does the same)\n"
           "  help                   this list\n";
}

}  // namespace till
