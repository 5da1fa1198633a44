/*
 * device_call.h - the calling conventions at the seam with the device
 * communication library, shared by the driver, the simulator and the C
 * test programs.
 *
 * On 32-bit Windows the convention decides who removes the arguments from
 * the stack; a caller and a callee that disagree corrupt it.  The send and
 * close entries are __stdcall: their decorated names say so ("YG").  The
 * names of the initiate entry ("qx_initiate2") and of the callback entry
 * handed to it say nothing; both are __stdcall unless the build defines
 * QX_DEVICE_INITIATE_CDECL or QX_DEVICE_CALLBACK_CDECL (the CMake options
 * of the same names).  64-bit Windows and POSIX have one convention.
 */
#ifndef QX_PLATFORM_DEVICE_CALL_H
#define QX_PLATFORM_DEVICE_CALL_H

#if defined(_WIN32)
#  define QX_DEVICE_CALL __stdcall
#  if defined(QX_DEVICE_INITIATE_CDECL)
#    define QX_INITIATE_CALL __cdecl
#  else
#    define QX_INITIATE_CALL __stdcall
#  endif
#  if defined(QX_DEVICE_CALLBACK_CDECL)
#    define QX_CALLBACK_CALL __cdecl
#  else
#    define QX_CALLBACK_CALL __stdcall
#  endif
#else
#  define QX_DEVICE_CALL
#  define QX_INITIATE_CALL
#  define QX_CALLBACK_CALL
#endif

#endif /* QX_PLATFORM_DEVICE_CALL_H */
