// sim_texts.cpp - formatting of the simulated device's callback texts.
#include "sim/sim_texts.h"

#include <cstdio>

namespace qxsim {

namespace {

std::string padTo16(std::string text) {
    if (text.size() < 16) text.append(16 - text.size(), ' ');
    return text;
}

std::string eightDigits(long long value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%08lld", value < 0 ? 0 : value % 100000000);
    return digits;
}

const char* errorName(int code) {
    switch (code) {
    case 1: return "Note jam";
    case 2: return "Coin jam";
    case 3: return "Cash box full";
    case 4: return "Cash box out";
    case 5: return "Door open";
    case 6: return "No cassette";
    case 12: return "Payout failed";
    default: return "Device fault";
    }
}

}  // namespace

const char* const SIM_SUPPORTED_COMMANDS = "abcdefghx1234";

std::string statusText(char letter, int amount, int status, int mode,
                       const std::string& extInfo) {
    return std::string(1, letter) + eightDigits(amount) + static_cast<char>('0' + status % 10) +
           static_cast<char>('0' + mode % 10) + extInfo;
}

std::string denominationText(int denomination) {
    char text[32];
    if (denomination >= 100 && denomination % 100 == 0)
        std::snprintf(text, sizeof text, "%d", denomination / 100);
    else
        std::snprintf(text, sizeof text, "%d,%02d", denomination / 100, denomination % 100);
    return text;
}

std::string lowLevelText(int count, int denomination) {
    char head[16];
    std::snprintf(head, sizeof head, "%02d ", count < 0 ? 0 : (count > 99 ? 99 : count));
    return padTo16(head + denominationText(denomination));
}

std::string highLevelText(int denomination) {
    std::string text = denominationText(denomination);
    // "20 HIGH" would read as a low report of 20 items; "20,00" keeps
    // position 2 busy and still reads as twenty whole units.
    if (text.size() == 2) text += ",00";
    return padTo16(text + " HIGH");
}

std::string errorText(int code) {
    char text[32];
    std::snprintf(text, sizeof text, "%-14.14s%02d", errorName(code), code % 100);
    return text;
}

std::string sessionText(const char* type, long long amount) {
    return std::string(type) + eightDigits(amount);
}

std::string verifyText(int version) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%02d%02d", (version / 100) % 100, version % 100);
    return std::string("x") + "QUAXVAULT-SIM-001" + digits + SIM_SUPPORTED_COMMANDS;
}

}  // namespace qxsim
