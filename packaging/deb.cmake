# Linux: what the Debian package adds to the programs' own install rules (the
# man pages, the swrctl-serve unit, the documents) and the CPack settings of
# swrpanel_<version>_amd64.deb. Included by the top-level CMakeLists.txt
# after the programs are defined.
include(GNUInstallDirs)
set(SWR_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(SWR_PACKAGE_OUT ${CMAKE_BINARY_DIR}/packaging)
set(SWR_PACKAGE_MAINTAINER "swrpanel developers <swrpanel@example.org>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

# Man pages, compressed as Debian wants them; the demos share their
# program's page through a link.
find_program(SWR_HELP2MAN help2man)
find_program(SWR_GZIP gzip REQUIRED)
set(SWR_MAN_PAGES ${SWR_PACKAGE_OUT}/swrpanel.1.gz)
add_custom_command(OUTPUT ${SWR_PACKAGE_OUT}/swrpanel.1.gz
    COMMAND ${SWR_GZIP} -9nc ${SWR_PACKAGING}/swrpanel.1 > swrpanel.1.gz
    DEPENDS ${SWR_PACKAGING}/swrpanel.1 WORKING_DIRECTORY ${SWR_PACKAGE_OUT} VERBATIM)
if(TARGET swrctl AND SWR_HELP2MAN)
  add_custom_command(OUTPUT ${SWR_PACKAGE_OUT}/swrctl.1.gz
      COMMAND ${SWR_HELP2MAN} --no-info --section=1
              "--name=read and set the USB SWR and power meter controller"
              --output=swrctl.1 $<TARGET_FILE:swrctl>
      COMMAND ${SWR_GZIP} -9nf swrctl.1
      DEPENDS swrctl WORKING_DIRECTORY ${SWR_PACKAGE_OUT} VERBATIM)
  list(APPEND SWR_MAN_PAGES ${SWR_PACKAGE_OUT}/swrctl.1.gz)
elseif(TARGET swrctl)
  message(WARNING "help2man not found: swrctl gets no man page (scripts/install-deps.sh installs it)")
endif()
add_custom_target(swr_man_pages ALL DEPENDS ${SWR_MAN_PAGES})
file(MAKE_DIRECTORY ${SWR_PACKAGE_OUT})
file(CREATE_LINK swrpanel.1.gz ${SWR_PACKAGE_OUT}/swrpanel-demo.1.gz SYMBOLIC)
file(CREATE_LINK swrctl.1.gz ${SWR_PACKAGE_OUT}/swrctl-demo.1.gz SYMBOLIC)
install(FILES ${SWR_MAN_PAGES} ${SWR_PACKAGE_OUT}/swrpanel-demo.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET swrctl AND SWR_HELP2MAN)
  install(FILES ${SWR_PACKAGE_OUT}/swrctl-demo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The swrctl-serve unit names the program by its installed path, which is
# known only at install time (cmake --install --prefix, CPack).
configure_file(${SWR_PACKAGING}/swrctl-serve.service.in
               ${SWR_PACKAGE_OUT}/swrctl-serve.service.in COPYONLY)
install(CODE "set(SWR_UNIT_DIR \"${SWR_PACKAGE_OUT}\")
              set(SWR_INSTALL_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(CODE [[
  set(SWR_BINDIR "${CMAKE_INSTALL_PREFIX}/${SWR_INSTALL_BINDIR}")
  configure_file("${SWR_UNIT_DIR}/swrctl-serve.service.in"
                 "${SWR_UNIT_DIR}/swrctl-serve.service" @ONLY)
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" TYPE FILE
       FILES "${SWR_UNIT_DIR}/swrctl-serve.service")
]])

# The Grafana dashboard over swrctl serve's /metrics.
install(FILES ${SWR_PACKAGING}/grafana/swrpanel-dashboard.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/swrpanel/grafana)

# /usr/share/doc/swrpanel: the licence in Debian's format and the changelog.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE SWR_LICENSE_TEXT)
string(STRIP "${SWR_LICENSE_TEXT}" SWR_LICENSE_TEXT)
string(REGEX REPLACE "\n\n" "\n.\n" SWR_LICENSE_TEXT "${SWR_LICENSE_TEXT}")
string(REPLACE "\n" "\n " SWR_LICENSE_TEXT " ${SWR_LICENSE_TEXT}")
configure_file(${SWR_PACKAGING}/copyright.in ${SWR_PACKAGE_OUT}/copyright @ONLY)
string(TIMESTAMP SWR_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${SWR_PACKAGING}/changelog.in ${SWR_PACKAGE_OUT}/changelog @ONLY)
add_custom_command(OUTPUT ${SWR_PACKAGE_OUT}/changelog.gz
    COMMAND ${SWR_GZIP} -9nc changelog > changelog.gz
    DEPENDS ${SWR_PACKAGE_OUT}/changelog WORKING_DIRECTORY ${SWR_PACKAGE_OUT} VERBATIM)
add_custom_target(swr_changelog ALL DEPENDS ${SWR_PACKAGE_OUT}/changelog.gz)
install(FILES ${SWR_PACKAGE_OUT}/copyright ${SWR_PACKAGE_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Maintainer scripts: the udev rule acts on install and removal at once.
file(READ ${SWR_PACKAGING}/debian/apply_udev_rule.sh SWR_APPLY_UDEV_RULE)
foreach(script postinst postrm)
  configure_file(${SWR_PACKAGING}/debian/${script}.in ${SWR_PACKAGE_OUT}/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

# Read above at configure time: a change configures the tree again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSE ${SWR_PACKAGING}/debian/apply_udev_rule.sh
    ${SWR_PACKAGING}/debian/description)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swrpanel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "swrpanel developers")
set(CPACK_PACKAGE_CONTACT "${SWR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Install with DESTDIR, so the rules that depend on the prefix see /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${SWR_PACKAGE_OUT}/postinst ${SWR_PACKAGING}/debian/prerm ${SWR_PACKAGE_OUT}/postrm)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "indicator for a USB SWR and power meter controller")
file(READ ${SWR_PACKAGING}/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
# CPack puts the summary in front and formats the paragraphs for the
# control file.
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
include(CPack)
