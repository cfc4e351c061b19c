// SPDX-License-Identifier: MIT
// The fault guard on Win32 under Wine: real processor exceptions, raised exceptions and C++
// throws end the guarded call, guards nest, a handler deeper than the guard keeps what it
// handles, and faults of other threads or outside every guard reach their own handlers.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/GuardedCall.h"
#include "platform/win32.h"

namespace {

__attribute__((noinline)) void read_wild()
{
    volatile int* volatile target = reinterpret_cast<int*>(0x10);
    int value = *target;
    (void)value;
}

__attribute__((noinline)) void write_null()
{
    volatile int* volatile target = nullptr;
    *target = 7;
}

__attribute__((noinline)) void divide_by_zero()
{
    volatile int zero = 0;
    volatile int result = 10 / zero;
    (void)result;
}

__attribute__((noinline)) void illegal_instruction()
{
    __builtin_trap();
}

__attribute__((noinline)) void throw_exception()
{
    throw std::runtime_error("thrown");
}

struct FaultCase {
    const char* name;
    void (*fault)();
};

const FaultCase kFaults[] = {
    {"read from an unmapped page", read_wild},
    {"write through null", write_null},
    {"integer division by zero", divide_by_zero},
    {"illegal instruction", illegal_instruction},
    {"C++ exception", throw_exception},
};

// The test's own last-resort handler: catches a fault that no guard took, by the same
// redirect-and-jump the guard uses, so that a wrong answer fails the test instead of the run.
void* volatile testJump[5];
volatile bool testArmed = false;
volatile LONG testHandlerHits = 0;

__attribute__((noreturn, noinline)) void test_recover()
{
    __builtin_longjmp(const_cast<void**>(testJump), 1);
}

LONG CALLBACK test_handler(EXCEPTION_POINTERS* info)
{
    if (!testArmed || info->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    ++testHandlerHits;
    testArmed = false;
    CONTEXT* context = info->ContextRecord;
#if defined(__x86_64__)
    const DWORD64 sp = (context->Rsp - 256) & ~static_cast<DWORD64>(15);
    context->Rsp = sp - 8;
    context->Rip = reinterpret_cast<DWORD64>(&test_recover);
#else
    const DWORD sp = (context->Esp - 256) & ~static_cast<DWORD>(15);
    context->Esp = sp - 4;
    context->Eip = reinterpret_cast<DWORD>(&test_recover);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

// A process-wide handler that only counts what it is shown.
volatile LONG watcherHits = 0;

LONG CALLBACK watch_handler(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        ++watcherHits;
    return EXCEPTION_CONTINUE_SEARCH;
}

// Runs fault() with the test's handler behind every other one; true when the handler took it.
__attribute__((noinline)) bool reaches_test_handler(void (*fault)())
{
    PVOID handler = AddVectoredExceptionHandler(0, test_handler);
    volatile bool caught = true;
    if (__builtin_setjmp(const_cast<void**>(testJump)) == 0) {
        testArmed = true;
        fault();
        caught = false;
    }
    testArmed = false;
    RemoveVectoredExceptionHandler(handler);
    return caught;
}

}  // namespace

TEST(WineFaultGuard, CompletedCallReturnsTrue)
{
    int runs = 0;
    EXPECT_TRUE(RunGuardedCall([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(WineFaultGuard, EachFaultEndsTheCallAndTheNextCallRuns)
{
    for (const FaultCase& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        bool after = false;
        EXPECT_FALSE(RunGuardedCall([&] {
            fault.fault();
            after = true;
        }));
        EXPECT_FALSE(after);
        int runs = 0;
        EXPECT_TRUE(RunGuardedCall([&] { ++runs; }));
        EXPECT_EQ(runs, 1);
    }
}

TEST(WineFaultGuard, InnerGuardTakesTheFaultAndTheOuterCallGoesOn)
{
    bool inner = true, outerFinished = false;
    EXPECT_TRUE(RunGuardedCall([&] {
        inner = RunGuardedCall([] { write_null(); });
        outerFinished = true;
    }));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(outerFinished);

    // After the inner guard has gone, a fault in the outer call is the outer guard's.
    bool afterFault = false;
    EXPECT_FALSE(RunGuardedCall([&] {
        EXPECT_TRUE(RunGuardedCall([] {}));
        read_wild();
        afterFault = true;
    }));
    EXPECT_FALSE(afterFault);
}

TEST(WineFaultGuard, FaultOutsideEveryGuardGoesToTheProcessHandlers)
{
    // Used and finished guards must leave nothing behind that would swallow this fault.
    EXPECT_FALSE(RunGuardedCall([] { read_wild(); }));
    testHandlerHits = 0;
    EXPECT_TRUE(reaches_test_handler(read_wild));
    EXPECT_EQ(testHandlerHits, 1);

    // Inside a guard, a process-wide handler that declines is asked first, as the system
    // asks vectored handlers before any frame's, and the guard then takes the fault.
    watcherHits = 0;
    PVOID handler = AddVectoredExceptionHandler(0, watch_handler);
    EXPECT_FALSE(RunGuardedCall([] { read_wild(); }));
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(watcherHits, 1);
}

TEST(WineFaultGuard, EveryRaisedExceptionEndsTheCall)
{
    const struct {
        DWORD code;
        DWORD flags;
    } kRaised[] = {
        {0xE0000001, 0},                          // an application's own code
        {0xE0000002, EXCEPTION_NONCONTINUABLE},   // one that cannot be resumed
        {0xC000000D, 0},                          // a system code (invalid parameter) no processor raises
    };
    for (const auto& raised : kRaised) {
        SCOPED_TRACE(testing::Message() << std::hex << raised.code << " flags " << raised.flags);
        bool after = false;
        EXPECT_FALSE(RunGuardedCall([&] {
            ULONG_PTR argument = 0;
            RaiseException(raised.code, raised.flags, 1, &argument);
            after = true;
        }));
        EXPECT_FALSE(after);
    }
    int runs = 0;
    EXPECT_TRUE(RunGuardedCall([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(WineFaultGuard, AHandlerDeeperThanTheGuardKeepsWhatItHandles)
{
    bool finished = false;
    BOOL bad = FALSE;
    EXPECT_TRUE(RunGuardedCall([&] {
        // The system's probe takes its own access violation.
        bad = IsBadReadPtr(reinterpret_cast<const void*>(0x10), 4);
        try {
            throw_exception();
        } catch (const std::exception&) {
        }
        finished = true;
    }));
    EXPECT_TRUE(bad);
    EXPECT_TRUE(finished);
}

namespace {

struct ThreadFault {
    HANDLE inGuard;   // the main thread is inside its guarded call
    HANDLE faulted;   // the other thread is done
    bool tookIt;      // the other thread's fault reached the test's own handler
};

DWORD WINAPI fault_elsewhere(void* parameter)
{
    ThreadFault* shared = static_cast<ThreadFault*>(parameter);
    WaitForSingleObject(shared->inGuard, INFINITE);
    shared->tookIt = reaches_test_handler(read_wild);
    SetEvent(shared->faulted);
    return 0;
}

}  // namespace

TEST(WineFaultGuard, AnotherThreadsFaultIsNotTheGuardsToTake)
{
    ThreadFault shared = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr),
                          false};
    ASSERT_TRUE(shared.inGuard && shared.faulted);
    testHandlerHits = 0;
    HANDLE thread = CreateThread(nullptr, 0, fault_elsewhere, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    bool finished = false;
    EXPECT_TRUE(RunGuardedCall([&] {
        SetEvent(shared.inGuard);
        WaitForSingleObject(shared.faulted, INFINITE);
        finished = true;
    })) << "the guarded call was ended by a fault it did not make";
    EXPECT_TRUE(finished);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(shared.tookIt);
    EXPECT_EQ(testHandlerHits, 1);
    CloseHandle(shared.inGuard);
    CloseHandle(shared.faulted);
}

namespace {

// A frame between the guard and the fault with a handler of its own, as a __finally or the
// system's window-message code has: it must be called for the unwind when the guard takes the
// fault.
volatile LONG betweenUnwound = 0;

extern "C" __attribute__((used)) EXCEPTION_DISPOSITION NTAPI test_between_handler(EXCEPTION_RECORD* record, PVOID,
                                                                                 CONTEXT*, PVOID)
{
    if (record->ExceptionFlags & EXCEPTION_UNWINDING)
        ++betweenUnwound;
    return ExceptionContinueSearch;
}

#if defined(__x86_64__)
extern "C" void test_call_between(void (*call)());
__asm__(
    "\t.text\n"
    "\t.p2align 4\n"
    "\t.def test_call_between; .scl 2; .type 32; .endef\n"
    "\t.seh_proc test_call_between\n"
    "test_call_between:\n"
    "\tsubq $40, %rsp\n"
    "\t.seh_stackalloc 40\n"
    "\t.seh_endprologue\n"
    "\t.seh_handler test_between_handler, @except, @unwind\n"
    "\tcall *%rcx\n"
    "\tnop\n"
    "\taddq $40, %rsp\n"
    "\tret\n"
    "\t.seh_endproc\n");
#else
__attribute__((noinline)) void test_call_between(void (*call)())
{
    NT_TIB* block;
    __asm__("movl %%fs:0x18, %0" : "=r"(block));
    EXCEPTION_REGISTRATION_RECORD record;
    record.Next = block->ExceptionList;
    record.Handler = test_between_handler;
    block->ExceptionList = &record;
    call();
    block->ExceptionList = record.Next;
}
#endif

void no_fault() {}

}  // namespace

TEST(WineFaultGuard, FramesBetweenTheFaultAndTheGuardAreUnwound)
{
    betweenUnwound = 0;
    EXPECT_FALSE(RunGuardedCall([] { test_call_between(read_wild); }));
    EXPECT_EQ(betweenUnwound, 1);
    EXPECT_TRUE(RunGuardedCall([] { test_call_between(no_fault); }));
    EXPECT_EQ(betweenUnwound, 1) << "a call that returned was unwound";
    int runs = 0;
    EXPECT_TRUE(RunGuardedCall([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}
