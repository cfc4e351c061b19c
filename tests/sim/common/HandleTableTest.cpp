// SPDX-License-Identifier: MIT
// Handle tables in both layouts: the 64-bit one of this machine and the 32-bit one of the
// ARM build, whose handles must fit 32 bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/common/HandleTable.h"

namespace {

template <typename Layout>
class HandleTableTest : public testing::Test {};
using Layouts = testing::Types<sim::HandleLayout<true>, sim::HandleLayout<false>>;
TYPED_TEST_SUITE(HandleTableTest, Layouts);

TYPED_TEST(HandleTableTest, TagsKeepTablesApartAndHandlesFitTheLayout)
{
    sim::HandleTable<int, TypeParam> windows(0x57), dcs(0xD1);
    const uintptr_t window = windows.add(std::make_unique<int>(1));
    const uintptr_t dc = dcs.add(std::make_unique<int>(2));
    ASSERT_NE(window, 0u);
    ASSERT_NE(dc, 0u);
    EXPECT_EQ(*windows.get(window), 1);
    EXPECT_EQ(*dcs.get(dc), 2);
    EXPECT_EQ(windows.get(dc), nullptr) << "the same slot and generation, another tag";
    EXPECT_EQ(dcs.get(window), nullptr);
    EXPECT_EQ(window >> TypeParam::kTagShift, 0x57u);
    if (TypeParam::kTagShift == 24) {
        EXPECT_LE(dc, uintptr_t(0xFFFFFFFF));
    }
}

TYPED_TEST(HandleTableTest, GenerationsWrapWithinTheirBitsAndSkipZero)
{
    sim::HandleTable<int, TypeParam> table(0x46);
    uintptr_t previous = table.add(std::make_unique<int>(0));
    // One slot reused through every generation and past the wrap.
    for (uintptr_t round = 1; round <= TypeParam::kGenerationMask + 1; ++round) {
        ASSERT_TRUE(table.remove(previous));
        const uintptr_t next = table.add(std::make_unique<int>(0));
        ASSERT_NE(next & TypeParam::kGenerationMask, 0u) << "round " << round;
        ASSERT_NE(next, previous);
        ASSERT_EQ(table.get(previous), nullptr) << "stale handle of round " << round;
        ASSERT_EQ(next >> TypeParam::kTagShift, 0x46u) << "the generation ran into the slot or the tag";
        previous = next;
    }
    EXPECT_EQ(table.live(), 1u);
}

}  // namespace

// The 32-bit layout's table is full at 4095 live objects: one past that is refused rather
// than given a handle that aliases another slot, and a freed slot is taken again.
TEST(HandleTable32, FullAtTheLastSlot)
{
    using Narrow = sim::HandleLayout<false>;
    sim::HandleTable<int, Narrow> table(0xD2);
    std::vector<uintptr_t> handles;
    for (uintptr_t i = 0; i < Narrow::kSlotMax; ++i)
        handles.push_back(table.add(std::make_unique<int>(static_cast<int>(i))));
    EXPECT_NE(handles.back(), 0u);
    EXPECT_EQ(*table.get(handles.back()), static_cast<int>(Narrow::kSlotMax - 1));
    EXPECT_EQ(*table.get(handles.front()), 0);
    EXPECT_EQ(table.add(std::make_unique<int>(-1)), 0u);
    EXPECT_EQ(table.live(), Narrow::kSlotMax);
    ASSERT_TRUE(table.remove(handles[7]));
    const uintptr_t again = table.add(std::make_unique<int>(-1));
    ASSERT_NE(again, 0u);
    EXPECT_EQ(*table.get(again), -1);
    EXPECT_EQ(table.get(handles[7]), nullptr);
}
