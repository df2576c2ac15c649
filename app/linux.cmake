# Linux: the two programs over the FLTK toolkit (ui/fltk), on the hidraw bus
# and on the simulated controller, and what a desktop installation needs.
include(GNUInstallDirs)

# The panel on the real bus, and the demo with its built-in controller.
if(TARGET swr_app AND TARGET swr_bus_hidraw)
  swr_add_program(swrpanel UI swr_ui_fltk BUS swr_bus_hidraw)
  install(TARGETS swrpanel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET swr_app AND TARGET swr_bus_sim)
  swr_add_program(swrpanel-demo UI swr_ui_fltk BUS swr_bus_sim)
  install(TARGETS swrpanel-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# udev reads its rules from /usr/lib/udev/rules.d (packages) and
# /etc/udev/rules.d (the administrator), never from under /usr/local. Unless
# SWR_UDEV_RULES_DIR names a directory, the choice follows the prefix at
# install time (cmake --install --prefix, CPack), not the one configured.
set(SWR_UDEV_HELP "Where the controller's udev rule is installed (empty: by the install prefix)")
get_property(SWR_UDEV_OLD_HELP CACHE SWR_UDEV_RULES_DIR PROPERTY HELPSTRING)
if(SWR_UDEV_OLD_HELP STREQUAL "Where the controller's udev rule is installed")
  unset(SWR_UDEV_RULES_DIR CACHE)  # a default computed by an older build tree
endif()
set(SWR_UDEV_RULES_DIR "" CACHE PATH "${SWR_UDEV_HELP}")

set(SWR_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${SWR_PACKAGING}/swrpanel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48 64)
  install(FILES ${SWR_PACKAGING}/swrpanel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME swrpanel.png)
endforeach()
if(SWR_UDEV_RULES_DIR)
  install(FILES ${SWR_PACKAGING}/70-swrpanel.rules DESTINATION ${SWR_UDEV_RULES_DIR})
else()
  install(CODE "set(SWR_UDEV_RULE \"${SWR_PACKAGING}/70-swrpanel.rules\")")
  install(CODE [[
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
      set(SWR_UDEV_DIR "/usr/lib/udev/rules.d")
    else()
      set(SWR_UDEV_DIR "/etc/udev/rules.d")
    endif()
    file(INSTALL DESTINATION "${SWR_UDEV_DIR}" TYPE FILE FILES "${SWR_UDEV_RULE}")
  ]])
endif()
