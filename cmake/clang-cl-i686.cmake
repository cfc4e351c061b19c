# SPDX-License-Identifier: MIT
# Microsoft mode for 32-bit Windows (4-byte pointers and __stdcall, as on the device), under
# Wine's 32-bit half.
set(CMAKE_SYSTEM_PROCESSOR X86)
set(LINKORY_MSVC_TRIPLE i686-pc-windows-msvc)
set(LINKORY_WINE_ARCH i386)
include(${CMAKE_CURRENT_LIST_DIR}/ClangClToolchain.cmake)
