// SPDX-License-Identifier: MIT
// Control and observation of the simulated module loader, for tests and todaysim.
//
// Modules are ELF shared objects carrying the tables of ModuleTables.h. A module's HMODULE
// is its load address, as on the device, so GetModuleFileNameW and the resource registry
// agree with the loader on what a handle means.
#ifndef LINKORY_SIM_LOADER_SIMLOADER_H
#define LINKORY_SIM_LOADER_SIMLOADER_H

#include <cstddef>
#include <string>

#include "platform/win32.h"

namespace sim::loader {

size_t loaded_modules();

// The module's reference count (LoadLibraryW calls not yet balanced by FreeLibrary);
// 0 for a handle that is not a loaded module.
int module_references(HMODULE module);

// The name of the module's LIBRARY statement ("Linkory.dll"), or empty when not loaded.
std::string module_name(HMODULE module);

// Why the last failed LoadLibraryW failed, as the dynamic linker or the table check put it.
std::string last_load_error();

// Unloads every module still loaded, each with its DLL_PROCESS_DETACH, as FreeLibrary would.
// Registered with sim::register_reset; tests call sim::reset_for_tests().
void reset();

}  // namespace sim::loader

#endif
