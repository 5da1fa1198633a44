# Cross-compiling the 32-bit Windows DLL and its tests with MinGW-w64
# (posix threads): the same settings as mingw-w64.cmake, for x86.
set(QX_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
