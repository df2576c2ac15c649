# Shared part of the two mingw-w64 toolchain files; SWR_MINGW_TRIPLE is set.
set(CMAKE_C_COMPILER ${SWR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SWR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SWR_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SWR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The executables run on machines without the mingw runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests and tools run under Wine.
# Test programs are started through scripts/wine-exec.sh.
