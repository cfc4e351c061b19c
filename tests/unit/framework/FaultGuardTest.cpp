// SPDX-License-Identifier: MIT
// The fault guard: faults and throws end the call, guards nest, other handlers survive.
#include <gtest/gtest.h>

#include <setjmp.h>
#include <signal.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "support/GuardedCall.h"

namespace {

__attribute__((noinline, no_sanitize("null"))) void read_null()
{
    volatile int* volatile target = nullptr;
    int value = *target;
    (void)value;
}

__attribute__((noinline, no_sanitize("null"))) void write_null()
{
    volatile int* volatile target = nullptr;
    *target = 7;
}

__attribute__((noinline, no_sanitize("integer-divide-by-zero"))) void divide_by_zero()
{
    volatile int zero = 0;
    volatile int result = 10 / zero;
    (void)result;
}

__attribute__((noinline)) void illegal_instruction()
{
    __builtin_trap();
}

__attribute__((noinline)) void bus_error()
{
    raise(SIGBUS);
}

__attribute__((noinline)) void throw_exception()
{
    throw std::runtime_error("thrown");
}

__attribute__((noinline)) void throw_int()
{
    throw 42;
}

struct FaultCase {
    const char* name;
    void (*fault)();
};

const FaultCase kFaults[] = {
    {"read through null", read_null},     {"write through null", write_null},
    {"divide by zero", divide_by_zero},   {"illegal instruction", illegal_instruction},
    {"bus error", bus_error},             {"std::exception", throw_exception},
    {"thrown int", throw_int},
};

sigjmp_buf* volatile testJump = nullptr;
volatile sig_atomic_t testHandlerHits = 0;

void test_handler(int, siginfo_t*, void*)
{
    testHandlerHits = testHandlerHits + 1;
    if (testJump != nullptr)
        siglongjmp(*testJump, 1);
}

// Installs test_handler for SIGSEGV while alive, as a host program's own handler would be.
struct OwnHandler {
    OwnHandler()
    {
        struct sigaction mine = {};
        mine.sa_sigaction = test_handler;
        mine.sa_flags = SA_SIGINFO;
        sigemptyset(&mine.sa_mask);
        sigaction(SIGSEGV, &mine, &before);
        testHandlerHits = 0;
    }
    ~OwnHandler() { sigaction(SIGSEGV, &before, nullptr); }
    struct sigaction before = {};
};

}  // namespace

TEST(FaultGuard, EveryFaultEndsTheCallAndTheNextCallRunsOnce)
{
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(c.name);
        bool after = false;
        EXPECT_FALSE(RunGuardedCall([&] {
            c.fault();
            after = true;
        }));
        EXPECT_FALSE(after) << "the call went on past the fault";
        int runs = 0;
        EXPECT_TRUE(RunGuardedCall([&] { ++runs; }));
        EXPECT_EQ(runs, 1);
    }
}

TEST(FaultGuard, InnerGuardCatchesAndOuterCallGoesOn)
{
    bool innerResult = true;
    bool outerFinished = false;
    EXPECT_TRUE(RunGuardedCall([&] {
        innerResult = RunGuardedCall([] { write_null(); });
        outerFinished = true;
    }));
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(outerFinished);

    // After the inner guard has returned, a fault belongs to the outer one.
    bool innerCompleted = false;
    EXPECT_FALSE(RunGuardedCall([&] {
        innerCompleted = RunGuardedCall([] {});
        read_null();
    }));
    EXPECT_TRUE(innerCompleted);
}

TEST(FaultGuard, PreviousHandlerIsBackAfterTheGuard)
{
    OwnHandler own;
    EXPECT_FALSE(RunGuardedCall([] { write_null(); }));
    struct sigaction after = {};
    ASSERT_EQ(sigaction(SIGSEGV, nullptr, &after), 0);
    EXPECT_EQ(after.sa_sigaction, test_handler);
    EXPECT_EQ(testHandlerHits, 0) << "a guarded fault reached the outside handler";
}

TEST(FaultGuard, FaultOnAnotherThreadGoesToThePreviousHandler)
{
    OwnHandler own;
    // One thread sits inside a guard while another, unguarded, faults: the fault must
    // reach the handler that was there before, not jump into the other thread's guard.
    std::atomic<int> stage{0};
    bool guardedCompleted = false;
    std::thread guarded([&] {
        guardedCompleted = RunGuardedCall([&] {
            stage = 1;
            while (stage != 2)
                std::this_thread::yield();
        });
    });
    while (stage != 1)
        std::this_thread::yield();
    std::thread unguarded([&] {
        sigjmp_buf jump;
        if (sigsetjmp(jump, 1) == 0) {
            testJump = &jump;
            raise(SIGSEGV);
        }
        testJump = nullptr;
    });
    unguarded.join();
    stage = 2;
    guarded.join();

    EXPECT_EQ(testHandlerHits, 1);
    EXPECT_TRUE(guardedCompleted);
}
