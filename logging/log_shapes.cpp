// log_shapes.cpp - the kinds and files of the library's line shapes
// (log_shapes.h), on top of WriteLog and WriteLog2.
#include "logging/log_shapes.h"

#include <cstdarg>

#include "logging/log.h"

void logOpening(LineText text) { WriteLog(text.c_str(), CrToApi, LogicLog); }

void logTrace(LineText text) { WriteLog(text.c_str(), Debug, LogicLog); }

void logTracef(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogv(Debug, LogicLog, format, args);
    va_end(args);
}

void logError(LineText text) { WriteLog2(text.c_str(), Error, LogicLog, ErrorLog); }

void logFailure(LineText text) { WriteLog2(text.c_str(), Failure, LogicLog, ErrorLog); }

void logInfo(LineText text) { WriteLog(text.c_str(), Info, LogicLog); }

void logBanner(LineText text, int file) { WriteLog(text.c_str(), Info, file); }

// Built on each call: the core's destructor writes banners during static
// destruction, when a namespace-scope text may already be gone.
void logBannerRule(int file) { WriteLog(std::string(62, '='), Info, file); }
