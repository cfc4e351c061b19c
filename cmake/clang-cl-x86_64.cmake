# SPDX-License-Identifier: MIT
# Microsoft mode for 64-bit Windows: the Microsoft C++ ABI and structured exception handling,
# with Wine's headers, import libraries and runtime DLLs.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LINKORY_MSVC_TRIPLE x86_64-pc-windows-msvc)
set(LINKORY_WINE_ARCH x86_64)
set(LINKORY_WINE_INLINE_BUILTINS _InterlockedCompareExchange128)
include(${CMAKE_CURRENT_LIST_DIR}/ClangClToolchain.cmake)
