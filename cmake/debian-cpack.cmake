# debian-cpack.cmake - read by cpack before it makes the Debian packages.
if(CPACK_GENERATOR STREQUAL "DEB")
  # dpkg-shlibdeps resolves the libraries of the architecture the packages
  # are for (arm64 in a cross build), which it takes from the environment.
  set(ENV{DEB_HOST_ARCH} "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
  # No ldconfig calls in maintainer scripts (cpack/Internal/CPack/CPackDeb.cmake).
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/cpack)
endif()
