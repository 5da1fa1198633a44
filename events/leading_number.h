// leading_number.h - the decimal conversion used on device texts: the
// number at the start of a text, as the C library's atoi reads it, but
// bounded and without undefined behaviour.
#ifndef QX_LEADING_NUMBER_H
#define QX_LEADING_NUMBER_H

#include <string>

// Leading white space, an optional sign, then decimal digits; 0 when there
// are no digits.  Values beyond the int range saturate at INT_MIN/INT_MAX.
int leadingNumber(const std::string& text);

// Bounds-checked substring: "" when pos lies beyond the end, and never
// more than the text holds.
std::string fieldAt(const std::string& text, std::size_t pos,
                    std::size_t length = std::string::npos);

#endif  // QX_LEADING_NUMBER_H
