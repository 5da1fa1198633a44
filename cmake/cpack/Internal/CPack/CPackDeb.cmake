# CPackDeb.cmake - CMake's own DEB preparation, with two changes:
#   - no maintainer scripts that call ldconfig for a package with a shared
#     library: the library's package activates the ldconfig trigger instead
#     (packaging/debian/runtime/triggers), as Debian does now;
#   - the Multi-Arch field of a component that sets
#     CPACK_DEBIAN_<COMPONENT>_PACKAGE_MULTIARCH, which CMake's generator
#     only writes from 3.31 on: before, it rides on the Section field's
#     value as a line of its own.
# cpack finds this file first through the module path that
# debian-cpack.cmake sets.
include(${CMAKE_ROOT}/Modules/Internal/CPack/CPackDeb.cmake)
set(GEN_CPACK_DEBIAN_GENERATE_POSTINST 0)
set(GEN_CPACK_DEBIAN_GENERATE_POSTRM 0)
if(CMAKE_VERSION VERSION_LESS 3.31 AND CPACK_DEB_PACKAGE_COMPONENT)
  string(TOUPPER "${CPACK_DEB_PACKAGE_COMPONENT}" qx_component)
  set(qx_multiarch "${CPACK_DEBIAN_${qx_component}_PACKAGE_MULTIARCH}")
  if(qx_multiarch)
    set(GEN_CPACK_DEBIAN_PACKAGE_SECTION "${GEN_CPACK_DEBIAN_PACKAGE_SECTION}\nMulti-Arch: ${qx_multiarch}")
  endif()
endif()
