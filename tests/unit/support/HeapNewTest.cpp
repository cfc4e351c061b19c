// SPDX-License-Identifier: MIT
// Tests of the global operator new and delete: the heap each form takes its block from and
// returns it to, alignment, and failure as null, never an exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <malloc.h>
#include <new>

#include "support/SimFixture.h"

namespace {

class HeapNewTest : public SimFixture {};

// Larger than the C runtime's per-thread cache takes (about 1 KB): its free shows at once.
constexpr size_t kSize = 2048;
constexpr std::align_val_t k64{64};

struct Form {
    const char* name;
    void* (*allocate)(size_t);
    void (*release)(void*);
    bool local;    // the device's local heap: counted, and failed by injection
    size_t align;
};

const Form kForms[] = {
    {"new, delete", [](size_t n) { return ::operator new(n); }, [](void* p) { ::operator delete(p); },
     false, alignof(std::max_align_t)},
    {"new[], sized delete[]", [](size_t n) { return ::operator new[](n); },
     [](void* p) { ::operator delete[](p, kSize); }, false, alignof(std::max_align_t)},
    {"new, sized delete", [](size_t n) { return ::operator new(n); },
     [](void* p) { ::operator delete(p, kSize); }, false, alignof(std::max_align_t)},
    {"nothrow new, delete", [](size_t n) { return ::operator new(n, std::nothrow); },
     [](void* p) { ::operator delete(p); }, true, alignof(std::max_align_t)},
    {"nothrow new, nothrow delete", [](size_t n) { return ::operator new(n, std::nothrow); },
     [](void* p) { ::operator delete(p, std::nothrow); }, true, alignof(std::max_align_t)},
    {"nothrow new[], nothrow delete[]", [](size_t n) { return ::operator new[](n, std::nothrow); },
     [](void* p) { ::operator delete[](p, std::nothrow); }, true, alignof(std::max_align_t)},
    {"nothrow new[], delete[]", [](size_t n) { return ::operator new[](n, std::nothrow); },
     [](void* p) { ::operator delete[](p); }, true, alignof(std::max_align_t)},
    {"aligned new, aligned delete", [](size_t n) { return ::operator new(n, k64); },
     [](void* p) { ::operator delete(p, k64); }, false, 64},
    {"aligned new[], sized aligned delete[]", [](size_t n) { return ::operator new[](n, k64); },
     [](void* p) { ::operator delete[](p, kSize, k64); }, false, 64},
    {"aligned new, sized aligned delete", [](size_t n) { return ::operator new(n, k64); },
     [](void* p) { ::operator delete(p, kSize, k64); }, false, 64},
    {"aligned new[], aligned delete[]", [](size_t n) { return ::operator new[](n, k64); },
     [](void* p) { ::operator delete[](p, k64); }, false, 64},
    {"aligned nothrow new, aligned nothrow delete",
     [](size_t n) { return ::operator new(n, k64, std::nothrow); },
     [](void* p) { ::operator delete(p, k64, std::nothrow); }, true, 64},
    {"aligned nothrow new[], aligned nothrow delete[]",
     [](size_t n) { return ::operator new[](n, k64, std::nothrow); },
     [](void* p) { ::operator delete[](p, k64, std::nothrow); }, true, 64},
};

TEST_F(HeapNewTest, EachFormUsesItsHeapAlignsAndFailsAsNull)
{
    for (const Form& form : kForms) {
        SCOPED_TRACE(form.name);
        const sim::kernel::HeapStats before = sim::kernel::heap_stats();
        const size_t runtimeBefore = mallinfo2().uordblks;
        void* block = form.allocate(kSize);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % form.align, 0u);
        std::memset(block, 0xA5, kSize);
        EXPECT_EQ(sim::kernel::heap_stats().live_blocks - before.live_blocks, form.local ? 1u : 0u);
        form.release(block);
        EXPECT_EQ(sim::kernel::heap_stats().live_blocks, before.live_blocks);
        if (!form.local) {  // the device's own bookkeeping lives on the C runtime's heap
            EXPECT_EQ(mallinfo2().uordblks, runtimeBefore) << "the C runtime's block went back";
        }
        EXPECT_EQ(sim::kernel::heap_stats().frees - before.frees, form.local ? 1u : 0u);

        // Injected failures reach only the local heap's forms.
        sim::kernel::heap_fail_nth(1);
        block = form.allocate(kSize);
        sim::kernel::heap_fail_off();
        EXPECT_EQ(block == nullptr, form.local);
        form.release(block);

        // A size that cannot hold the block's header is refused before any heap is asked.
        unsigned long attempts = sim::kernel::heap_allocation_count();
        EXPECT_EQ(form.allocate(SIZE_MAX - 8), nullptr);
        EXPECT_EQ(sim::kernel::heap_allocation_count(), attempts);
    }
}

}  // namespace
