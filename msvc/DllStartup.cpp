// SPDX-License-Identifier: MIT
// What the C runtime's start-up does for a DLL built by Microsoft's compilers, for the builds
// in Microsoft mode under Wine, which has no static C runtime to link: the entry point runs
// the static constructors before DllMain sees the attach and the functions given to atexit
// (the static destructors among them) after DllMain has seen the detach, in reverse order.
// The runtime's data that compiled code names is in RuntimeData.cpp.
//
// <windows.h> stays out: its <stdlib.h> declares atexit as the runtime DLL's import, and this
// file defines it for the module alone. The loader's types are spelt out with their sizes.
typedef int BOOL;
typedef unsigned long DWORD;
const DWORD kProcessDetach = 0;  // DLL_PROCESS_DETACH
const DWORD kProcessAttach = 1;  // DLL_PROCESS_ATTACH

extern "C" BOOL __stdcall DllMain(void* module, DWORD reason, void* reserved);

typedef void(__cdecl* StartupFunction)(void);

// The compiler lists each translation unit's initialiser in .CRT$XCU; the linker orders the
// .CRT$ sections by the name after the $, so these two bracket every entry. The gaps the
// linker may pad with are null.
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
extern "C" {
__declspec(allocate(".CRT$XCA")) const StartupFunction linkory_initialisers_first = 0;
__declspec(allocate(".CRT$XCZ")) const StartupFunction linkory_initialisers_last = 0;
}

namespace {

// atexit's functions for this module alone, as a DLL's runtime keeps them: the process's
// own list would call them after the DLL is gone. The plug-in registers its static
// destructors only; a full list refuses more, as atexit may.
const int kExitCapacity = 64;
StartupFunction exitFunctions[kExitCapacity];
int exitCount = 0;

void RunInitialisers()
{
    for (const StartupFunction* entry = &linkory_initialisers_first + 1; entry < &linkory_initialisers_last; ++entry)
        if (*entry)
            (*entry)();
}

void RunExitFunctions()
{
    while (exitCount > 0) {
        --exitCount;
        exitFunctions[exitCount]();
    }
}

}  // namespace

extern "C" int __cdecl atexit(StartupFunction function)
{
    if (!function || exitCount >= kExitCapacity)
        return -1;
    exitFunctions[exitCount] = function;
    ++exitCount;
    return 0;
}

extern "C" BOOL __stdcall _DllMainCRTStartup(void* module, DWORD reason, void* reserved)
{
    if (reason == kProcessAttach) {
        RunInitialisers();
        if (DllMain(module, reason, reserved))
            return 1;
        // A refused attach gets no detach from the loader: undo the start-up as the runtime
        // does, with the detach that DllMain would otherwise never see.
        DllMain(module, kProcessDetach, reserved);
        RunExitFunctions();
        return 0;
    }
    BOOL result = DllMain(module, reason, reserved);
    if (reason == kProcessDetach)
        RunExitFunctions();
    return result;
}
