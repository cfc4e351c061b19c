// SPDX-License-Identifier: MIT
// The tables that stand in for a module's export and resource sections on ELF.
//
// linkory_add_module_tables (cmake/ResourceTable.cmake) generates their definitions from a
// module's .def and .rc; the loader finds them with dlsym. They and nothing else of the
// module are dynamic symbols, so the names below are the module's whole visible surface.
#ifndef LINKORY_SIM_LOADER_MODULETABLES_H
#define LINKORY_SIM_LOADER_MODULETABLES_H

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "sim/common/ModuleResources.h"

#define SIM_MODULE_VISIBLE __attribute__((visibility("default")))

extern "C" {

// One export: the ordinal the .def gives it and the function's address.
struct SimOrdinal {
    uint16_t ordinal;
    FARPROC address;
};

typedef BOOL(WINAPI* SimDllMain)(HINSTANCE module, DWORD reason, LPVOID reserved);

SIM_MODULE_VISIBLE extern const SimOrdinal __sim_ordinal_table[];
SIM_MODULE_VISIBLE extern const size_t __sim_ordinal_count;
SIM_MODULE_VISIBLE extern const char __sim_module_name[];  // the .def's LIBRARY name
SIM_MODULE_VISIBLE extern const SimResource __sim_resource_table[];
SIM_MODULE_VISIBLE extern const size_t __sim_resource_count;
SIM_MODULE_VISIBLE extern const SimDllMain __sim_dllmain;

}

// The dynamic symbol names, for dlsym and for checks of a module's symbol table.
#define SIM_SYM_ORDINAL_TABLE "__sim_ordinal_table"
#define SIM_SYM_ORDINAL_COUNT "__sim_ordinal_count"
#define SIM_SYM_MODULE_NAME "__sim_module_name"
#define SIM_SYM_RESOURCE_TABLE "__sim_resource_table"
#define SIM_SYM_RESOURCE_COUNT "__sim_resource_count"
#define SIM_SYM_DLLMAIN "__sim_dllmain"

#endif
