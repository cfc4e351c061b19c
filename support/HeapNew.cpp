// SPDX-License-Identifier: MIT
// Global operator new and delete on the device's local heap (LocalAlloc / LocalFree).
//
// The nothrow forms are the ones the plug-in uses: they allocate on the local heap, so
// the plug-in's objects are counted and can be failed with its string and array storage,
// and they return null on failure.
//
// The throwing forms serve the C++ runtime and test harness linked into the same binary
// (and the simulated device's own bookkeeping); they take memory from the C runtime's heap
// and stay out of the device's counters and failure injection. They never throw either:
// on exhaustion they return null, as the device compiler's new does, which keeps
// exceptions and std::terminate out of the plug-in. Binaries that link this are compiled
// with -fcheck-new, so a new-expression tests the result before constructing anything.
//
// Each block starts with a small header naming the heap it came from (and the address
// that heap gave out), so every delete form returns it to the right heap.
#include <stddef.h>
#include <stdlib.h>

#include <new>

#include "platform/win32.h"

// The exception specifications must match <new>'s declarations in each dialect.
#if __cplusplus >= 201103L
#define HEAP_NO_THROW noexcept
#define HEAP_MAY_THROW
#else
#define HEAP_NO_THROW throw()
#define HEAP_MAY_THROW throw(std::bad_alloc)
#endif

namespace {

const ULONG_PTR kLocalHeap = 0x4C6F6341;
const ULONG_PTR kRuntimeHeap = 0x52756E54;

struct BlockHeader {
    void* raw;
    ULONG_PTR kind;
};

// A multiple of every fundamental alignment, so the default alignment survives it.
const size_t kHeaderSize = 16;

void* Allocate(size_t size, size_t align, ULONG_PTR kind)
{
    size_t extra = kHeaderSize + (align > kHeaderSize ? align - 1 : 0);
    if (size > static_cast<size_t>(-1) - extra)
        return NULL;
    void* raw = kind == kLocalHeap ? LocalAlloc(LMEM_FIXED, size + extra) : malloc(size + extra);
    if (!raw)
        return NULL;
    ULONG_PTR user = reinterpret_cast<ULONG_PTR>(raw) + kHeaderSize;
    if (align > kHeaderSize)
        user = (user + align - 1) & ~(static_cast<ULONG_PTR>(align) - 1);
    BlockHeader* header = reinterpret_cast<BlockHeader*>(user - kHeaderSize);
    header->raw = raw;
    header->kind = kind;
    return reinterpret_cast<void*>(user);
}

void Release(void* block)
{
    if (!block)
        return;
    BlockHeader* header = reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - kHeaderSize);
    if (header->kind == kLocalHeap)
        LocalFree(header->raw);
    else
        free(header->raw);
}

}  // namespace

// Outside the unnamed namespace: Wine's C_ASSERT declares a function, unused in there.
C_ASSERT(sizeof(BlockHeader) <= kHeaderSize);

void* operator new(size_t size) HEAP_MAY_THROW
{
    return Allocate(size, 0, kRuntimeHeap);
}

void* operator new[](size_t size) HEAP_MAY_THROW
{
    return Allocate(size, 0, kRuntimeHeap);
}

void* operator new(size_t size, const std::nothrow_t&) HEAP_NO_THROW
{
    return Allocate(size, 0, kLocalHeap);
}

void* operator new[](size_t size, const std::nothrow_t&) HEAP_NO_THROW
{
    return Allocate(size, 0, kLocalHeap);
}

void operator delete(void* block) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block) HEAP_NO_THROW
{
    Release(block);
}

void operator delete(void* block, const std::nothrow_t&) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block, const std::nothrow_t&) HEAP_NO_THROW
{
    Release(block);
}

// Binaries of newer dialects (the tests) also call the sized and the over-aligned forms;
// the plug-in itself never does.
#if __cplusplus >= 201402L

void operator delete(void* block, size_t) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block, size_t) HEAP_NO_THROW
{
    Release(block);
}

#endif

#if __cplusplus >= 201703L

namespace {

size_t Align(std::align_val_t alignment)
{
    return static_cast<size_t>(alignment);
}

}  // namespace

void* operator new(size_t size, std::align_val_t alignment)
{
    return Allocate(size, Align(alignment), kRuntimeHeap);
}

void* operator new[](size_t size, std::align_val_t alignment)
{
    return Allocate(size, Align(alignment), kRuntimeHeap);
}

void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) HEAP_NO_THROW
{
    return Allocate(size, Align(alignment), kLocalHeap);
}

void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) HEAP_NO_THROW
{
    return Allocate(size, Align(alignment), kLocalHeap);
}

void operator delete(void* block, std::align_val_t) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block, std::align_val_t) HEAP_NO_THROW
{
    Release(block);
}

void operator delete(void* block, size_t, std::align_val_t) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block, size_t, std::align_val_t) HEAP_NO_THROW
{
    Release(block);
}

void operator delete(void* block, std::align_val_t, const std::nothrow_t&) HEAP_NO_THROW
{
    Release(block);
}

void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) HEAP_NO_THROW
{
    Release(block);
}

#endif
