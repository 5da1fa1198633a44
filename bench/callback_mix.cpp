// callback_mix.cpp - the texts of the callback mix and the plain peer that
// splits them.
#include "bench/callback_mix.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qxbench {
namespace {

// Letter, eight amount digits, status digit, mode digit, extInfo.
std::string report(char letter, int amount, int status, int mode, const char* extInfo = "") {
    char text[128];
    std::snprintf(text, sizeof text, "%c%08d%d%d%s", letter, amount, status, mode, extInfo);
    return text;
}

// Cash-level and error texts are at least 16 characters.
const char* const kHigh = "20,00 HIGH      ";
const char* const kLow = "05 20           ";
const char* const kEmpty = "00 0,50         ";
const char* const kNoteJam = "Note jam      01";

std::vector<std::string> buildMix() {
    return {
        report('a', 0, 3, 1),                           // idle, pay-in disabled
        report('a', 0, 0, 1),                           // pay-in enabled
        report('a', 0, 0, 1),                           // repeated
        report('a', 500, 0, 1),                         // a coin
        report('a', 1500, 0, 1),                        // a note
        report('a', 1500, 0, 1),                        // repeated
        report('a', 3500, 0, 1),                        // another note
        report('b', 3500, 0, 1, kHigh),                 // that note's level is high
        report('a', 3500, 1, 1),                        // busy: paying back
        report('b', 3500, 1, 1, kLow),                  // a denomination runs low
        report('b', 3500, 1, 1, kEmpty),                // another runs out
        report('b', 3500, 1, 1, kEmpty),                // repeated
        report('a', 0, 3, 1),                           // idle again
        report('b', 0, 3, 1, "CR/WD00002250"),          // session: paid out
        report('b', 0, 3, 1, "CR/RF00003500"),          // session: booked
        report('b', 0, 2, 1, kNoteJam),                 // error
        report('b', 0, 2, 1, kNoteJam),                 // repeated
        report('a', 0, 3, 1),                           // after the reset
        report('b', 0, 3, 1, "QuaxVault restarted"),    // session: restarted
        report('a', 0, 3, 0),                           // closed at logout
    };
}

}  // namespace

const std::vector<std::string>& callbackMix() {
    static const std::vector<std::string> mix = buildMix();
    return mix;
}

long splitWithStrtol(const std::string& text) {
    char copy[256];
    const std::size_t length = text.size() < sizeof copy - 1 ? text.size() : sizeof copy - 1;
    std::memcpy(copy, text.data(), length);
    copy[length] = '\0';
    if (length < 11) return -1;
    char field[9];
    std::memcpy(field, copy + 1, 8);
    field[8] = '\0';
    const long amount = std::strtol(field, nullptr, 10);
    const char status[2] = {copy[9], '\0'};
    const char mode[2] = {copy[10], '\0'};
    std::string extInfo(copy + 11, length - 11);
    return amount + std::strtol(status, nullptr, 10) + std::strtol(mode, nullptr, 10) +
           static_cast<long>(extInfo.size()) + copy[0];
}

}  // namespace qxbench
