# Windows: the panel executables over the Windows toolkit (ui/win32), with
# icon, manifest and version block (included by app/CMakeLists.txt when WIN32).

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SWR_MANIFEST_ARCH amd64)
  set(SWR_EXE_SUFFIX "")
else()
  set(SWR_MANIFEST_ARCH X86)
  set(SWR_EXE_SUFFIX 32)
endif()
# The program's icon, resource 1: one image, 32 x 32 pixels, 16 colours.
set(SWR_ICON_FILE ${PROJECT_SOURCE_DIR}/res/swrpanel.ico)
set(SWR_MANIFEST_FILE ${CMAKE_CURRENT_BINARY_DIR}/swrpanel.manifest)
configure_file(${PROJECT_SOURCE_DIR}/res/swrpanel.manifest.in ${SWR_MANIFEST_FILE} @ONLY)

# swr_add_windows_program(name BUS <bus library> DESCRIPTION <text>):
# a GUI-subsystem executable with its own resource script.
function(swr_add_windows_program name)
  cmake_parse_arguments(W "" "BUS;DESCRIPTION" "" ${ARGN})
  set(SWR_PROGRAM_NAME ${name})
  set(SWR_PROGRAM_DESCRIPTION ${W_DESCRIPTION})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/swrpanel.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES
      OBJECT_DEPENDS "${SWR_ICON_FILE};${SWR_MANIFEST_FILE}")
  swr_add_program(${name} UI swr_ui_win32 BUS ${W_BUS} SOURCES ${rc})
  target_link_options(${name} PRIVATE -mwindows)
endfunction()

# The programs need the program logic and the buses; until those exist in
# the tree only the toolkit itself is built.
if(TARGET swr_app AND TARGET swr_bus_win32)
  swr_add_windows_program(swrpanel${SWR_EXE_SUFFIX} BUS swr_bus_win32
      DESCRIPTION "SWR and power indicator")
endif()
if(TARGET swr_app AND TARGET swr_bus_sim)
  swr_add_windows_program(swrpanel-demo${SWR_EXE_SUFFIX} BUS swr_bus_sim
      DESCRIPTION "SWR and power indicator with a simulated controller")
endif()
