# SPDX-License-Identifier: MIT
# Redraws the icons into WORK with ICONGEN and fails when any differs from SOURCE's copy.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${ICONGEN} ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "icongen failed: ${rc}")
endif()
foreach(icon globe.ico globe_bolt.ico expand.ico collapse.ico)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/${icon} ${SOURCE}/${icon} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "${SOURCE}/${icon} is not what icongen draws now: run icongen ${SOURCE}")
  endif()
endforeach()
