// strformat.h - printf-style formatting into a std::string, for the log
// texts that are written with %d and %s conversions.
#ifndef QX_STRFORMAT_H
#define QX_STRFORMAT_H

#include <string>

#if defined(__GNUC__)
#define QX_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#define QX_PRINTF_LIKE(f, a)
#endif

#include <cstdarg>

std::string strformat(const char* format, ...) QX_PRINTF_LIKE(1, 2);
std::string vstrformat(const char* format, va_list args);

#endif  // QX_STRFORMAT_H
