// SPDX-License-Identifier: MIT
// The LocalAlloc heap: flags, resizing, refusal of foreign blocks, counters and injection.
#include <cstring>

#include "support/SimFixture.h"
#include "platform/win32.h"

namespace {

using HeapTest = SimFixture;

bool AllBytes(const void* block, size_t from, size_t to, unsigned char value)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != value)
            return false;
    return true;
}

TEST_F(HeapTest, ZeroInitOnlyWhenAskedAndZeroSizedBlocksAreReal)
{
    void* zeroed = LocalAlloc(LMEM_ZEROINIT, 100);
    void* raw = LocalAlloc(LMEM_FIXED, 100);
    void* empty = LocalAlloc(LPTR, 0);
    ASSERT_TRUE(zeroed && raw && empty);
    EXPECT_TRUE(AllBytes(zeroed, 0, 100, 0));
    EXPECT_FALSE(AllBytes(raw, 0, 100, 0)) << "fresh memory must not look zeroed";
    EXPECT_EQ(LocalSize(zeroed), 100u);
    EXPECT_EQ(LocalSize(empty), 0u);
    for (void* block : {zeroed, raw, empty})
        EXPECT_EQ(LocalFree(block), nullptr);
}

TEST_F(HeapTest, ReAllocGrowthMovesOnlyWhenMoveable)
{
    char* block = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, 8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abcdefg", 8);

    SetLastError(0);
    EXPECT_EQ(LocalReAlloc(block, 64, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(LocalSize(block), 8u) << "a failed growth keeps the old block";
    EXPECT_STREQ(block, "abcdefg");

    char* grown = static_cast<char*>(LocalReAlloc(block, 64, LMEM_MOVEABLE));
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(grown, "abcdefg");
    EXPECT_FALSE(AllBytes(grown, 8, 64, 0)) << "added bytes are not zeroed without LMEM_ZEROINIT";
    EXPECT_EQ(LocalSize(grown), 64u);

    char* zeroGrown = static_cast<char*>(LocalReAlloc(grown, 200, LMEM_MOVEABLE | LMEM_ZEROINIT));
    ASSERT_NE(zeroGrown, nullptr);
    EXPECT_TRUE(AllBytes(zeroGrown, 64, 200, 0));
    EXPECT_STREQ(zeroGrown, "abcdefg");

    // Shrinking and keeping the size stay in place, moveable or not.
    EXPECT_EQ(LocalReAlloc(zeroGrown, 200, LMEM_MOVEABLE), zeroGrown);
    EXPECT_EQ(LocalReAlloc(zeroGrown, 16, 0), zeroGrown);
    EXPECT_EQ(LocalSize(zeroGrown), 16u);
    EXPECT_EQ(LocalFree(zeroGrown), nullptr);
}

TEST_F(HeapTest, ForeignAndFreedBlocksAreRefused)
{
    char local[16];
    void* block = LocalAlloc(0, 4);
    ASSERT_EQ(LocalFree(block), nullptr);

    struct Case {
        const char* what;
        void* pointer;
    } cases[] = {{"stack memory", local}, {"freed block", block}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(LocalFree(c.pointer), c.pointer);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        ExpectViolation("LocalFree");
        EXPECT_EQ(LocalReAlloc(c.pointer, 8, LMEM_MOVEABLE), nullptr);
        ExpectViolation("LocalReAlloc");
        EXPECT_EQ(LocalSize(c.pointer), 0u);
        ExpectViolation("LocalSize");
    }
    EXPECT_EQ(LocalFree(nullptr), nullptr) << "freeing null is allowed";
}

TEST_F(HeapTest, UnsupportedFlagsAndOversizedRequestsAreRefused)
{
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, 8), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ExpectViolation("LocalAlloc: unsupported flags 0x2");
    EXPECT_EQ(LocalAlloc(0, sim::kernel::kHeapMaxBlock + 1), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));

    void* block = LocalAlloc(0, 8);
    EXPECT_EQ(LocalReAlloc(block, 8, LMEM_MODIFY | LMEM_MOVEABLE), nullptr);
    ExpectViolation("LocalReAlloc: unsupported flags 0x82");
    EXPECT_EQ(LocalReAlloc(block, static_cast<SIZE_T>(-1), LMEM_MOVEABLE), nullptr);
    EXPECT_EQ(LocalSize(block), 8u);
    LocalFree(block);
}

TEST_F(HeapTest, CountersTrackEveryOperation)
{
    const auto before = sim::kernel::heap_stats();
    void* a = LocalAlloc(0, 10);
    void* b = LocalAlloc(0, 20);
    a = LocalReAlloc(a, 30, LMEM_MOVEABLE);
    auto now = sim::kernel::heap_stats();
    using Counts = std::vector<unsigned long long>;
    EXPECT_EQ((Counts{now.live_blocks - before.live_blocks, now.live_bytes - before.live_bytes,
                      now.allocations - before.allocations, now.reallocations - before.reallocations,
                      now.attempts - before.attempts}),
              (Counts{2, 50, 2, 1, 3})) << "blocks, bytes, allocations, reallocations, attempts";
    EXPECT_TRUE(sim::kernel::heap_owns(a));
    LocalFree(a);
    LocalFree(b);
    now = sim::kernel::heap_stats();
    EXPECT_EQ((Counts{now.live_blocks, now.live_bytes, now.frees - before.frees}),
              (Counts{before.live_blocks, before.live_bytes, 2}));
    EXPECT_FALSE(sim::kernel::heap_owns(a));
}

TEST_F(HeapTest, InjectionFailsTheNthAttemptOnce)
{
    void* keep = LocalAlloc(0, 4);
    sim::kernel::heap_fail_nth(3);
    void* first = LocalAlloc(0, 4);
    void* second = LocalReAlloc(keep, 40, LMEM_MOVEABLE);
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(0, 4), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    void* fourth = LocalAlloc(0, 4);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(fourth, nullptr) << "the failure happens once";
    LocalFree(first);
    LocalFree(second);
    LocalFree(fourth);
}

TEST_F(HeapTest, InjectionFailsFromTheNthOnUntilOff)
{
    void* block = LocalAlloc(LMEM_ZEROINIT, 4);
    sim::kernel::heap_fail_from(2);
    void* first = LocalAlloc(0, 4);
    EXPECT_NE(first, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LocalAlloc(0, 4), nullptr);
        EXPECT_EQ(LocalReAlloc(block, 400, LMEM_MOVEABLE), nullptr);
        EXPECT_EQ(LocalSize(block), 4u) << "a failed reallocation leaves the block";
    }
    // A reset disarms injection but keeps live blocks.
    sim::reset_for_tests();
    void* after = LocalAlloc(0, 4);
    EXPECT_NE(after, nullptr);
    EXPECT_TRUE(sim::kernel::heap_owns(block));
    LocalFree(block);
    LocalFree(first);
    LocalFree(after);
}

}  // namespace
