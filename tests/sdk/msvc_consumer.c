/*
 * msvc_consumer.c - an application as Microsoft's tools build it, linked
 * against the SDK's qxlogics.lib (clang for the MSVC target, lld-link, no
 * C runtime).  The program's exit code is isOpenQX's status before
 * initQX, QX_STATUS_ERROR, reached through the import library.
 */
#include "qxlogics.h"

int start(void) {
    char message[QX_BUFFER_CAPACITY];
    int open = 0;
    return isOpenQX(&open, message);
}
