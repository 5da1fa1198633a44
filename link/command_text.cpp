// command_text.cpp - the pieces every device command is built from: the
// field separator and the two amount formats.
#include "link/dorvo_link.h"

#include <cstdio>

const std::string g_strFS(1, '\x1C');

std::string pad8(int value) {
    // A negative value keeps its sign next to the digits, after the zeros.
    std::string digits = std::to_string(value);
    if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

std::string fixed8(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", value);
    return std::string(text).substr(0, 8);
}
