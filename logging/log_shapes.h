// log_shapes.h - the shapes of the library's own log lines, each named
// once: which kind a line is and which files it goes to.  Every line of
// these shapes is written through here, so one search finds every error
// line and a change to a shape's kind or files is one edit.
//
//   shape     kind      files               written for
//   opening   CrToApi   qxlogic             a core method entered
//   trace     Debug     qxlogic             what an operation does next
//   error     Error     qxlogic, qxerror    something went wrong here
//   failure   Failure   qxlogic, qxerror    a step called from here failed
//   info      Info      qxlogic             settings and the library's banner
//   banner    Info      the file named      the session's start and end
//
// The text is written as it is (a '%' stays); logTracef formats only while
// traces are switched on.
#ifndef QX_LOG_SHAPES_H
#define QX_LOG_SHAPES_H

#include <string>

#include "logging/log.h"        // LogFile, for the banners
#include "logging/strformat.h"  // QX_PRINTF_LIKE

// A line's text, a literal or a string, passed on without a copy.
class LineText {
public:
    LineText(const char* text) : m_text(text) {}
    LineText(const std::string& text) : m_text(text.c_str()) {}
    const char* c_str() const { return m_text; }

private:
    const char* m_text;
};

void logOpening(LineText text);
void logTrace(LineText text);
void logTracef(const char* format, ...) QX_PRINTF_LIKE(1, 2);
void logError(LineText text);
void logFailure(LineText text);
void logInfo(LineText text);

// One banner line to one LogFile; the rule is a line of 62 '='.
void logBanner(LineText text, int file);
void logBannerRule(int file);

#endif  // QX_LOG_SHAPES_H
