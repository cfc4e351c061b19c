// SPDX-License-Identifier: MIT
// A module's file path (GetModuleFileNameW) and the device's user-interface language.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

#include "platform/win32.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/kernel/RawAllocator.h"

namespace sim::kernel {
namespace {

constexpr LANGID kDefaultLanguage = 0x0409;  // English (United States)

struct Modules {
    std::mutex lock;
    std::map<HMODULE, std::u16string> overrides;
    LANGID language = kDefaultLanguage;
};

Modules& modules()
{
    return immortal<Modules>();
}

void reset_modules()
{
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    m.overrides.clear();
    m.language = kDefaultLanguage;
}

const bool registered = (register_reset("modules", reset_modules), true);

std::string executable_path()
{
    char path[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, length) : std::string();
}

// The file of the module whose base address is `module` (null: the program), absolute.
// False when no loaded module starts there.
bool host_path(HMODULE module, std::string& path)
{
    if (!module) {
        path = executable_path();
        return !path.empty();
    }
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(module), &info) || info.dli_fbase != reinterpret_cast<void*>(module))
        return false;
    path = info.dli_fname ? info.dli_fname : "";
    if (path.empty() || path[0] != '/') {
        // The program itself is reported by the name it was started with.
        char* absolute = ::realpath(path.empty() ? "/proc/self/exe" : path.c_str(), nullptr);
        path = absolute ? absolute : executable_path();
        std::free(absolute);
    }
    return !path.empty();
}

std::u16string to_utf16(const std::string& text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(length > 0 ? length : 0, u'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length);
    return out;
}

}  // namespace

void override_module_path(HMODULE module, std::u16string path)
{
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    m.overrides[module] = std::move(path);
}

void clear_module_path_override(HMODULE module)
{
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    m.overrides.erase(module);
}

void set_device_language(LANGID language)
{
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    m.language = language;
}

}  // namespace sim::kernel

using namespace sim::kernel;

// GetModuleFileNameW (coredll): the module's file through dladdr (HMODULE is the base
// address), or the path a test set. A path that does not fit is cut and terminated, and
// the result is then the buffer size with last error 122.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size)
{
    if (!name && size) {
        sim::report_violation("GetModuleFileNameW", "null buffer");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string path;
    bool found = false;
    {
        Modules& m = modules();
        std::lock_guard<std::mutex> guard(m.lock);
        auto it = m.overrides.find(module);
        if (it != m.overrides.end())
            path = it->second, found = true;
    }
    std::string host;
    if (!found && host_path(module, host))
        path = to_utf16(host), found = true;
    if (!found) {
        char what[64];
        std::snprintf(what, sizeof what, "no module at %p", static_cast<void*>(module));
        sim::report_violation("GetModuleFileNameW", what);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < size) {
        path.copy(name, path.size());
        name[path.size()] = 0;
        return static_cast<DWORD>(path.size());
    }
    path.copy(name, size - 1);
    name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

// GetUserDefaultUILanguage (coredll): the language set with sim::kernel::set_device_language.
LANGID WINAPI GetUserDefaultUILanguage(void)
{
    Modules& m = modules();
    std::lock_guard<std::mutex> guard(m.lock);
    return m.language;
}
