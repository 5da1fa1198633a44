// log_line.cpp - the markers of the log kinds, their switches, and the
// prefix and time stamp of a line.
#include "logging/log_line.h"

#include <cstring>

#include "logging/log.h"
#include "logging/log_calendar.h"
#include "logging/log_switches.h"
#include "logging/strformat.h"

namespace qxlog {

const char* activeMarker(int kind) {
    switch (kind) {
        case CrToApi: return g_LogCRToCAPI ? "=>" : nullptr;
        case ApiToCr: return g_LogCAPIToCR ? "<=" : nullptr;
        case ApiToCom: return g_LogCAPIToCom ? "->" : nullptr;
        case ComToApi: return g_LogComToCAPI ? "<-" : nullptr;
        case Debug: return g_LogDebug ? "==" : nullptr;
        case Error:
        case Failure: return "!!";
        case Info: return "##";
        default: return nullptr;
    }
}

namespace {

// Appends `value` with at least `width` digits, zeros in front: what
// "%.2d" and "%03d" give for the non-negative fields of a time stamp.
void appendPadded(std::string& line, int value, int width) {
    char digits[12];
    int count = 0;
    unsigned rest = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (count < width) digits[count++] = '0';
    while (count > 0) line += digits[--count];
}

}  // namespace

std::string formatLine(const qxplat::LocalTime& now, int file, const char* marker,
                       const char* text) {
    // Built by appends: this runs for every line, and a formatting pass
    // costs about as much as handing the line to the file.
    std::string line;
    if (file == ErrorLog) line = strformat("%s %s", dateText(now).c_str(), weekdayName(now));
    const char* body = text ? text : "";
    line.reserve(line.size() + 20 + std::strlen(marker) + std::strlen(body));
    line += 'w';
    appendPadded(line, weekNumber(now), 2);
    line += ' ';
    appendPadded(line, now.hour, 2);
    line += ':';
    appendPadded(line, now.minute, 2);
    line += ':';
    appendPadded(line, now.second, 2);
    line += '.';
    appendPadded(line, now.millisecond, 3);
    line.append(" ").append(marker).append(" ");
    // The text is appended, never a format: a '%' in it stays as is.
    return line.append(body).append("\n");
}

}  // namespace qxlog
