# SPDX-License-Identifier: MIT
# linkory_win32_dll(NAME SOURCES ... [NAMESPACES ns ...] [FUNCTIONS f ...] [LIBS ...]): a DLL
# named NAME.dll that exports the C functions listed and every function of the namespaces
# (sim::cellcore), like the version scripts of the ELF build. The .def is made from the
# compiled objects, so a function added to a namespace is exported without editing a list.
set(LINKORY_WIN32_DEF_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/Win32DefFromObjects.cmake)

# The prefix of the mangled names of a namespace's functions: sim::cellcore -> 3sim8cellcore,
# after _ZN and any qualifiers of a member function (K const, V volatile, R and O references).
function(linkory_mangled_namespace out namespace)
  string(REPLACE "::" ";" parts "${namespace}")
  set(prefix "")
  foreach(part IN LISTS parts)
    string(LENGTH "${part}" length)
    string(APPEND prefix "${length}${part}")
  endforeach()
  set(${out} "_ZN[KVRO]*${prefix}" PARENT_SCOPE)
endfunction()

function(linkory_win32_dll name)
  cmake_parse_arguments(D "" "" "SOURCES;NAMESPACES;FUNCTIONS;LIBS" ${ARGN})
  set(alternatives ${D_FUNCTIONS})
  foreach(namespace IN LISTS D_NAMESPACES)
    linkory_mangled_namespace(prefix ${namespace})
    list(APPEND alternatives ${prefix})
  endforeach()
  list(JOIN alternatives "|" pattern)
  add_library(${name}_objects OBJECT ${D_SOURCES})
  target_link_libraries(${name}_objects PUBLIC linkory_platform ${D_LIBS})

  set(def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
  add_custom_command(OUTPUT ${def}
    COMMAND ${CMAKE_COMMAND} -DNM=${LINKORY_MINGW_NM} -DLIBRARY=${name}.dll -DOUTPUT=${def}
            "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:${name}_objects>,|>" "-DPATTERN=^(${pattern})"
            -P ${LINKORY_WIN32_DEF_SCRIPT}
    DEPENDS ${name}_objects $<TARGET_OBJECTS:${name}_objects> ${LINKORY_WIN32_DEF_SCRIPT}
    COMMENT "Exports of ${name}.dll"
    VERBATIM)

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_objects> ${def})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PUBLIC linkory_platform PRIVATE ${D_LIBS})
endfunction()
