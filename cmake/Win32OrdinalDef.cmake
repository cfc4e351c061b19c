# SPDX-License-Identifier: MIT
# Copies the module-definition file INPUT to OUTPUT, giving each export the name that OBJECTS
# ('|'-separated) define for it: the plain name, or NAME@N for a __stdcall function on 32-bit
# x86. SYMBOL_PREFIX is stripped from the objects' names first. Run with cmake -P by
# linkory_win32_ordinal_dll.
include(${CMAKE_CURRENT_LIST_DIR}/Win32ObjectSymbols.cmake)
linkory_object_functions(symbols)

file(STRINGS "${INPUT}" lines)
set(text "")
set(in_exports FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*EXPORTS[ \t]*$")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^([ \t]+)([A-Za-z_][A-Za-z0-9_]*)([ \t].*)?$")
    set(indent "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    set(rest "${CMAKE_MATCH_3}")
    set(found "")
    foreach(symbol IN LISTS symbols)
      if(symbol STREQUAL name OR symbol MATCHES "^${name}@[0-9]+$")
        set(found "${symbol}")
        break()
      endif()
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "${INPUT}: export ${name} is defined by none of ${OBJECTS}")
    endif()
    set(line "${indent}${found}${rest}")
  elseif(line MATCHES "^[A-Z]")
    set(in_exports FALSE)
  endif()
  string(APPEND text "${line}\n")
endforeach()

linkory_write_if_changed("${OUTPUT}" "${text}")
