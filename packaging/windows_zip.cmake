# Windows: swrpanel-<version>-windows.zip with the 64-bit and the 32-bit
# programs. Each architecture is its own build tree; the zip is made by the
# 64-bit one (target windows_zip) and takes the 32-bit programs from
# SWR_WIN32_BUILD_DIR. Included by the top-level CMakeLists.txt.

# The programs carry the mingw-w64 runtime, winpthreads, libstdc++ and libgcc
# linked in, and swrctl serve the header-only nlohmann-json, CLI11 and Boost
# and libmosquitto and SQLite (built from Debian's mosquitto and sqlite3
# source packages): their notices travel with the zip and the installers
# (windows_msi.cmake, both trees), from Debian's copyright files.
set(SWR_WINDOWS_NOTICES "mingw-w64-common|gcc-mingw-w64-base|nlohmann-json3-dev|libcli11-dev|libboost-dev|mosquitto=${SWR_MOSQUITTO_COPYRIGHT}|libsqlite3-dev")
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()
endif()
set(SWR_WIN32_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/win32
    CACHE PATH "Build tree of the 32-bit Windows programs that go into the zip")
set(SWR_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/packaging/swrpanel-${PROJECT_VERSION}-windows.zip)
if(NOT TARGET swrpanel OR NOT TARGET swrctl)
  return()
endif()
get_filename_component(SWR_MINGW_BIN ${CMAKE_CXX_COMPILER} DIRECTORY)
find_program(SWR_STRIP64 x86_64-w64-mingw32-strip HINTS ${SWR_MINGW_BIN} REQUIRED)
find_program(SWR_STRIP32 i686-w64-mingw32-strip HINTS ${SWR_MINGW_BIN} REQUIRED)
add_custom_target(windows_zip
    COMMAND ${CMAKE_COMMAND}
        -DVERSION=${PROJECT_VERSION}
        -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
        -DEXE64=$<TARGET_FILE:swrpanel>|$<TARGET_FILE:swrctl>
        -DEXE32=${SWR_WIN32_BUILD_DIR}/app/swrpanel32.exe|${SWR_WIN32_BUILD_DIR}/tools/swrctl/swrctl32.exe
        -DSTRIP64=${SWR_STRIP64} -DSTRIP32=${SWR_STRIP32}
        -DNOTICES=${SWR_WINDOWS_NOTICES}
        -DOUTPUT=${SWR_WINDOWS_ZIP}
        -P ${PROJECT_SOURCE_DIR}/packaging/make_windows_zip.cmake
    DEPENDS swrpanel swrctl
    COMMENT "Packing ${SWR_WINDOWS_ZIP}"
    VERBATIM)
