# SPDX-License-Identifier: MIT
# The Win32 build: Linkory.dll as a real PE (ordinals from Linkory.def, icons from Linkory.rc),
# stand-ins for the two Windows CE DLLs desktop Win32 lacks, the Today host tool and the tests
# that run under Wine. Windows, messages, GDI, files and the heap are the system's own.
include(Win32Exports)

foreach(dir support intl framework connections sim/today)
  add_subdirectory(${dir})
endforeach()

# The simulation's own bookkeeping (misuse records, resets), shared by the stand-ins and
# their controllers in one DLL so that the whole process sees one list.
linkory_win32_dll(simcommon
  SOURCES ${PROJECT_SOURCE_DIR}/sim/common/Violations.cpp ${PROJECT_SOURCE_DIR}/sim/coredll/Sim.cpp
  NAMESPACES sim)

add_subdirectory(sim/cellcore/win32)
add_subdirectory(sim/aygshell/win32)

# Linkory.dll: the same sources as the simulated build; exports and resources from the files
# a device build would use.
file(GLOB linkory_entry_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/entry/*.cpp)
linkory_win32_ordinal_dll(Linkory
  DEF ${PROJECT_SOURCE_DIR}/entry/Linkory.def
  SOURCES ${linkory_entry_sources}
  RESOURCES ${PROJECT_SOURCE_DIR}/res/Linkory.rc
  LIBS linkory_connections linkory_framework linkory_intl linkory_support linkory_heapnew
       linkory_platform cellcore aygshell)

# The plug-in in the dialect of the device's compilers. Here WCHAR is the system's own
# wchar_t, so the C++17 tests that link these libraries see the same types.
set_target_properties(linkory_support linkory_heapnew linkory_intl linkory_framework linkory_connections Linkory
  PROPERTIES CXX_STANDARD 98)
foreach(target linkory_support linkory_heapnew linkory_intl linkory_framework linkory_connections Linkory)
  target_compile_options(${target} PRIVATE -pedantic)
endforeach()

add_subdirectory(tools/todaysim-win32)

if(LINKORY_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()
