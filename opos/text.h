// text.h - texts between COM's BSTRs and the driver's narrow strings, in
// the process's ANSI code page as the driver's texts are.
#ifndef QX_OPOS_TEXT_H
#define QX_OPOS_TEXT_H

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace qxopos {

std::string fromBstr(const wchar_t* text);
BSTR toBstr(const std::string& text);

}  // namespace qxopos

#endif  // QX_OPOS_TEXT_H
