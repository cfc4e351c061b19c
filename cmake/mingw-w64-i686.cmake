# SPDX-License-Identifier: MIT
# Cross build for 32-bit Windows with Debian's mingw-w64 (posix thread model): 4-byte pointers,
# as on the device. The tests run under Wine's 32-bit half (wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LINKORY_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
# Doubles as doubles: mingw's start-up leaves the x87 unit at 64-bit precision, where a product
# such as 3 x (128 x 1/96) is truncated before it is rounded to a double (3 instead of 4). The
# device computes in double precision; SSE2 does so on every step.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
