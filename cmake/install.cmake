# install.cmake - what `cmake --install` puts where, and the package config
# that lets an application `find_package(qxlogics)` and link
# `qxlogics::qxlogics`.
#
# Components: "runtime" (the library and, on Windows, its DLL), "devel"
# (header, the development link libqxlogics.so, the CMake package config
# and qxlogics.pc), "simulator" (the stand-in device library, installed
# beside the library, where the library loads it from; for the Debian
# packages in a private folder instead), "simdevel" (the simulator's
# header qxsim.h, qxlogics-simulator.pc, its CMake target and manual) and
# "till" (the demo till).  The simulator's component also carries the
# example settings and language files (share/qxlogics/examples/), the
# start of a till's own files.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(QX_DEBIAN_PACKAGES)
  # Debian's multiarch library folder, for a cross build too (where
  # GNUInstallDirs would say plain lib).  The simulator must not stand in
  # for the real device library system-wide: a program is pointed at its
  # folder (LD_LIBRARY_PATH).  Shared libraries are not executable there.
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
  set(QX_SIMULATOR_LIBDIR ${CMAKE_INSTALL_LIBDIR}/qxlogics/simulator)
  set(QX_LIBRARY_PERMISSIONS PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  set(QX_SIMULATOR_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(QX_LIBRARY_PERMISSIONS)
endif()
set(QX_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxlogics)

install(TARGETS qxlogics EXPORT qxlogicsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT devel
          ${QX_LIBRARY_PERMISSIONS}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/qxlogics.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT devel)

if(NOT WIN32)
  # pkg-config --cflags --libs qxlogics
  configure_file(${CMAKE_SOURCE_DIR}/cmake/qxlogics.pc.in ${CMAKE_BINARY_DIR}/qxlogics.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/qxlogics.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT devel)
endif()

if(TARGET DorvoLINK)
  # The library loads the device library from its own folder.  A program
  # that plays the customer links qxlogics::simulator and includes qxsim.h.
  set_target_properties(DorvoLINK PROPERTIES EXPORT_NAME simulator)
  install(TARGETS DorvoLINK EXPORT qxlogicsSimulatorTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator
    LIBRARY DESTINATION ${QX_SIMULATOR_LIBDIR} COMPONENT simulator ${QX_LIBRARY_PERMISSIONS}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT simdevel
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/sim/qxsim.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT simdevel)
  if(NOT QX_DEBIAN_PACKAGES)  # the packages keep them with their documentation
    install(FILES ${CMAKE_SOURCE_DIR}/examples/qxlogics.ini ${CMAKE_SOURCE_DIR}/examples/qxlang.ini
      DESTINATION ${CMAKE_INSTALL_DATADIR}/qxlogics/examples COMPONENT simulator)
    install(FILES ${CMAKE_SOURCE_DIR}/sim/README.md
      DESTINATION ${CMAKE_INSTALL_DOCDIR}/simulator COMPONENT simdevel)
  endif()
  if(NOT WIN32)
    # pkg-config --cflags --libs qxlogics-simulator: the driver's flags, the
    # simulator's, and its folder as the program's run path (the Debian
    # packages' private folder is no folder the loader searches).
    configure_file(${CMAKE_SOURCE_DIR}/cmake/qxlogics-simulator.pc.in
      ${CMAKE_BINARY_DIR}/qxlogics-simulator.pc @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/qxlogics-simulator.pc
      DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT simdevel)
  endif()
  install(EXPORT qxlogicsSimulatorTargets NAMESPACE qxlogics::
    DESTINATION ${QX_CONFIG_DIR} COMPONENT simdevel)
endif()

if(TARGET qxtill)
  if(NOT WIN32 AND NOT QX_DEBIAN_PACKAGES)
    file(RELATIVE_PATH QX_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
    set_target_properties(qxtill PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/${QX_BIN_TO_LIB}")
  endif()
  install(TARGETS qxtill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT till)
endif()

install(EXPORT qxlogicsTargets NAMESPACE qxlogics::
  DESTINATION ${QX_CONFIG_DIR} COMPONENT devel)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/qxlogicsConfig.cmake.in
  ${CMAKE_BINARY_DIR}/qxlogicsConfig.cmake
  INSTALL_DESTINATION ${QX_CONFIG_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/qxlogicsConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/qxlogicsConfig.cmake
              ${CMAKE_BINARY_DIR}/qxlogicsConfigVersion.cmake
  DESTINATION ${QX_CONFIG_DIR} COMPONENT devel)

# An application built against the installed package (native builds; the
# Debian packages' layout is the packages stage's to check).
if(QX_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING AND NOT QX_DEBIAN_PACKAGES)
  add_test(NAME qx_install_consumer
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
            -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/tests/apps/consumer
            -DREADME=${CMAKE_SOURCE_DIR}/README.md
            -DWORK_DIR=${CMAKE_BINARY_DIR}/consumer
            -P ${CMAKE_SOURCE_DIR}/tests/apps/consumer/run_consumer.cmake)
  set_tests_properties(qx_install_consumer PROPERTIES LABELS apps TIMEOUT 120
    ENVIRONMENT QXLOGS=${CMAKE_BINARY_DIR}/consumer)
endif()
