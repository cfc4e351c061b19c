# SPDX-License-Identifier: MIT
# Cross build for 32-bit Windows with Debian's mingw-w64 (posix thread model): 4-byte pointers,
# as on the device. The tests run under Wine's 32-bit half (wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LINKORY_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
