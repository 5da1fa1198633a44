// log_line.h - the layout of one log line: prefix, time stamp, marker of
// the kind, text.
#ifndef QX_LOG_LINE_H
#define QX_LOG_LINE_H

#include <string>

#include "platform/platform.h"

namespace qxlog {

// The marker of a kind whose lines are written now ("=>" ... "##"); null
// for a switched-off kind or an unknown one.
const char* activeMarker(int kind);

// The whole line with its newline, e.g. "w49 14:03:07.250 => initQX(...)\n";
// lines of the error file begin with the date and weekday.
std::string formatLine(const qxplat::LocalTime& now, int file, const char* marker,
                       const char* text);

}  // namespace qxlog

#endif  // QX_LOG_LINE_H
