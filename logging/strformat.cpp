// strformat.cpp - printf-style formatting into a std::string.
#include "logging/strformat.h"

#include <cstdarg>
#include <cstdio>

std::string strformat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vstrformat(format, args);
    va_end(args);
    return text;
}

std::string vstrformat(const char* format, va_list args) {
    // One pass into a buffer on the stack holds nearly every log text; a
    // longer text is formatted again at its own length.
    char small[256];
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(&text[0], text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}
