# Cross build of the 32-bit Windows executables with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR X86)
set(SWR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Floating point in SSE registers, as in the 64-bit build. The x87 unit keeps
# intermediate results at 80 bits, so a float quotient could be formatted from
# its unrounded value: -977 / 20 is -48.85 there ("-48.9") but -48.8499985 as
# the 32-bit value it is held as ("-48.8"). Every processor that runs a
# current 32-bit Windows has SSE2. Windows keeps the stack of a 32-bit thread
# aligned to 4 bytes only, so functions that keep SSE values on the stack
# realign it.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
