# SPDX-License-Identifier: MIT
# Microsoft mode for 32-bit Windows (4-byte pointers and __stdcall, as on the device), under
# Wine's 32-bit half.
set(CMAKE_SYSTEM_PROCESSOR X86)
set(LINKORY_MSVC_TRIPLE i686-pc-windows-msvc)
set(LINKORY_WINE_ARCH i386)
set(LINKORY_WINE_INLINE_BUILTINS _InterlockedAnd64 _InterlockedCompareExchangePointer _InterlockedDecrement64
    _InterlockedExchangeAdd64 _InterlockedExchangePointer _InterlockedIncrement64 _InterlockedOr64 _InterlockedXor64)
# Doubles computed as doubles (SSE2, Microsoft's compilers' default for x86 since 2012), not
# on the x87 unit, whose precision depends on the control word a start-up leaves.
set(LINKORY_MSVC_COMPILE_FLAGS /arch:SSE2)
# No table of safe exception handlers: the import libraries' objects (GNU format) carry no
# mark of being compatible with one, and the device's processor has no such table either.
set(LINKORY_MSVC_LINK_FLAGS /safeseh:no)
include(${CMAKE_CURRENT_LIST_DIR}/ClangClToolchain.cmake)
