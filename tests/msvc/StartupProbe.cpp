// SPDX-License-Identifier: MIT
// A DLL built like Linkory.dll in Microsoft mode (the same start-up file and allocator) whose
// static object, atexit function and DllMain tell the test what ran, in which order.
#include <windows.h>

#include <new>

namespace {

int* eventLog = 0;  // the test's log, given by ProbeWatch
int eventCount = 0;
bool constructedBeforeAttach = false;

void Record(int event)
{
    if (eventLog)
        eventLog[eventCount++] = event;
}

enum { kDetachSeen = 1, kExitFunctionRan = 2, kStaticDestroyed = 3 };

class StaticWitness {
public:
    StaticWitness() : constructed(true) {}
    ~StaticWitness() { Record(kStaticDestroyed); }
    bool constructed;
};

StaticWitness witness;

void __cdecl AtExit()
{
    Record(kExitFunctionRan);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        constructedBeforeAttach = witness.constructed;
    if (reason == DLL_PROCESS_DETACH)
        Record(kDetachSeen);
    return TRUE;
}

// What start-up did: the static object was built before DllMain's attach.
extern "C" __declspec(dllexport) BOOL ProbeConstructedBeforeAttach()
{
    return constructedBeforeAttach;
}

// Logs the detach from here on; registers a function with atexit, which must run at the
// detach, after DllMain and before the static object that was registered earlier.
extern "C" __declspec(dllexport) BOOL ProbeWatch(int* log)
{
    eventLog = log;
    return atexit(AtExit) == 0;
}

// The nothrow allocation the plug-in uses, with its null on a request that cannot be met.
extern "C" __declspec(dllexport) BOOL ProbeAllocate(size_t impossibleSize)
{
    int* block = new (std::nothrow) int[4];
    char* impossible = new (std::nothrow) char[impossibleSize];
    const BOOL ok = block != 0 && impossible == 0;
    delete[] block;
    return ok;
}
