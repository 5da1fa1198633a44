# debian-qxd.cmake - the package qxd (component service), where the
# service is built: the program in /usr/sbin, its systemd unit, the
# settings file as a conffile, the man page, and maintainer scripts that
# make its system user and run the unit.  Included by debian.cmake before
# CPack.
if(NOT TARGET qxd)
  return()
endif()
set(QX_DEB_QXD ${CMAKE_SOURCE_DIR}/packaging/qxd)
set(CPACK_DEBIAN_SERVICE_PACKAGE_NAME qxd)
install(TARGETS qxd RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT service)
install(FILES ${QX_DEB_QXD}/qxd.service DESTINATION /lib/systemd/system COMPONENT service)
install(FILES ${QX_DEB_QXD}/qxd.conf DESTINATION /etc/qxd COMPONENT service)
qx_deb_gzip(${QX_DEB_QXD}/qxd.8 ${QX_DEB_WORK}/qxd.8.gz)
install(FILES ${QX_DEB_WORK}/qxd.8.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT service)
install(FILES ${QX_DEB_WORK}/copyright ${QX_DEB_WORK}/changelog.Debian.gz
  DESTINATION ${QX_DEB_DOC}/qxd COMPONENT service)

list(APPEND CPACK_COMPONENTS_ALL service)
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION misc)
set(CPACK_COMPONENT_SERVICE_DEPENDS runtime)
set(CPACK_DEBIAN_SERVICE_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_SERVICE_PACKAGE_RECOMMENDS qxlogics-simulator)
set(CPACK_DEBIAN_SERVICE_PACKAGE_CONTROL_EXTRA
  ${QX_DEB_QXD}/conffiles ${QX_DEB_QXD}/postinst ${QX_DEB_QXD}/prerm ${QX_DEB_QXD}/postrm)
set(CPACK_DEBIAN_SERVICE_DESCRIPTION
"till service for the QXLogics cash recycler driver
qxd owns the QuaxVault recycler through the QXLogics driver and serves
browser tills: one WebSocket on loopback (127.0.0.1 and ::1) carrying JSON
requests and the device's events, a web till and its JavaScript client.
.
Clients show a token that only the service's user can read; only
loopback Host names and the Origins of /etc/qxd/qxd.conf are accepted.")
