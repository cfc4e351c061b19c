// SPDX-License-Identifier: MIT
// The LocalAlloc heap: tracked blocks, counters and allocation-failure injection.
//
// Every live block is kept in a side table (pointer -> size), so that a pointer the heap
// never gave out, or gave out and took back, is refused with a violation instead of
// corrupting memory. Blocks come straight from malloc at their exact size, so the address
// sanitizer sees every overrun.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/win32.h"
#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/kernel/RawAllocator.h"

namespace sim::kernel {
namespace {

// Bytes the caller did not ask to be zeroed get this pattern, so code that relies on
// fresh memory being zero fails in tests rather than on a device.
constexpr unsigned char kUninitialisedFill = 0xCD;

using BlockMap = std::unordered_map<void*, size_t, std::hash<void*>, std::equal_to<void*>,
                                    RawAllocator<std::pair<void* const, size_t>>>;

struct Heap {
    std::mutex lock;
    BlockMap blocks;
    size_t live_bytes = 0;
    unsigned long allocations = 0;
    unsigned long reallocations = 0;
    unsigned long frees = 0;
    unsigned long attempts = 0;
    unsigned long fail_at = 0;  // attempt number that fails; 0: injection off
    bool fail_onwards = false;  // every attempt from fail_at on, not just that one
};

Heap& heap()
{
    return immortal<Heap>();
}

// Counts one allocation attempt and says whether injection makes it fail. Lock held.
bool count_attempt_and_check_injection(Heap& h)
{
    ++h.attempts;
    if (h.fail_at == 0 || h.attempts < h.fail_at)
        return false;
    if (!h.fail_onwards)
        h.fail_at = 0;
    return true;
}

std::string describe(const void* p)
{
    char text[64];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

void arm(unsigned long n, bool onwards)
{
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    h.fail_at = n == 0 ? 0 : h.attempts + n;
    h.fail_onwards = onwards;
}

const bool registered = (register_reset("heap", heap_fail_off), true);

}  // namespace

HeapStats heap_stats()
{
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    return HeapStats{h.blocks.size(), h.live_bytes, h.allocations, h.reallocations, h.frees, h.attempts};
}

unsigned long heap_allocation_count()
{
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    return h.attempts;
}

void heap_fail_nth(unsigned long n)
{
    arm(n, false);
}

void heap_fail_from(unsigned long n)
{
    arm(n, true);
}

void heap_fail_off()
{
    arm(0, false);
}

bool heap_owns(const void* block)
{
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    return h.blocks.count(const_cast<void*>(block)) != 0;
}

}  // namespace sim::kernel

using namespace sim::kernel;

// LocalAlloc (coredll): LMEM_FIXED with optional LMEM_ZEROINIT, the only flags of CE's
// LocalAlloc; the returned handle is the pointer. Non-zeroed bytes are filled with 0xCD.
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes)
{
    if (flags & ~static_cast<UINT>(LMEM_ZEROINIT)) {
        sim::report_violation("LocalAlloc", "unsupported flags " + hex(flags));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Heap& h = heap();
    std::lock_guard<std::mutex> guard(h.lock);
    if (count_attempt_and_check_injection(h) || bytes > kHeapMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memset(block, (flags & LMEM_ZEROINIT) ? 0 : kUninitialisedFill, bytes);
    h.blocks.emplace(block, bytes);
    h.live_bytes += bytes;
    ++h.allocations;
    return block;
}

// The block's entry; for a pointer the heap never gave out (or already took back) the end,
// after reporting the misuse outside the lock and setting ERROR_INVALID_HANDLE.
namespace {
template <typename Guard>
auto find_block(Heap& h, Guard& guard, HLOCAL mem, const char* api) -> decltype(h.blocks.find(mem))
{
    auto it = h.blocks.find(mem);
    if (it == h.blocks.end()) {
        guard.unlock();
        sim::report_violation(api, "block " + describe(mem) + " was not allocated or is already freed");
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return it;
}
}  // namespace

// LocalReAlloc (coredll): LMEM_MOVEABLE and LMEM_ZEROINIT. This heap never grows a block
// in place: growth moves the block with LMEM_MOVEABLE and fails without it; shrinking
// (or keeping the size) always stays in place.
HLOCAL WINAPI LocalReAlloc(HLOCAL mem, SIZE_T bytes, UINT flags)
{
    if (flags & ~static_cast<UINT>(LMEM_MOVEABLE | LMEM_ZEROINIT)) {
        sim::report_violation("LocalReAlloc", "unsupported flags " + hex(flags));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Heap& h = heap();
    std::unique_lock<std::mutex> guard(h.lock);
    auto it = find_block(h, guard, mem, "LocalReAlloc");
    if (it == h.blocks.end()) {
        return nullptr;
    }
    if (count_attempt_and_check_injection(h) || bytes > kHeapMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t old_size = it->second;
    if (bytes <= old_size) {
        h.live_bytes -= old_size - bytes;
        it->second = bytes;
        ++h.reallocations;
        return mem;
    }
    void* moved = (flags & LMEM_MOVEABLE) ? std::malloc(bytes) : nullptr;
    if (!moved) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(moved, mem, old_size);
    std::memset(static_cast<char*>(moved) + old_size, (flags & LMEM_ZEROINIT) ? 0 : kUninitialisedFill,
                bytes - old_size);
    h.blocks.erase(it);
    std::free(mem);
    h.blocks.emplace(moved, bytes);
    h.live_bytes += bytes - old_size;
    ++h.reallocations;
    return moved;
}

// LocalFree (coredll): null on success (and for a null block), the block itself on failure.
HLOCAL WINAPI LocalFree(HLOCAL mem)
{
    if (!mem)
        return nullptr;
    Heap& h = heap();
    std::unique_lock<std::mutex> guard(h.lock);
    auto it = find_block(h, guard, mem, "LocalFree");
    if (it == h.blocks.end()) {
        return mem;
    }
    h.live_bytes -= it->second;
    h.blocks.erase(it);
    ++h.frees;
    std::free(mem);
    return nullptr;
}

// LocalSize (coredll): the size last asked for; 0 and a violation for a foreign block.
SIZE_T WINAPI LocalSize(HLOCAL mem)
{
    Heap& h = heap();
    std::unique_lock<std::mutex> guard(h.lock);
    auto it = find_block(h, guard, mem, "LocalSize");
    if (it == h.blocks.end()) {
        return 0;
    }
    return it->second;
}
