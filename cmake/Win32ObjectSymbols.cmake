# SPDX-License-Identifier: MIT
# Helpers of the cmake -P scripts that write module-definition files from object files.

# The global functions that the objects OBJECTS ('|'-separated) define, as `nm` (NM) lists them
# ("<address> T <name>": only code is exported; data would need dllimport at every use),
# with SYMBOL_PREFIX (an underscore on 32-bit x86, which a .def omits) stripped. A __stdcall
# name keeps its @N.
function(linkory_object_functions out)
  string(REPLACE "|" ";" objects "${OBJECTS}")
  set(symbols "")
  foreach(object IN LISTS objects)
    execute_process(COMMAND ${NM} --extern-only --defined-only ${object}
                    OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${NM} could not read ${object}")
    endif()
    string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" functions "${listing}")
    foreach(line IN LISTS functions)
      string(REGEX REPLACE "^[0-9a-fA-F]+ T ${SYMBOL_PREFIX}" "" symbol "${line}")
      list(APPEND symbols "${symbol}")
    endforeach()
  endforeach()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# Writes `text` to `path` unless it holds that already: rewriting an unchanged file would
# relink whatever is made from it.
function(linkory_write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" previous)
    if(previous STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()
