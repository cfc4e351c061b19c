# SPDX-License-Identifier: MIT
# What both mingw-w64 toolchain files share; each sets CMAKE_SYSTEM_PROCESSOR and
# LINKORY_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix variants carry std::thread and std::mutex (winpthreads); the win32 ones do not.
find_program(CMAKE_C_COMPILER ${LINKORY_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${LINKORY_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${LINKORY_MINGW_TRIPLE}-windres REQUIRED)
find_program(LINKORY_MINGW_NM ${LINKORY_MINGW_TRIPLE}-nm REQUIRED)
find_program(LINKORY_MINGW_OBJDUMP ${LINKORY_MINGW_TRIPLE}-objdump REQUIRED)
find_program(LINKORY_MINGW_DLLTOOL ${LINKORY_MINGW_TRIPLE}-dlltool REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${LINKORY_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Vista and later: inet_pton, GetAdaptersAddresses with gateways.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE)

# The C and C++ runtimes, libgcc and winpthreads go into each binary, so a DLL imports
# only system DLLs and the ones this project builds.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine; scripts/win32-test.sh provides the display and prefix.
find_program(LINKORY_WINE wine)
if(LINKORY_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LINKORY_WINE})
endif()
