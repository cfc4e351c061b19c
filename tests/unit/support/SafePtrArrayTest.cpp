// SPDX-License-Identifier: MIT
// Tests of CSafePtrArray and CSafeObjArray: order, duplicates, indices, growth, ownership.
#include <gtest/gtest.h>

#include <climits>

#include <new>
#include <vector>

#include "support/SafeObjArray.h"
#include "support/SafePtrArray.h"
#include "support/SafeString.h"
#include "support/SimFixture.h"

namespace {

class SafePtrArrayTest : public SimFixture {};

void* P(int n)
{
    static char slots[256];
    return &slots[n];
}

// Counts the notifications, to prove which operations report a change.
class CNotifyingArray : public CSafePtrArray {
public:
    CNotifyingArray() : CSafePtrArray(FALSE, FALSE) {}
    void OnChanged() override { ++changes; }
    int changes = 0;
};

// Records, for each notification, how many locks the thread holds: the array's must be one.
class CLockCheckingArray : public CSafePtrArray {
public:
    CLockCheckingArray() : CSafePtrArray(FALSE, FALSE) {}
    void OnChanged() override { held.push_back(sim::kernel::held_critical_sections()); }
    std::vector<size_t> held;
};

// An element that knows how often it was destroyed, through which base.
class CCounted : public CSafeString {
public:
    explicit CCounted(int* deaths) : deaths(deaths) {}
    ~CCounted() override { ++*deaths; }

private:
    int* deaths;
};

TEST_F(SafePtrArrayTest, DuplicatesAreRefusedOrIgnored)
{
    CSafePtrArray unique(FALSE, FALSE);
    EXPECT_EQ(unique.Add(P(1)), 0u);
    EXPECT_EQ(unique.Add(P(1)), 0u);
    EXPECT_EQ(unique.GetCount(), 1);
    EXPECT_EQ(unique.SetAt(0, P(1)), 183u);
    EXPECT_EQ(unique.InsertAt(0, P(1)), 183u);
    EXPECT_EQ(unique.Add(nullptr), 0u);
    EXPECT_EQ(unique.Add(nullptr), 0u);
    EXPECT_EQ(unique.GetCount(), 2);

    CSafePtrArray twice(TRUE, FALSE);
    EXPECT_EQ(twice.Add(P(1)), 0u);
    EXPECT_EQ(twice.Add(P(1)), 0u);
    EXPECT_EQ(twice.InsertAt(0, P(1)), 0u);
    EXPECT_EQ(twice.GetCount(), 3);
    EXPECT_EQ(twice.SetAt(1, P(1)), 0u);
}

TEST_F(SafePtrArrayTest, IndicesOutsideTheItemsAreRefused)
{
    CSafePtrArray a(FALSE, FALSE);
    EXPECT_EQ(a.Find(P(1)), -1);
    EXPECT_EQ(a.InsertAt(0, P(1)), 0u);        // appends to an empty array
    EXPECT_EQ(a.InsertAt(1, P(3)), 0u);        // index == count appends
    EXPECT_EQ(a.InsertAt(1, P(2)), 0u);        // in the middle
    EXPECT_EQ(a.InsertAt(4, P(9)), 1413u);
    EXPECT_EQ(a.InsertAt(-1, P(9)), 1413u);
    EXPECT_EQ(a.SetAt(3, P(9)), 1413u);
    EXPECT_EQ(a.SetAt(-1, P(9)), 1413u);
    EXPECT_EQ(a.RemoveAt(3), 1413u);
    EXPECT_EQ(a.RemoveAt(-1), 1413u);
    EXPECT_EQ(a.GetAt(-1), nullptr);
    EXPECT_EQ(a.GetAt(3), nullptr);
    EXPECT_EQ(a.Remove(P(9)), 0u);
    ASSERT_EQ(a.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a.GetAt(i), P(i + 1));

    EXPECT_EQ(a.Remove(P(2)), 0u);
    EXPECT_EQ(a.RemoveAt(1), 0u);  // the last one: nothing moves
    ASSERT_EQ(a.GetCount(), 1);
    EXPECT_EQ(a.GetAt(0), P(1));
    EXPECT_EQ(a.Find(P(1)), 0);
}

TEST_F(SafePtrArrayTest, StorageFollowsTheCountInStepsOf16)
{
    CSafePtrArray a(FALSE, FALSE);
    EXPECT_EQ(a.GetCapacity(), 0);
    const int expected[] = {16, 16, 32, 32, 48};  // after 1, 15, 16, 31, 32 items
    const int counts[] = {1, 15, 16, 31, 32};
    int added = 0;
    for (int step = 0; step < 5; ++step) {
        while (added < counts[step])
            ASSERT_EQ(a.Add(P(added++)), 0u);
        SCOPED_TRACE(added);
        EXPECT_EQ(a.GetCapacity(), expected[step]);
    }
    while (added < 40)
        ASSERT_EQ(a.Add(P(added++)), 0u);
    while (a.GetCount() > 10)
        ASSERT_EQ(a.RemoveAt(0), 0u);
    EXPECT_EQ(a.GetCapacity(), 48);  // removals never resize
    ASSERT_EQ(a.Add(P(0)), 0u);
    EXPECT_EQ(a.GetCapacity(), 16);
    EXPECT_EQ(a.ResizeStorage(-1), 87u);
    EXPECT_EQ(a.ResizeStorage(0), 0u);
    EXPECT_EQ(a.GetCapacity(), 16) << "never below the items held";
    // The largest slot count below INT_MAX is asked of the heap, one more is refused at once.
    for (auto [n, attempts] : {std::pair<int, unsigned long>{INT_MAX - 16, 1}, {INT_MAX - 15, 0}}) {
        SCOPED_TRACE(n);
        unsigned long before = sim::kernel::heap_allocation_count();
        EXPECT_EQ(a.ResizeStorage(n), 8u);
        EXPECT_EQ(sim::kernel::heap_allocation_count() - before, attempts);
        EXPECT_EQ(a.GetCapacity(), 16);
    }
    // Insertions size the block as additions do; one that cannot resize it is refused.
    while (a.GetCount() < 14)
        ASSERT_EQ(a.Add(P(100 + a.GetCount())), 0u);
    ASSERT_EQ(a.InsertAt(13, P(98)), 0u);
    EXPECT_EQ(a.GetCapacity(), 16);
    ASSERT_EQ(a.InsertAt(14, P(97)), 0u);
    EXPECT_EQ(a.GetCapacity(), 32);
    void* first = a.GetAt(0);
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(a.InsertAt(0, P(99)), 8u);
    sim::kernel::heap_fail_off();
    EXPECT_EQ(a.GetCount(), 16);
    EXPECT_EQ(a.GetAt(0), first);
    a.RemoveAll();
    EXPECT_EQ(a.GetCapacity(), 0);
}

TEST_F(SafePtrArrayTest, OnlySuccessfulChangesNotify)
{
    CNotifyingArray a;
    a.Add(P(1));
    a.Add(P(1));          // duplicate
    a.InsertAt(0, P(2));
    a.InsertAt(9, P(3));  // bad index
    a.SetAt(0, P(4));
    a.SetAt(0, P(1));     // duplicate
    a.RemoveAt(0);
    a.Remove(P(7));       // absent
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(a.Add(P(5)), 8u);
    EXPECT_EQ(a.GetCount(), 1);
    a.RemoveAll();
    EXPECT_EQ(a.changes, 4);
}

TEST_F(SafePtrArrayTest, CopyItemsCopiesPointersOnly)
{
    CSafePtrArray a(FALSE, FALSE);
    int count = -7;
    EXPECT_EQ(a.CopyItems(&count), nullptr);
    EXPECT_EQ(count, -7);
    a.Add(P(1));
    a.Add(P(2));
    sim::kernel::heap_fail_nth(1);
    EXPECT_EQ(a.CopyItems(&count), nullptr);
    EXPECT_EQ(count, -7);
    void** copy = a.CopyItems(&count);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(copy[0], P(1));
    EXPECT_EQ(copy[1], P(2));
    delete[] copy;
    delete[] a.CopyItems(nullptr);  // the count is optional
}

TEST_F(SafePtrArrayTest, OwningPtrArrayReleasesRawBlocks)
{
    size_t before = sim::kernel::heap_stats().live_blocks;
    auto* owning = new (std::nothrow) CSafePtrArray(FALSE, FALSE);
    owning->SetOwnership(TRUE);
    for (int i = 0; i < 3; ++i)
        owning->Add(::operator new(24, std::nothrow));
    void* handedBack = owning->GetAt(1);
    owning->RemoveAt(1);
    delete owning;
    // The removed block is the caller's; the other two went with the array.
    EXPECT_EQ(sim::kernel::heap_stats().live_blocks, before + 1);
    ::operator delete(handedBack);

    // DeleteAll releases them whatever the ownership.
    CSafePtrArray borrowing(FALSE, FALSE);
    for (int i = 0; i < 2; ++i)
        borrowing.Add(::operator new(24, std::nothrow));
    borrowing.DeleteAll();
    EXPECT_EQ(borrowing.GetCount(), 0);
    EXPECT_EQ(sim::kernel::heap_stats().live_blocks, before);
}

TEST_F(SafePtrArrayTest, ObjArrayDestroysOwnedObjectsOnce)
{
    int deaths[4] = {0, 0, 0, 0};
    auto fill = [&](CSafeObjArray& a) {
        for (int& d : deaths) {
            d = 0;
            a.Add(static_cast<CSafeString*>(new (std::nothrow) CCounted(&d)));
        }
    };
    auto total = [&] { return deaths[0] + deaths[1] + deaths[2] + deaths[3]; };

    {
        SCOPED_TRACE("RemoveAll of an owning array with a null entry");
        CSafeObjArray a(FALSE, TRUE);
        fill(a);
        a.InsertAt(2, nullptr);
        a.RemoveAll();
        EXPECT_EQ(total(), 4);
        EXPECT_EQ(a.GetCount(), 0);
    }
    {
        SCOPED_TRACE("DeleteAll of an owning array, then its destructor");
        CSafeObjArray a(FALSE, TRUE);
        fill(a);
        a.DeleteAll();
        EXPECT_EQ(total(), 4);
    }
    EXPECT_EQ(total(), 4);
    {
        SCOPED_TRACE("ownership switched on after the items were added");
        CSafeObjArray a(FALSE, FALSE);
        fill(a);
        a.SetOwnership(TRUE);
    }
    EXPECT_EQ(total(), 4);
    {
        SCOPED_TRACE("a removed item survives the owning array");
        CSafeObjArray* a = new (std::nothrow) CSafeObjArray(FALSE, TRUE);
        fill(*a);
        CSafeString* kept = static_cast<CSafeString*>(a->GetAt(0));
        EXPECT_EQ(a->RemoveAt(0), 0u);
        CSafePtrArray* base = a;
        delete base;  // through the base: the object rule still applies
        EXPECT_EQ(deaths[0], 0);
        EXPECT_EQ(total(), 3);
        delete kept;
        EXPECT_EQ(deaths[0], 1);
    }
    {
        SCOPED_TRACE("a non-owning array destroys nothing but frees its block");
        CSafeObjArray a(FALSE, FALSE);
        fill(a);
        int n = 0;
        void** items = a.CopyItems(&n);
        ASSERT_NE(items, nullptr);
        a.RemoveAll();
        EXPECT_EQ(total(), 0);
        EXPECT_EQ(a.GetCapacity(), 0);
        for (int i = 0; i < n; ++i)
            delete static_cast<CSafeString*>(items[i]);
        delete[] items;
        EXPECT_EQ(total(), 4);
    }
}

TEST_F(SafePtrArrayTest, RemovedItemsAreNotReachablePastTheCount)
{
    CSafePtrArray a(FALSE, FALSE);
    for (int i = 1; i <= 15; ++i)  // one slot of the first step left
        ASSERT_EQ(a.Add(P(i)), 0u);
    // The spare slots still hold the pointers that moved down or went away.
    ASSERT_EQ(a.Remove(P(15)), 0u);  // the last: nothing may move past it
    EXPECT_EQ(a.GetAt(14), nullptr);
    ASSERT_EQ(a.Remove(P(1)), 0u);  // the first one
    EXPECT_EQ(a.GetAt(13), nullptr);
    EXPECT_EQ(a.GetAt(0), P(2));
}

TEST_F(SafePtrArrayTest, ChangesAreReportedUnderTheArraysLock)
{
    CLockCheckingArray a;
    const size_t before = sim::kernel::held_critical_sections();
    ASSERT_EQ(a.Add(P(1)), 0u);
    ASSERT_EQ(a.Add(P(2)), 0u);
    ASSERT_EQ(a.InsertAt(0, P(3)), 0u);
    ASSERT_EQ(a.SetAt(0, P(4)), 0u);
    ASSERT_EQ(a.RemoveAt(1), 0u);
    EXPECT_EQ(a.held, std::vector<size_t>(5, before + 1)) << "Add, Add, InsertAt, SetAt, RemoveAt";
    EXPECT_EQ(sim::kernel::held_critical_sections(), before);
}

}  // namespace
