# Windows: the installer swrpanel-<version>-x64.msi (win64 tree) or
# swrpanel-<version>-x86.msi (win32 tree), target windows_msi, made with
# Debian's wixl by make_windows_msi.cmake from this tree's programs.
# Included by the top-level CMakeLists.txt, after windows_zip.cmake (its
# SWR_WINDOWS_NOTICES).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SWR_EXE_SUFFIX "")
  set(SWR_MSI_ARCH x64)
  set(SWR_MSI_STRIP_NAME x86_64-w64-mingw32-strip)
else()
  set(SWR_EXE_SUFFIX 32)
  set(SWR_MSI_ARCH x86)
  set(SWR_MSI_STRIP_NAME i686-w64-mingw32-strip)
endif()
if(NOT TARGET swrpanel${SWR_EXE_SUFFIX} OR NOT TARGET swrctl${SWR_EXE_SUFFIX})
  return()
endif()
find_program(SWR_WIXL wixl)
find_program(SWR_MSIBUILD msibuild)
if(NOT SWR_WIXL OR NOT SWR_MSIBUILD)
  message(STATUS "wixl or msibuild not found (scripts/install-deps.sh installs them): no installer")
  return()
endif()
get_filename_component(SWR_MINGW_BIN ${CMAKE_CXX_COMPILER} DIRECTORY)
find_program(SWR_MSI_STRIP ${SWR_MSI_STRIP_NAME} HINTS ${SWR_MINGW_BIN} REQUIRED)
# serve's default port, from the code, for the station page's shortcut.
file(STRINGS ${PROJECT_SOURCE_DIR}/tools/swrctl/serve.h SWR_PORT_LINE
     REGEX "kDefaultServePort = [0-9]+")
string(REGEX REPLACE ".*= ([0-9]+).*" "\\1" SWR_SERVE_PORT "${SWR_PORT_LINE}")

set(SWR_WINDOWS_MSI ${CMAKE_BINARY_DIR}/packaging/swrpanel-${PROJECT_VERSION}-${SWR_MSI_ARCH}.msi)
set(SWR_MSI_SETTINGS ${CMAKE_BINARY_DIR}/packaging/msi-settings.cmake)
set(programs)
foreach(name swrpanel swrpanel-demo swrctl swrctl-demo)
  string(APPEND programs " $<TARGET_FILE:${name}${SWR_EXE_SUFFIX}>")
endforeach()
file(GENERATE OUTPUT ${SWR_MSI_SETTINGS} CONTENT
"set(SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(ARCH ${SWR_MSI_ARCH})
set(SUFFIX \"${SWR_EXE_SUFFIX}\")
set(EXES${programs})
set(STRIP ${SWR_MSI_STRIP})
set(NOTICES \"${SWR_WINDOWS_NOTICES}\")
string(REPLACE \"|\" \";\" NOTICES \"\${NOTICES}\")
set(PORT ${SWR_SERVE_PORT})
set(WIXL ${SWR_WIXL})
set(MSIBUILD ${SWR_MSIBUILD})
")
add_custom_target(windows_msi
    COMMAND ${CMAKE_COMMAND} -DSETTINGS=${SWR_MSI_SETTINGS} -DVERSION=${PROJECT_VERSION}
            -DOUTPUT=${SWR_WINDOWS_MSI} -P ${PROJECT_SOURCE_DIR}/packaging/make_windows_msi.cmake
    DEPENDS swrpanel${SWR_EXE_SUFFIX} swrpanel-demo${SWR_EXE_SUFFIX} swrctl${SWR_EXE_SUFFIX}
            swrctl-demo${SWR_EXE_SUFFIX}
    COMMENT "Making ${SWR_WINDOWS_MSI}"
    VERBATIM)
