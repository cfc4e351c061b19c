# SPDX-License-Identifier: MIT
# linkory_add_module_tables(<target> DEF <file.def> RC <file.rc>): makes a shared library
# target a module the simulated loader can load, with the ordinal and resource tables that
# the .def and .rc describe, and hides every other symbol.
#
# The tables are generated at build time and again whenever the .def, the .rc or an icon it
# names changes. The exported functions must have C linkage, and the module must define
# DllMain. The caller names the output file (PREFIX "", SUFFIX ".dll").
set(LINKORY_MODULE_TABLES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ModuleTablesGen.cmake)

function(linkory_add_module_tables target)
  cmake_parse_arguments(M "" "DEF;RC" "" ${ARGN})
  if(NOT M_DEF OR NOT M_RC OR M_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "linkory_add_module_tables(${target} DEF <file.def> RC <file.rc>): got ${ARGN}")
  endif()
  get_filename_component(def ${M_DEF} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(rc ${M_RC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_module_tables.cpp)

  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DDEF=${def} -DRC=${rc} -DOUT=${out} -DDEPFILE=${out}.d
            -P ${LINKORY_MODULE_TABLES_SCRIPT}
    DEPENDS ${def} ${rc} ${LINKORY_MODULE_TABLES_SCRIPT}
    DEPFILE ${out}.d
    COMMENT "Ordinal and resource tables of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
  target_link_libraries(${target} PRIVATE linkory_platform)

  # Only the tables are dynamic symbols: the visibility default keeps the code's own
  # symbols out, and the version script also catches what headers mark visible (std::).
  set(map ${CMAKE_BINARY_DIR}/linkory_module.map)
  file(CONFIGURE OUTPUT ${map} CONTENT "{\n  global:\n    __sim_ordinal_table;\n    __sim_ordinal_count;\n    __sim_module_name;\n    __sim_resource_table;\n    __sim_resource_count;\n    __sim_dllmain;\n  local: *;\n};\n")
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()
