// SPDX-License-Identifier: MIT
// The C and C++ runtime's data that code compiled in Microsoft mode names, which the runtime
// DLLs' import libraries cannot give (a DLL exports functions to these modules, not objects
// they place in their own image). Linked into every binary of this build.
#include <new>

extern "C" {
// Marks a module that uses floating point; the runtime's own definition is a plain zero.
int _fltused = 0;

// Every type descriptor (RTTI, and the thrown types that catch compares) starts with a pointer
// to type_info's virtual table. Exceptions are matched by the descriptors' names and typeid
// is never used, so the table is never called through: one empty slot, as long as the
// destructor's would be.
extern const void* const linkory_type_info_vftable[1] = {0};
}
#if defined(_M_IX86)
#pragma comment(linker, "/alternatename:??_7type_info@@6B@=_linkory_type_info_vftable")
#else
#pragma comment(linker, "/alternatename:??_7type_info@@6B@=linkory_type_info_vftable")
#endif

const std::nothrow_t std::nothrow = std::nothrow_t();
