# SPDX-License-Identifier: MIT
# linkory_win32_dll(NAME SOURCES ... [NAMESPACES ns ...] [FUNCTIONS f ...] [LIBS ...]): a DLL
# named NAME.dll that exports the C functions listed and every function of the namespaces
# (sim::cellcore), like the version scripts of the ELF build. The .def is made from the
# compiled objects, so a function added to a namespace is exported without editing a list.
set(LINKORY_WIN32_DEF_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/Win32DefFromObjects.cmake)
set(LINKORY_WIN32_ORDINAL_DEF_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/Win32OrdinalDef.cmake)

# 32-bit x86 names every C symbol with a leading underscore and a __stdcall one with @N, the
# bytes of its arguments; 64-bit has neither.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LINKORY_WIN32_SYMBOL_PREFIX _)
else()
  set(LINKORY_WIN32_SYMBOL_PREFIX "")
endif()

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
            -DSYMBOL_PREFIX=${LINKORY_WIN32_SYMBOL_PREFIX}
            "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:${name}_objects>,|>" "-DPATTERN=^(${pattern})"
            -P ${LINKORY_WIN32_DEF_SCRIPT}
    DEPENDS ${name}_objects $<TARGET_OBJECTS:${name}_objects> ${LINKORY_WIN32_DEF_SCRIPT}
    COMMENT "Exports of ${name}.dll"
    VERBATIM)

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_objects> ${def})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PUBLIC linkory_platform PRIVATE ${D_LIBS})
  if(LINKORY_WIN32_SYMBOL_PREFIX)
    # Exported as the real DLLs name them (ConnMgrEnumDestinations, not ...@8). The linker's
    # own import library would then lose the @8 that callers reference; dlltool's keeps it
    # and imports the plain name.
    target_link_options(${name} PRIVATE -Wl,--kill-at)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${LINKORY_MINGW_DLLTOOL} --kill-at --input-def ${def} --dllname ${name}.dll
              --output-lib $<TARGET_LINKER_FILE:${name}>
      VERBATIM)
  endif()
endfunction()

# linkory_win32_ordinal_dll(NAME DEF file SOURCES ... [RESOURCES ...] [LIBS ...]): a DLL whose
# exports are those of a hand-written .def (ordinals, NONAME). Names of __stdcall functions are
# decorated from the target's own objects just before the link, so one .def serves both word
# sizes; an export the objects lack fails the build.
function(linkory_win32_ordinal_dll name)
  cmake_parse_arguments(D "" "DEF" "SOURCES;RESOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${D_SOURCES} ${D_RESOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name} LINK_DEPENDS ${D_DEF})
  target_link_libraries(${name} PRIVATE ${D_LIBS})

  set(def ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
  add_custom_command(TARGET ${name} PRE_LINK
    COMMAND ${CMAKE_COMMAND} -DNM=${LINKORY_MINGW_NM} -DINPUT=${D_DEF} -DOUTPUT=${def}
            -DSYMBOL_PREFIX=${LINKORY_WIN32_SYMBOL_PREFIX}
            "-DOBJECTS=$<JOIN:$<TARGET_OBJECTS:${name}>,|>"
            -P ${LINKORY_WIN32_ORDINAL_DEF_SCRIPT}
    VERBATIM)
  # The compiler driver hands a .def among the inputs to the linker.
  target_link_options(${name} PRIVATE ${def})
endfunction()
