// SPDX-License-Identifier: MIT
// A library with no module tables of its own that depends on the test plug-in, whose tables
// dlsym would find through it: the loader must not take them for this library's.
extern "C" const char __sim_module_name[];

__attribute__((visibility("default"))) const char* dependent_module_name()
{
    return __sim_module_name;
}
