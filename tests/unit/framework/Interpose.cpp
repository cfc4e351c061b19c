// SPDX-License-Identifier: MIT
// DefWindowProcW and DestroyWindow seen from the test executable, forwarding to coredll.
#include "unit/framework/Interpose.h"

#include <dlfcn.h>

namespace interpose {
namespace {

bool refusing = false;

template <typename Function>
Function next_definition(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

std::vector<DefProcCall>& def_proc_calls()
{
    static std::vector<DefProcCall> calls;
    return calls;
}

size_t def_proc_count(HWND hwnd)
{
    size_t count = 0;
    for (const DefProcCall& call : def_proc_calls())
        count += call.hwnd == hwnd ? 1 : 0;
    return count;
}

void refuse_destroy(bool on)
{
    refusing = on;
}

}  // namespace interpose

extern "C" LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    using Function = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
    static Function real = interpose::next_definition<Function>("DefWindowProcW");
    interpose::def_proc_calls().push_back({hwnd, msg});
    return real(hwnd, msg, wParam, lParam);
}

extern "C" BOOL WINAPI DestroyWindow(HWND hwnd)
{
    using Function = BOOL (*)(HWND);
    static Function real = interpose::next_definition<Function>("DestroyWindow");
    if (interpose::refusing) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return real(hwnd);
}
