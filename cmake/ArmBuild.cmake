# SPDX-License-Identifier: MIT
# The ARM build (cmake/arm-linux-gnueabi.cmake): Linkory.dll compiled as the device's compilers
# take it, loaded by the simulated device built as C++17 for the same processor.
#
# The plug-in is C++98 with a 16-bit wchar_t as its WCHAR; the device's libraries are C++17
# with char16_t. Both sides meet only through C: the platform's functions and records are
# declared extern "C" in platform/, and the two exports and the module tables are C symbols,
# so no C++ name carries the character type across. The two types are layout-equal (2 bytes,
# 2-aligned, unsigned), which platform/win32.h checks for WCHAR on both sides.
set(linkory_plugin_targets linkory_support linkory_heapnew linkory_intl linkory_framework linkory_connections Linkory)
set_target_properties(${linkory_plugin_targets} PROPERTIES CXX_STANDARD 98)
foreach(target ${linkory_plugin_targets})
  # Microsoft's compilers make char signed; ARM's ABI makes it unsigned.
  target_compile_options(${target} PRIVATE -fshort-wchar -fsigned-char -pedantic)
endforeach()

# The module tables belong to the simulated loader's side (sim/loader/ModuleTables.h, C++11
# and later); they hold no wide character and keep the plug-in's wchar_t width.
get_target_property(linkory_sources Linkory SOURCES)
list(FILTER linkory_sources INCLUDE REGEX "_module_tables\\.cpp$")
set_source_files_properties(${linkory_sources} TARGET_DIRECTORY Linkory PROPERTIES COMPILE_OPTIONS -std=c++17)
# The C and C++ runtimes are built with a 4-byte wchar_t; the plug-in passes none to them
# (its wide text goes only to the platform's functions), so their objects' differing
# attribute is no fault here.
target_link_options(Linkory PRIVATE LINKER:--no-wchar-size-warning)
