// caller_text.h - writing texts into buffers the application owns: the
// message texts, translated through the language table (translate.h), and
// the values a call hands back.
//
// The application promises QX_BUFFER_CAPACITY bytes (include/qxlogics.h);
// every copy is cut to fit, so neither a long translation nor a device text
// can overrun the buffer.  A null buffer is skipped.
#ifndef QX_CALLER_TEXT_H
#define QX_CALLER_TEXT_H

#include <cstddef>
#include <string>

#include "qxlogics.h"

void copyToCaller(char* buffer, const char* text,
                  std::size_t capacity = QX_BUFFER_CAPACITY);
void copyToCaller(char* buffer, const std::string& text,
                  std::size_t capacity = QX_BUFFER_CAPACITY);

// Copies the translation of an English message text (TranslateText).
void setMessage(char* message, const char* englishText);

// The caller's text for log lines: a null text reads as the empty text.
inline const char* textOrEmpty(const char* text) { return text ? text : ""; }

#endif  // QX_CALLER_TEXT_H
