# SPDX-License-Identifier: MIT
# Writes a module-definition file exporting every global function of OBJECTS ('|'-separated)
# whose symbol name matches PATTERN. Run with cmake -P by linkory_win32_dll. SYMBOL_PREFIX is
# what the target puts before every C name (an underscore on 32-bit x86), which a .def omits;
# a __stdcall name keeps its @N, and the link strips it from the exported name.
include(${CMAKE_CURRENT_LIST_DIR}/Win32ObjectSymbols.cmake)
linkory_object_functions(symbols)
set(exports "")
foreach(symbol IN LISTS symbols)
  if(symbol MATCHES "${PATTERN}")
    list(APPEND exports "${symbol}")
  endif()
endforeach()

list(REMOVE_DUPLICATES exports)
list(SORT exports)
if(NOT exports)
  message(FATAL_ERROR "${LIBRARY}: no function matches '${PATTERN}'")
endif()
set(text "LIBRARY \"${LIBRARY}\"\nEXPORTS\n")
foreach(symbol IN LISTS exports)
  string(APPEND text "    ${symbol}\n")
endforeach()
linkory_write_if_changed("${OUTPUT}" "${text}")
