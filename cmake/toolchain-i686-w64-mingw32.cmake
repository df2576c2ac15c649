# Cross build of the 32-bit Windows executables with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(SWR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Float variables are kept in memory, that is rounded to 32 bits. The x87 unit
# computes at 80 bits, so a float quotient could otherwise be formatted from its
# unrounded value: -977 / 20 is -48.85 there ("-48.9") but -48.8499985 as the
# 32-bit value it is held as ("-48.8"). Computing in SSE registers would do the
# same, but 32-bit Windows 7 still runs on processors without SSE2.
set(CMAKE_C_FLAGS_INIT "-ffloat-store")
set(CMAKE_CXX_FLAGS_INIT "-ffloat-store")
