# SPDX-License-Identifier: MIT
# Writes a module-definition file exporting every global function of OBJECTS ('|'-separated)
# whose symbol name matches PATTERN. Run with cmake -P by linkory_win32_dll. SYMBOL_PREFIX is
# what the target puts before every C name (an underscore on 32-bit x86), which a .def omits;
# a __stdcall name keeps its @N, and the link strips it from the exported name.
string(REPLACE "|" ";" objects "${OBJECTS}")
set(exports "")
foreach(object IN LISTS objects)
  execute_process(COMMAND ${NM} --extern-only --defined-only ${object}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} could not read ${object}")
  endif()
  # "<address> T <name>": only code is exported; data would need dllimport at every use.
  string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" functions "${listing}")
  foreach(line IN LISTS functions)
    string(REGEX REPLACE "^[0-9a-fA-F]+ T ${SYMBOL_PREFIX}" "" symbol "${line}")
    if(symbol MATCHES "${PATTERN}")
      list(APPEND exports "${symbol}")
    endif()
  endforeach()
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
# Rewriting an unchanged file would relink every importer.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
