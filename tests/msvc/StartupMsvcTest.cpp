// SPDX-License-Identifier: MIT
// The start-up file of the Microsoft-mode DLLs: a DLL's static constructor runs before its
// DllMain sees the attach; at FreeLibrary, DllMain sees the detach, then the atexit functions
// and static destructors run, newest first; std::nothrow allocation works.
#include <windows.h>

#include "Check.h"

namespace {

template <typename Function>
Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void StaticObjectsLiveFromAttachToDetach()
{
    HMODULE probe = LoadLibraryW(L"msvc_startup_probe.dll");
    CHECK(probe != 0);
    if (!probe)
        return;
    typedef BOOL (*Query)();
    typedef BOOL (*Watch)(int*);
    typedef BOOL (*Allocate)(size_t);
    Query constructed = Export<Query>(probe, "ProbeConstructedBeforeAttach");
    Allocate allocate = Export<Allocate>(probe, "ProbeAllocate");
    Watch watch = Export<Watch>(probe, "ProbeWatch");
    CHECK(constructed && allocate && watch);
    if (!constructed || !allocate || !watch)
        return;
    CHECK(constructed());
    CHECK(allocate(static_cast<size_t>(-1) / 2));
    int log[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    CHECK(watch(log));
    CHECK(FreeLibrary(probe));
    // DllMain's detach, the atexit function, the static destructor; nothing more.
    CHECK(log[0] == 1 && log[1] == 2 && log[2] == 3 && log[3] == 0);
}

}  // namespace

extern const CheckGroup kStartupChecks[] = {
    {"StaticObjectsLiveFromAttachToDetach", StaticObjectsLiveFromAttachToDetach},
};
extern const int kStartupCheckCount = sizeof kStartupChecks / sizeof kStartupChecks[0];
