// SPDX-License-Identifier: MIT
// Global operator new and delete on the device's local heap (LocalAlloc / LocalFree).
//
// Every object of the binary that links this comes from the same heap as its string and
// array storage, so the heap's counters and failure injection cover object allocations
// too. The nothrow forms are the ones the plug-in uses: null on failure.
//
// The throwing forms return null as well instead of throwing std::bad_alloc. That is
// what the device compiler's new does, it keeps exceptions out of the plug-in, and it
// never reaches std::terminate. Binaries that link this are compiled with -fcheck-new, so
// a new-expression tests the result before it constructs anything. Library code that
// calls a throwing form directly and relies on it never failing is only ever run with
// failure injection switched off.
#include <stddef.h>
#include <stdint.h>

#include <new>

#include "platform/win32.h"

namespace {

void* HeapAllocate(size_t size)
{
    return LocalAlloc(LMEM_FIXED, size);
}

void HeapRelease(void* block)
{
    if (block)
        LocalFree(block);
}

// Over-aligned blocks keep the heap's own pointer in the slot just below the address
// handed out, which is where the aligned deletes find it.
void* HeapAllocateAligned(size_t size, std::align_val_t alignment)
{
    size_t align = static_cast<size_t>(alignment);
    if (align < sizeof(void*))
        align = sizeof(void*);
    if (size > SIZE_MAX - align - sizeof(void*))
        return nullptr;
    void* raw = HeapAllocate(size + align + sizeof(void*));
    if (!raw)
        return nullptr;
    uintptr_t first = reinterpret_cast<uintptr_t>(raw) + sizeof(void*);
    uintptr_t aligned = (first + align - 1) & ~(static_cast<uintptr_t>(align) - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void HeapReleaseAligned(void* block)
{
    if (block)
        HeapRelease(static_cast<void**>(block)[-1]);
}

}  // namespace

void* operator new(size_t size)
{
    return HeapAllocate(size);
}

void* operator new[](size_t size)
{
    return HeapAllocate(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return HeapAllocate(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return HeapAllocate(size);
}

void operator delete(void* block) noexcept
{
    HeapRelease(block);
}

void operator delete[](void* block) noexcept
{
    HeapRelease(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    HeapRelease(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    HeapRelease(block);
}

void operator delete(void* block, size_t) noexcept
{
    HeapRelease(block);
}

void operator delete[](void* block, size_t) noexcept
{
    HeapRelease(block);
}

void* operator new(size_t size, std::align_val_t alignment)
{
    return HeapAllocateAligned(size, alignment);
}

void* operator new[](size_t size, std::align_val_t alignment)
{
    return HeapAllocateAligned(size, alignment);
}

void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return HeapAllocateAligned(size, alignment);
}

void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return HeapAllocateAligned(size, alignment);
}

void operator delete(void* block, std::align_val_t) noexcept
{
    HeapReleaseAligned(block);
}

void operator delete[](void* block, std::align_val_t) noexcept
{
    HeapReleaseAligned(block);
}

void operator delete(void* block, size_t, std::align_val_t) noexcept
{
    HeapReleaseAligned(block);
}

void operator delete[](void* block, size_t, std::align_val_t) noexcept
{
    HeapReleaseAligned(block);
}

void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    HeapReleaseAligned(block);
}

void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept
{
    HeapReleaseAligned(block);
}
