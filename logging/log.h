// log.h - the one way every part of the library writes a log line.
//
// WriteLog writes one line of a kind to one of the three rotating log
// files; WriteLog2 writes the same line to two files.  The text is always
// an argument of the line format, never the format, so a '%' in it is
// written as it is.  A line of a kind that is switched off costs a look
// at its switch and nothing more.
#ifndef QX_LOG_H
#define QX_LOG_H

#include <cstdarg>
#include <string>

#include "logging/strformat.h"  // QX_PRINTF_LIKE

enum LogKind {
    CrToApi = 0,  // "=>" a call entering the library
    ApiToCr = 1,  // "<=" something handed back to the application
    ApiToCom = 2, // "->" a command to the device library
    ComToApi = 3, // "<-" a callback from the device library
    Debug = 4,    // "==" trace lines
    Error = 5,    // "!!" always written
    Failure = 6,  // "!!" always written
    Info = 7      // "##" always written
};

enum LogFile {
    ApiLog = 0,   // "qxapi"
    LogicLog = 1, // "qxlogic"
    ErrorLog = 2  // "qxerror"
};

// Whether lines of this kind are written now: a switchable kind while its
// switch is on, Error, Failure and Info always, any other kind never.  A
// caller that builds its text looks here first.
bool LogKindOn(int kind);

void WriteLog(const char* text, int kind, int file);
void WriteLog(const std::string& text, int kind, int file);
// printf-style; the text is formatted only when the kind is on.
void WriteLogf(int kind, int file, const char* format, ...) QX_PRINTF_LIKE(3, 4);
void WriteLogv(int kind, int file, const char* format, va_list args);
void WriteLog2(const char* text, int kind, int fileA, int fileB);
void WriteLog2(const std::string& text, int kind, int fileA, int fileB);

// Test support: forget the current log files so that the next line opens
// them afresh (for example after QXLOGS was changed).
void resetLogFilesForTesting();

#endif  // QX_LOG_H
