// SPDX-License-Identifier: MIT
// LoadLibraryW, GetProcAddress and FreeLibrary over dlopen, with ordinals and resources
// taken from the tables a module carries in place of PE sections.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/win32.h"
#include "sim/common/ModuleResources.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/loader/ModuleTables.h"
#include "sim/loader/SimLoader.h"

namespace sim::loader {
namespace {

struct Module {
    void* dl = nullptr;
    int references = 0;
    const SimOrdinal* ordinals = nullptr;
    size_t ordinal_count = 0;
    const SimResource* resources = nullptr;
    size_t resource_count = 0;
    SimDllMain dllmain = nullptr;
    std::string name;
};

// Held across DllMain like the device's loader lock; recursive so that a DllMain may load
// or look up modules itself.
std::recursive_mutex& lock()
{
    static std::recursive_mutex mutex;
    return mutex;
}

std::map<HMODULE, Module>& modules()
{
    static std::map<HMODULE, Module> map;
    return map;
}

std::string& load_error()
{
    static std::string text;
    return text;
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD, which then names no file.
std::string to_utf8(LPCWSTR text)
{
    std::string out;
    for (size_t i = 0; text[i]; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

template <class T>
T* table_symbol(void* dl, const char* name)
{
    return static_cast<T*>(dlsym(dl, name));
}

// Reads the module's tables; false (and the reason) when it is not one of our modules.
bool read_tables(void* dl, Module& module, std::string& why)
{
    auto ordinals = table_symbol<const SimOrdinal>(dl, SIM_SYM_ORDINAL_TABLE);
    auto ordinal_count = table_symbol<const size_t>(dl, SIM_SYM_ORDINAL_COUNT);
    auto resources = table_symbol<const SimResource>(dl, SIM_SYM_RESOURCE_TABLE);
    auto resource_count = table_symbol<const size_t>(dl, SIM_SYM_RESOURCE_COUNT);
    auto name = table_symbol<const char>(dl, SIM_SYM_MODULE_NAME);
    auto dllmain = table_symbol<const SimDllMain>(dl, SIM_SYM_DLLMAIN);
    if (!ordinals || !ordinal_count || !resources || !resource_count || !name || !dllmain || !*dllmain) {
        why = "not a module: its ordinal, resource or DllMain table is missing";
        return false;
    }
    module.ordinals = ordinals;
    module.ordinal_count = *ordinal_count;
    module.resources = resources;
    module.resource_count = *resource_count;
    module.name = name;
    module.dllmain = *dllmain;
    return true;
}

// dlsym also searches a library's dependencies: tables found there belong to another module.
bool tables_are_own(void* dl, const Dl_info& tables, std::string& why)
{
    struct link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && tables.dli_fname &&
        std::string(map->l_name) == tables.dli_fname)
        return true;
    why = "not a module: the tables found belong to " + std::string(tables.dli_fname ? tables.dli_fname : "another library");
    return false;
}

Module* find(HMODULE handle)
{
    auto it = modules().find(handle);
    return it == modules().end() ? nullptr : &it->second;
}

// Forgets a module whose last reference is gone: resources first, so nothing can hand out
// an icon from code about to be unmapped.
void drop(HMODULE handle)
{
    auto it = modules().find(handle);
    void* dl = it->second.dl;
    modules().erase(it);
    sim::unregister_module_resources(handle);
    dlclose(dl);
}

HMODULE load(LPCWSTR file)
{
    if (!file || !file[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string path = to_utf8(file);
    struct stat info;
    // A name without a folder is searched like the device's \Windows: beside the simulated
    // system libraries (the loader's own run path) and the dynamic linker's usual places.
    const bool has_folder = path.find('/') != std::string::npos;
    if (has_folder && (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))) {
        load_error() = path + ": no such file";
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char* why = dlerror();
        load_error() = why ? why : path;
        SetLastError(has_folder ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Module module;
    module.dl = dl;
    module.references = 1;
    Dl_info where;
    if (!read_tables(dl, module, load_error()) || !dladdr(module.ordinals, &where) || !where.dli_fbase ||
        !tables_are_own(dl, where, load_error())) {
        dlclose(dl);
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    HMODULE handle = static_cast<HMODULE>(where.dli_fbase);
    if (Module* loaded = find(handle)) {
        // dlopen counted this open as well; one dynamic-linker reference per module suffices.
        dlclose(dl);
        ++loaded->references;
        return handle;
    }
    SimDllMain dllmain = module.dllmain;
    sim::register_module_resources(handle, module.resources, module.resource_count);
    modules().emplace(handle, std::move(module));
    if (!dllmain(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_ATTACH, nullptr)) {
        // As on Windows: a refused attach is followed by the detach, then the module goes.
        dllmain(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_DETACH, nullptr);
        if (find(handle))
            drop(handle);
        load_error() = path + ": DllMain refused DLL_PROCESS_ATTACH";
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return handle;
}

}  // namespace

size_t loaded_modules()
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    return modules().size();
}

int module_references(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    Module* m = find(module);
    return m ? m->references : 0;
}

std::string module_name(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    Module* m = find(module);
    return m ? m->name : std::string();
}

std::string last_load_error()
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    return load_error();
}

void reset()
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    while (!modules().empty()) {
        HMODULE handle = modules().begin()->first;
        SimDllMain dllmain = modules().begin()->second.dllmain;
        modules().begin()->second.references = 0;
        dllmain(reinterpret_cast<HINSTANCE>(handle), DLL_PROCESS_DETACH, nullptr);
        if (find(handle))
            drop(handle);
    }
    load_error().clear();
}

namespace {
const sim::ResetRegistration reset_registration("loader", &reset);
}

}  // namespace sim::loader

using namespace sim::loader;

// LoadLibraryW (coredll): dlopen of an ELF module carrying ordinal and resource tables.
// Differs from the device in that a module without those tables is refused (193).
extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    return load(name);
}

// GetProcAddress (coredll): by ordinal only, since our modules export no names.
extern "C" FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    Module* m = find(module);
    if (!m) {
        sim::report_violation("GetProcAddress", "module handle is not a loaded module");
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (IS_INTRESOURCE(name)) {
        const WORD ordinal = LOWORD(name);
        for (size_t i = 0; i < m->ordinal_count; ++i)
            if (m->ordinals[i].ordinal == ordinal)
                return m->ordinals[i].address;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

// FreeLibrary (coredll): DLL_PROCESS_DETACH and dlclose when the last reference goes.
extern "C" BOOL WINAPI FreeLibrary(HMODULE module)
{
    std::lock_guard<std::recursive_mutex> guard(lock());
    Module* m = find(module);
    if (!m || m->references <= 0) {
        sim::report_violation("FreeLibrary", "module handle is not a loaded module");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--m->references > 0)
        return TRUE;
    m->dllmain(reinterpret_cast<HINSTANCE>(module), DLL_PROCESS_DETACH, nullptr);
    if (find(module))
        drop(module);
    return TRUE;
}
