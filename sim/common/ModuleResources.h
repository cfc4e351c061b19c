// SPDX-License-Identifier: MIT
// The resource table of a loaded module. ELF has no resource section, so the build turns
// a module's .rc file into this table inside the shared object, and the loader registers
// it under the module's instance handle for LoadImageW to find.
#ifndef LINKORY_SIM_COMMON_MODULERESOURCES_H
#define LINKORY_SIM_COMMON_MODULERESOURCES_H

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

// Resource types as numbered by Win32 (RT_GROUP_ICON = 14). An icon group is stored as
// the bytes of its whole .ico file.
#define SIM_RT_GROUP_ICON 14

extern "C" {
struct SimResource {
    uint16_t type;
    uint16_t id;
    const unsigned char* data;
    uint32_t size;
};
}

namespace sim {

void register_module_resources(HINSTANCE module, const SimResource* table, size_t count);
void unregister_module_resources(HINSTANCE module);
// The resource of that type and id in the module's table, or null.
const SimResource* find_resource(HINSTANCE module, uint16_t type, uint16_t id);
// Whether the module's table holds any resource of that type (false for an unknown module).
bool has_resource_type(HINSTANCE module, uint16_t type);

}  // namespace sim

#endif
