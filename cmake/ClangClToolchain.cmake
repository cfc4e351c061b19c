# SPDX-License-Identifier: MIT
# What both Microsoft-mode toolchain files share (clang-cl, lld-link, llvm-rc against Wine's
# headers and import libraries); each sets LINKORY_MSVC_TRIPLE and LINKORY_WINE_ARCH first.
# Debian ships Microsoft-compatible headers and import libraries with libwine-dev; there is no
# other source of them here, and the plug-in already declares the device-only parts itself.
set(CMAKE_SYSTEM_NAME Windows)
set(LINKORY_MSVC_MODE ON)

find_program(CMAKE_C_COMPILER NAMES clang-cl clang-cl-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang-cl clang-cl-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(CMAKE_LINKER NAMES lld-link lld-link-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc llvm-rc-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(CMAKE_MT NAMES llvm-mt llvm-mt-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(CMAKE_AR NAMES llvm-lib llvm-lib-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(LINKORY_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
find_program(LINKORY_READOBJ NAMES llvm-readobj llvm-readobj-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${LINKORY_MSVC_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${LINKORY_MSVC_TRIPLE})

set(LINKORY_WINE_INCLUDE /usr/include/wine/wine)
set(LINKORY_WINE_LIB /usr/lib/${LINKORY_WINE_ARCH}-linux-gnu/wine/${LINKORY_WINE_ARCH}-windows)
if(NOT EXISTS ${LINKORY_WINE_INCLUDE}/windows/windows.h OR NOT EXISTS ${LINKORY_WINE_LIB}/libkernel32.a)
  message(FATAL_ERROR "Wine's Microsoft-compatible headers and import libraries are missing "
                      "(Debian: libwine-dev for ${LINKORY_WINE_ARCH})")
endif()

# The compiler's own checks link nothing: there is no C runtime start-up to link against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Wine's headers declare WCHAR as char16_t unless told that wchar_t is 16 bits, as it is
# here; the inline functions they define under names that clang takes as builtins
# (LINKORY_WINE_INLINE_BUILTINS, set by each toolchain file) are renamed out of the way.
# /GS-: no security-cookie runtime exists without the static C runtime. /Zc:threadSafeInit-:
# function-local statics as the device's compilers make them, without the runtime's
# initialisation lock.
set(linkory_msvc_flags
  "-imsvc ${LINKORY_WINE_INCLUDE}/msvcrt -imsvc ${LINKORY_WINE_INCLUDE}/windows"
  "/GS- /Zc:threadSafeInit- /EHsc -DWINE_UNICODE_NATIVE" ${LINKORY_MSVC_COMPILE_FLAGS})
foreach(builtin IN LISTS LINKORY_WINE_INLINE_BUILTINS)
  list(APPEND linkory_msvc_flags "-D${builtin}=linkory_wine${builtin}")
endforeach()
string(JOIN " " linkory_msvc_flags ${linkory_msvc_flags})
set(CMAKE_C_FLAGS_INIT "${linkory_msvc_flags}")
set(CMAKE_CXX_FLAGS_INIT "${linkory_msvc_flags}")
# Nothing of a C runtime is linked unless named; no manifest (no side-by-side assemblies).
set(CMAKE_SHARED_LINKER_FLAGS_INIT "/nodefaultlib /manifest:no ${LINKORY_MSVC_LINK_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "/nodefaultlib /manifest:no ${LINKORY_MSVC_LINK_FLAGS}")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(LINKORY_WINE wine)
if(LINKORY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LINKORY_WINE})
endif()
