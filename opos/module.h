// module.h - what the DLL as a whole keeps: its module handle and the
// count of live objects, server locks and running event threads that
// DllCanUnloadNow answers from.
#ifndef QX_OPOS_MODULE_H
#define QX_OPOS_MODULE_H

#include <windows.h>

namespace qxopos {

HMODULE thisModule();
void moduleAddRef();
void moduleRelease();

}  // namespace qxopos

#endif  // QX_OPOS_MODULE_H
