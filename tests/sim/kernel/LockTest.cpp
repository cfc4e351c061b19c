// SPDX-License-Identifier: MIT
// Critical sections and the per-thread last error.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "support/SimFixture.h"
#include "platform/win32.h"

namespace {

using LockTest = SimFixture;

TEST_F(LockTest, ReentrantAndCounted)
{
    CRITICAL_SECTION cs;
    const size_t live = sim::kernel::live_critical_sections();
    InitializeCriticalSection(&cs);
    EXPECT_EQ(sim::kernel::live_critical_sections(), live + 1);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_EQ(sim::kernel::held_critical_sections(), 1u);
    LeaveCriticalSection(&cs);
    EXPECT_EQ(sim::kernel::held_critical_sections(), 1u) << "still held once";
    LeaveCriticalSection(&cs);
    EXPECT_EQ(sim::kernel::held_critical_sections(), 0u);
    DeleteCriticalSection(&cs);
    EXPECT_EQ(sim::kernel::live_critical_sections(), live);
}

TEST_F(LockTest, OtherThreadWaitsUntilFullyLeft)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(entered);
    LeaveCriticalSection(&cs);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(entered) << "one level is still held";
    LeaveCriticalSection(&cs);
    other.join();
    EXPECT_TRUE(entered);
    DeleteCriticalSection(&cs);
}

TEST_F(LockTest, LeaveByOtherThreadIsRefused)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    std::thread([&] { LeaveCriticalSection(&cs); }).join();
    ExpectViolation("LeaveCriticalSection: section left by a thread that does not own it");
    EXPECT_EQ(sim::kernel::held_critical_sections(), 1u) << "the owner still holds it";
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    ExpectViolation("LeaveCriticalSection: section left more often than entered");
    DeleteCriticalSection(&cs);
}

TEST_F(LockTest, DeleteWhileHeldIsReportedAndDone)
{
    CRITICAL_SECTION cs;
    const size_t live = sim::kernel::live_critical_sections();
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    DeleteCriticalSection(&cs);
    ExpectViolation("DeleteCriticalSection: section deleted while held");
    EXPECT_EQ(sim::kernel::live_critical_sections(), live);
}

TEST_F(LockTest, UnusableSectionsAreReported)
{
    CRITICAL_SECTION never;
    std::memset(&never, 0x5A, sizeof never);
    CRITICAL_SECTION deleted;
    InitializeCriticalSection(&deleted);
    DeleteCriticalSection(&deleted);
    CRITICAL_SECTION original;
    InitializeCriticalSection(&original);
    CRITICAL_SECTION copy = original;

    struct Case {
        const char* what;
        CRITICAL_SECTION* cs;
        const char* problem;
    } cases[] = {
        {"never initialised", &never, "section was never initialised"},
        {"deleted", &deleted, "section was deleted"},
        {"copied", &copy, "section was initialised at another address"},
        {"null", nullptr, "null section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EnterCriticalSection(c.cs);
        ExpectViolation(std::string("EnterCriticalSection: ") + c.problem);
        LeaveCriticalSection(c.cs);
        ExpectViolation(std::string("LeaveCriticalSection: ") + c.problem);
        DeleteCriticalSection(c.cs);
        ExpectViolation(std::string("DeleteCriticalSection: ") + c.problem);
    }
    DeleteCriticalSection(&original);
}

TEST_F(LockTest, InitialisingAgainIsReported)
{
    // Over a live section: reported, and the holder keeps it.
    CRITICAL_SECTION cs;
    const size_t live = sim::kernel::live_critical_sections();
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    InitializeCriticalSection(&cs);
    ExpectViolation("already initialised");
    EXPECT_EQ(sim::kernel::held_critical_sections(), 1u);
    LeaveCriticalSection(&cs);

    // Over memory of a section that was never deleted: reported, and a new section is made.
    std::memset(&cs, 0, sizeof cs);
    InitializeCriticalSection(&cs);
    ExpectViolation("never deleted");
    EXPECT_EQ(sim::kernel::live_critical_sections(), live + 1);
    DeleteCriticalSection(&cs);
}

TEST_F(LockTest, LastErrorIsPerThread)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    DWORD seenByOther = 1;
    std::thread([&] {
        seenByOther = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    sim::reset_for_tests();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
