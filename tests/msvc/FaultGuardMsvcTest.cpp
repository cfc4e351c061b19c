// SPDX-License-Identifier: MIT
// The fault guard's __try/__except branch, the device's, compiled in Microsoft mode and run
// under Wine: the cases of the mingw guard's Wine tests, with the test's own handlers written
// as __try/__except, and a __finally between the guard and the fault that must run.
#include <intrin.h>
#include <windows.h>

#include "Check.h"
#include "framework/BasicWnd.h"
#include "platform/FaultGuard.h"

namespace {

__declspec(noinline) void ReadWild(void*)
{
    volatile int* volatile target = reinterpret_cast<int*>(0x10);
    int value = *target;
    (void)value;
}

__declspec(noinline) void WriteNull(void*)
{
    volatile int* volatile target = 0;
    *target = 7;
}

__declspec(noinline) void DivideByZero(void*)
{
    volatile int zero = 0;
    volatile int result = 10 / zero;
    (void)result;
}

__declspec(noinline) void IllegalInstruction(void*)
{
    __ud2();
}

__declspec(noinline) void Throw(void*)
{
    throw 42;
}

void Count(void* runs)
{
    ++*static_cast<int*>(runs);
}

bool NextCallRuns()
{
    int runs = 0;
    return RunGuarded(Count, &runs) && runs == 1;
}

void EachFaultEndsTheCallAndTheNextCallRuns()
{
    CHECK(NextCallRuns());
    const GuardedCall faults[] = {ReadWild, WriteNull, DivideByZero, IllegalInstruction, Throw};
    for (int i = 0; i < static_cast<int>(sizeof faults / sizeof faults[0]); ++i) {
        CHECK(!RunGuarded(faults[i], 0));
        CHECK(NextCallRuns());
    }
}

void RaiseCode(void* code)
{
    const DWORD* raised = static_cast<const DWORD*>(code);
    ULONG_PTR argument = 0;
    RaiseException(raised[0], raised[1], 1, &argument);
}

void EveryRaisedExceptionEndsTheCall()
{
    const DWORD kRaised[][2] = {
        {0xE0000001, 0},                         // an application's own code
        {0xE0000002, EXCEPTION_NONCONTINUABLE},  // one that cannot be resumed
        {0xC000000D, 0},                         // a system code no processor raises
    };
    for (int i = 0; i < 3; ++i)
        CHECK(!RunGuarded(RaiseCode, const_cast<DWORD*>(kRaised[i])));
    CHECK(NextCallRuns());
}

void InnerFault(void* inner)
{
    *static_cast<bool*>(inner) = RunGuarded(WriteNull, 0);
    *(static_cast<bool*>(inner) + 1) = true;  // the outer call went on
}

void InnerGuardTakesTheFault()
{
    bool state[2] = {true, false};
    CHECK(RunGuarded(InnerFault, state));
    CHECK(!state[0]);
    CHECK(state[1]);
}

int TakesAccessViolations()
{
    __try {
        ReadWild(0);
    } __except (_exception_code() == EXCEPTION_ACCESS_VIOLATION ? EXCEPTION_EXECUTE_HANDLER
                                                                 : EXCEPTION_CONTINUE_SEARCH) {
        return 1;
    }
    return 0;
}

// A deeper handler that takes the fault keeps it: the system's probe, a __try of the caller's
// own, and a C++ catch.
void DeeperHandlers(void* results)
{
    int* kept = static_cast<int*>(results);
    kept[0] = IsBadReadPtr(reinterpret_cast<const void*>(0x10), 4) ? 1 : 0;
    kept[1] = TakesAccessViolations();
    try {
        Throw(0);
    } catch (int) {
        kept[2] = 1;
    }
    kept[3] = 1;
}

void AHandlerDeeperThanTheGuardKeepsWhatItHandles()
{
    int kept[4] = {0, 0, 0, 0};
    CHECK(RunGuarded(DeeperHandlers, kept));
    CHECK(kept[0] == 1 && kept[1] == 1 && kept[2] == 1 && kept[3] == 1);
}

struct ThreadFault {
    HANDLE inGuard;
    HANDLE faulted;
    bool tookIt;
};

DWORD WINAPI FaultElsewhere(void* parameter)
{
    ThreadFault* shared = static_cast<ThreadFault*>(parameter);
    WaitForSingleObject(shared->inGuard, INFINITE);
    __try {
        ReadWild(0);
    } __except (EXCEPTION_EXECUTE_HANDLER) {
        shared->tookIt = true;
    }
    SetEvent(shared->faulted);
    return 0;
}

void WaitInGuard(void* parameter)
{
    ThreadFault* shared = static_cast<ThreadFault*>(parameter);
    SetEvent(shared->inGuard);
    WaitForSingleObject(shared->faulted, INFINITE);
}

void AnotherThreadsFaultIsNotTheGuardsToTake()
{
    ThreadFault shared = {CreateEventW(0, TRUE, FALSE, 0), CreateEventW(0, TRUE, FALSE, 0), false};
    HANDLE thread = CreateThread(0, 0, FaultElsewhere, &shared, 0, 0);
    CHECK(thread != 0);
    CHECK(RunGuarded(WaitInGuard, &shared));
    WaitForSingleObject(thread, INFINITE);
    CHECK(shared.tookIt);
    CloseHandle(thread);
    CloseHandle(shared.inGuard);
    CloseHandle(shared.faulted);
}

void FaultInsideFinally(void* finallyRan)
{
    __try {
        ReadWild(0);
    } __finally {
        *static_cast<bool*>(finallyRan) = true;
    }
}

// The guard leaves the frames between it and the fault through the unwind, as __except does.
void FramesBetweenAreUnwound()
{
    bool finallyRan = false;
    CHECK(!RunGuarded(FaultInsideFinally, &finallyRan));
    CHECK(finallyRan);
}

const UINT kAnswer = WM_USER + 1;

class ProbeWnd : public CBasicWnd {
public:
    ProbeWnd() : faultOnTextLength(false) {}
    LRESULT WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_GETTEXTLENGTH && faultOnTextLength)
            ReadWild(0);
        if (msg == kAnswer)
            return 42;
        return CBasicWnd::WindowProc(window, msg, wParam, lParam);
    }
    HWND Window() const { return hwnd; }
    bool faultOnTextLength;
};

// A fault inside a guarded message: the default answer, and the window keeps working.
void FaultingMessageGetsTheDefaultAnswer()
{
    ProbeWnd probe;
    CHECK(probe.Create(GetModuleHandleW(0), 0, WS_POPUP, 0, L"abc", 0, 0, 20, 10, 0));
    probe.faultOnTextLength = true;
    // DefWindowProcW's answer is the title's length, which the faulting handler never gave.
    CHECK(SendMessageW(probe.Window(), WM_GETTEXTLENGTH, 0, 0) == 3);
    CHECK(SendMessageW(probe.Window(), kAnswer, 0, 0) == 42);
    CHECK(probe.Destroy());
    CBasicWnd::UnregisterWindowClass();
}

}  // namespace

extern const CheckGroup kFaultGuardChecks[] = {
    {"EachFaultEndsTheCallAndTheNextCallRuns", EachFaultEndsTheCallAndTheNextCallRuns},
    {"EveryRaisedExceptionEndsTheCall", EveryRaisedExceptionEndsTheCall},
    {"InnerGuardTakesTheFault", InnerGuardTakesTheFault},
    {"AHandlerDeeperThanTheGuardKeepsWhatItHandles", AHandlerDeeperThanTheGuardKeepsWhatItHandles},
    {"AnotherThreadsFaultIsNotTheGuardsToTake", AnotherThreadsFaultIsNotTheGuardsToTake},
    {"FramesBetweenAreUnwound", FramesBetweenAreUnwound},
    {"FaultingMessageGetsTheDefaultAnswer", FaultingMessageGetsTheDefaultAnswer},
};
extern const int kFaultGuardCheckCount = sizeof kFaultGuardChecks / sizeof kFaultGuardChecks[0];
