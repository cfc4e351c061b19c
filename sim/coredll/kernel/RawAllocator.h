// SPDX-License-Identifier: MIT
// An allocator straight onto malloc for the kernel's own bookkeeping tables.
//
// A test program may route operator new to LocalAlloc; the heap's and the locks' side
// tables must then not allocate through operator new, or they would recurse into
// themselves and count as the caller's blocks.
#ifndef LINKORY_SIM_COREDLL_KERNEL_RAWALLOCATOR_H
#define LINKORY_SIM_COREDLL_KERNEL_RAWALLOCATOR_H

#include <cstddef>
#include <cstdlib>
#include <new>

namespace sim::kernel {

template <typename T>
struct RawAllocator {
    using value_type = T;

    RawAllocator() = default;
    template <typename U>
    RawAllocator(const RawAllocator<U>&)
    {
    }

    T* allocate(size_t n)
    {
        void* p = std::malloc(n * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) { std::free(p); }

    template <typename U>
    bool operator==(const RawAllocator<U>&) const
    {
        return true;
    }
    template <typename U>
    bool operator!=(const RawAllocator<U>&) const
    {
        return false;
    }
};

// A process-lifetime object that is never destroyed, so that static destructors of other
// libraries may still free blocks or delete sections at exit.
template <typename T>
T& immortal()
{
    static T* object = new (std::malloc(sizeof(T))) T();
    return *object;
}

}  // namespace sim::kernel

#endif
