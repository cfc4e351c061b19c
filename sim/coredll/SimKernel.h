// SPDX-License-Identifier: MIT
// Control of the simulated device's kernel (heap, locks, files, module paths, language).
#ifndef LINKORY_SIM_COREDLL_SIMKERNEL_H
#define LINKORY_SIM_COREDLL_SIMKERNEL_H

#include <cstddef>

#include "platform/win32.h"

namespace sim::kernel {

// ---- Local heap ------------------------------------------------------------------

// Counters of the LocalAlloc heap. live_* is what is allocated now; the others only
// grow, from process start (a reset does not clear them: compare deltas).
struct HeapStats {
    size_t live_blocks;
    size_t live_bytes;
    unsigned long allocations;    // successful LocalAlloc calls
    unsigned long reallocations;  // successful LocalReAlloc calls
    unsigned long frees;          // successful LocalFree calls
    unsigned long attempts;       // LocalAlloc + LocalReAlloc calls that reached the
                                  // allocator, failed or not (what injection counts)
};

HeapStats heap_stats();

// Allocation attempts so far (HeapStats::attempts): the difference across an operation
// is how many allocations it made, the range an allocation-failure sweep walks.
unsigned long heap_allocation_count();

// The n-th allocation attempt from now fails once (n = 1: the next one); 0 disarms.
void heap_fail_nth(unsigned long n);
// Every allocation attempt from the n-th from now on fails until heap_fail_off(); 0 disarms.
void heap_fail_from(unsigned long n);
// Disarms injection (also done by sim::reset_for_tests()).
void heap_fail_off();

// True for a pointer that LocalAlloc/LocalReAlloc handed out and that is still live.
bool heap_owns(const void* block);

// Largest block the heap gives out: a Windows CE 5 process lives in a 32 MB slot.
constexpr size_t kHeapMaxBlock = 32u * 1024u * 1024u;

// ---- Critical sections -----------------------------------------------------------

// Sections initialised and not yet deleted (a reset does not forget them).
size_t live_critical_sections();
// Live sections that some thread has entered and not left.
size_t held_critical_sections();

}  // namespace sim::kernel

#endif
