# CPackDeb.cmake - CMake's own DEB preparation, without the maintainer
# scripts it writes to call ldconfig for a package with a shared library:
# the library's package activates the ldconfig trigger instead
# (packaging/debian/runtime/triggers), as Debian does now.  cpack finds this
# file first through the module path that debian-cpack.cmake sets.
include(${CMAKE_ROOT}/Modules/Internal/CPack/CPackDeb.cmake)
set(GEN_CPACK_DEBIAN_GENERATE_POSTINST 0)
set(GEN_CPACK_DEBIAN_GENERATE_POSTRM 0)
