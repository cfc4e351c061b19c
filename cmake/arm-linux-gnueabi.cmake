# SPDX-License-Identifier: MIT
# Cross build for armel (ARMv5TE, soft-float) with Debian's arm-linux-gnueabi toolchain: the
# simulated device, todaysim and Linkory.dll as ARM code, run under qemu-arm (scripts/arm-test.sh).
# The libraries come from a sysroot of Debian's armel packages that scripts/arm-sysroot.sh
# makes on first use (LINKORY_ARM_SYSROOT, default build/arm-sysroot); the C and C++
# runtimes are the cross toolchain's own, so no --sysroot is given to the compiler.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

find_program(CMAKE_C_COMPILER arm-linux-gnueabi-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++ REQUIRED)

get_filename_component(linkory_source ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
if(NOT LINKORY_ARM_SYSROOT)
  set(LINKORY_ARM_SYSROOT ${linkory_source}/build/arm-sysroot)
endif()
set(LINKORY_ARM_SYSROOT ${LINKORY_ARM_SYSROOT} CACHE PATH "armel sysroot (scripts/arm-sysroot.sh makes it)")
# try_compile projects see the finished root; the top-level configure makes it, or finds it
# up to date at once.
if(NOT CMAKE_IN_TRY_COMPILE)
  execute_process(COMMAND ${linkory_source}/scripts/arm-sysroot.sh ${LINKORY_ARM_SYSROOT} RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "the armel sysroot could not be made in ${LINKORY_ARM_SYSROOT}")
  endif()
endif()

# The device's processor class everywhere; the plug-in adds its own dialect (ArmBuild.cmake).
# Everything here is built by one GCC, so its notes on the argument passing that changed in
# GCC 7.1 (-Wpsabi) concern no binary of this build.
set(CMAKE_C_FLAGS_INIT "-marm -march=armv5te -Wno-psabi")
set(CMAKE_CXX_FLAGS_INIT "-marm -march=armv5te -Wno-psabi")
set(arm_libs ${LINKORY_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi ${LINKORY_ARM_SYSROOT}/lib/arm-linux-gnueabi)
list(TRANSFORM arm_libs PREPEND "-Wl,-rpath-link," OUTPUT_VARIABLE arm_rpath_link)
list(JOIN arm_rpath_link " " arm_rpath_link)
set(CMAKE_EXE_LINKER_FLAGS_INIT "${arm_rpath_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${arm_rpath_link}")

set(CMAKE_FIND_ROOT_PATH ${LINKORY_ARM_SYSROOT})
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${LINKORY_ARM_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR}
    "${LINKORY_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi/pkgconfig:${LINKORY_ARM_SYSROOT}/usr/share/pkgconfig")

# Test programs run on the host through qemu-arm, in the same root.
find_program(LINKORY_QEMU_ARM qemu-arm)
if(LINKORY_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LINKORY_QEMU_ARM} -L ${LINKORY_ARM_SYSROOT})
endif()

set(LINKORY_ARM ON)
