# debian.cmake - the Debian packages that `cpack` makes from the install
# components (QX_DEBIAN_PACKAGES): libqxlogics1 (runtime), libqxlogics-dev
# (devel), qxlogics-common (common: the settings file /etc/qxlogics/
# qxlogics.ini, a conffile), qxlogics-simulator (simulator),
# qxlogics-simulator-dev (simdevel) and qxtill (till).  Each carries its
# copyright and changelog in /usr/share/doc/<package>; dependencies on
# other packages come from dpkg-shlibdeps, those between these from the
# components.
set(QX_DEB_SOURCE ${CMAKE_SOURCE_DIR}/packaging/debian)
set(QX_DEB_WORK ${CMAKE_BINARY_DIR}/debian)
set(QX_DEB_RELEASE 1)
set(QX_DEB_MAINTAINER "QXLogics developers <developers@qxlogics.org>")

# Debian's own name for the target's architecture (arm64 for
# aarch64-linux-gnu): what the packages are built for, cross builds too.
execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -q DEB_HOST_ARCH
  OUTPUT_VARIABLE QX_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
  RESULT_VARIABLE failed)
if(failed OR NOT QX_DEB_ARCH)
  message(FATAL_ERROR "dpkg-architecture knows no Debian architecture for "
                      "'${CMAKE_LIBRARY_ARCHITECTURE}' (package dpkg-dev)")
endif()

# qx_deb_gzip(<source> <output>): compressed as Debian wants it, at the
# highest level and without a name or time stamp, so builds are the same.
function(qx_deb_gzip source output)
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

set(QX_DEB_VERSION ${PROJECT_VERSION}-${QX_DEB_RELEASE})
configure_file(${QX_DEB_SOURCE}/changelog.in ${QX_DEB_WORK}/changelog.Debian @ONLY)
qx_deb_gzip(${QX_DEB_WORK}/changelog.Debian ${QX_DEB_WORK}/changelog.Debian.gz)

# The copyright file states the licence of the repository's LICENSE, word
# for word: its name (first line, "MIT License"), holder and text.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/LICENSE)
if(NOT license MATCHES "^([A-Za-z0-9.-]+) License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE does not begin with \"<name> License\" and its copyright line")
endif()
set(QX_LICENSE ${CMAKE_MATCH_1})
set(QX_COPYRIGHT ${CMAKE_MATCH_2})
# Each line indented by one space, an empty one written " .".
string(REPLACE "\n\n" "\n.\n" QX_LICENSE_TEXT "${CMAKE_MATCH_3}")
string(REPLACE "\n" "\n " QX_LICENSE_TEXT " ${QX_LICENSE_TEXT}")
configure_file(${QX_DEB_SOURCE}/copyright.in ${QX_DEB_WORK}/copyright @ONLY)

# Components and their packages; every list of packages (the checks of
# scripts/check-packages.sh too) follows this one.
set(QX_DEB_COMPONENTS runtime devel common simulator simdevel till)
set(QX_DEB_NAME_runtime libqxlogics${PROJECT_VERSION_MAJOR})
set(QX_DEB_NAME_devel libqxlogics-dev)
set(QX_DEB_NAME_common qxlogics-common)
set(QX_DEB_NAME_simulator qxlogics-simulator)
set(QX_DEB_NAME_simdevel qxlogics-simulator-dev)
set(QX_DEB_NAME_till qxtill)
set(QX_DEB_DOC ${CMAKE_INSTALL_DATAROOTDIR}/doc)
foreach(component IN LISTS QX_DEB_COMPONENTS)
  string(TOUPPER ${component} upper)
  set(package ${QX_DEB_NAME_${component}})
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
  install(FILES ${QX_DEB_WORK}/copyright ${QX_DEB_WORK}/changelog.Debian.gz
    DESTINATION ${QX_DEB_DOC}/${package} COMPONENT ${component})
endforeach()

# The settings a till that handles money runs with (the three OK checks
# on), where the driver looks last: /etc/qxlogics.  A conffile: an edited
# copy survives upgrades.
install(FILES ${CMAKE_SOURCE_DIR}/examples/qxlogics.ini
  DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/qxlogics COMPONENT common)
# The simulator's package carries the example settings and language files,
# its development package the simulator's manual.
install(FILES ${CMAKE_SOURCE_DIR}/examples/qxlogics.ini ${CMAKE_SOURCE_DIR}/examples/qxlang.ini
  DESTINATION ${QX_DEB_DOC}/${QX_DEB_NAME_simulator}/examples COMPONENT simulator)
install(FILES ${CMAKE_SOURCE_DIR}/sim/README.md
  DESTINATION ${QX_DEB_DOC}/${QX_DEB_NAME_simdevel} COMPONENT simdevel)
if(TARGET qxtill)
  qx_deb_gzip(${CMAKE_SOURCE_DIR}/apps/qxtill/qxtill.1 ${QX_DEB_WORK}/qxtill.1.gz)
  install(FILES ${QX_DEB_WORK}/qxtill.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT till)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qxlogics)
set(CPACK_PACKAGE_VENDOR "QXLogics")
set(CPACK_PACKAGE_CONTACT "${QX_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${QX_DEB_COMPONENTS})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QX_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${QX_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The till's libqxlogics.so.1 is found in the build, not on the system;
# the dependency on its package comes from the component instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# A shlibs file for every library with a versioned soname (libqxlogics.so.1;
# the simulator's has none): programs built against it depend on
# libqxlogics1 of at least this version.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg-shlibdeps reads the architecture it resolves libraries for from
# the environment of cpack.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/debian-cpack.cmake)

# Multi-Arch (cmake/cpack/Internal/CPack/CPackDeb.cmake writes the field):
# the libraries and their development files of several architectures
# install side by side; the architecture-independent settings package
# serves them all.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_DEVEL_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_SIMDEVEL_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_COMMON_PACKAGE_MULTIARCH foreign)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${QX_DEB_SOURCE}/runtime/triggers)
set(CPACK_COMPONENT_RUNTIME_DEPENDS common)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"logic driver of the QuaxVault cash recycler
QXLogics is the logic driver of a QuaxVault note and coin recycler that
stands beside a till. A point-of-sale application calls its 29 exported
C functions to take cash in, give change, pay out and log operators in
and out, and learns what the device does through events.
.
The driver loads the device communication library libDorvoLINK.so at run
time: first from its own folder, then by name (LD_LIBRARY_PATH and the
system paths). This package holds the shared library.")

set(CPACK_DEBIAN_COMMON_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_COMMON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_COMMON_PACKAGE_CONTROL_EXTRA ${QX_DEB_SOURCE}/common/conffiles)
set(CPACK_DEBIAN_COMMON_DESCRIPTION
"settings file of the QXLogics cash recycler driver
QXLogics is the logic driver of a QuaxVault note and coin recycler that
stands beside a till.
.
This package holds /etc/qxlogics/qxlogics.ini, which the driver reads when
neither the folder named by QXCONFIG, nor the current folder, nor the
driver's own folder has one. It turns on PayOutOkCheck, ChangeOkCheck and
RegretOkCheck, so that \"Done\" means the device reported a cash move
over, not only started.")

set(CPACK_DEBIAN_DEVEL_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVEL_DEPENDS runtime)
set(CPACK_DEBIAN_DEVEL_DESCRIPTION
"logic driver of the QuaxVault cash recycler - development files
QXLogics is the logic driver of a QuaxVault note and coin recycler that
stands beside a till.
.
This package holds the header qxlogics.h, the link libqxlogics.so, the
CMake package (find_package(qxlogics), target qxlogics::qxlogics) and
qxlogics.pc for pkg-config.")

set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION
"stand-in device library for the QXLogics driver
A simulated QuaxVault note and coin recycler behind the device
communication library's interface, for tests and demonstrations without
the device.
.
libDorvoLINK.so lies in a private folder,
/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/qxlogics/simulator, so that it
never takes the real device library's place: point a program at it with
LD_LIBRARY_PATH. The package also holds example settings and language
files.")

set(CPACK_DEBIAN_SIMDEVEL_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_SIMDEVEL_DEPENDS simulator devel)
set(CPACK_DEBIAN_SIMDEVEL_DESCRIPTION
"stand-in device library for the QXLogics driver - development files
A simulated QuaxVault note and coin recycler behind the device
communication library's interface, for tests and demonstrations without
the device.
.
This package holds the header qxsim.h of the simulator's control entries,
with which a program plays the customer, qxlogics-simulator.pc for
pkg-config (its flags also name the simulator's private folder as the
program's run path), the CMake target qxlogics::simulator and the
simulator's manual.")

set(CPACK_DEBIAN_TILL_PACKAGE_SECTION misc)
set(CPACK_COMPONENT_TILL_DEPENDS runtime)
set(CPACK_DEBIAN_TILL_PACKAGE_RECOMMENDS ${QX_DEB_NAME_simulator})
set(CPACK_DEBIAN_TILL_DESCRIPTION
"demo till for the QXLogics cash recycler driver
qxtill shows how a point-of-sale application uses the QXLogics driver:
'qxtill demo' runs a scripted shift (sales, a refund, low cash, an error
and its reset), and plain 'qxtill' takes commands from the keyboard.
Against the simulator it plays the customer as well.")

include(${CMAKE_CURRENT_LIST_DIR}/debian-qxd.cmake)
include(CPack)
