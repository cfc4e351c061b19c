// SPDX-License-Identifier: MIT
// Control of the simulated device's kernel (heap, locks, files, module paths, language).
#ifndef LINKORY_SIM_COREDLL_SIMKERNEL_H
#define LINKORY_SIM_COREDLL_SIMKERNEL_H

#include <cstddef>
#include <string>
#include <vector>

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

// ---- Files -----------------------------------------------------------------------

// File handles open now (a reset closes them all).
size_t live_file_handles();
// The n-th ReadFile call from now (n = 1: the next) fails once with `error`, reading
// nothing; 0 disarms. A reset disarms it too.
void read_fail_nth(unsigned long n, DWORD error);
void read_fail_off();
// ReadFile calls on live handles so far: the range a read-failure sweep walks.
unsigned long read_call_count();
// Every CreateFileW that reached the file system, in order: the host path it named and 0,
// or the error it failed with. What a device's file monitor would show; a reset forgets it.
struct FileOpen {
    std::string path;
    DWORD error;
};
std::vector<FileOpen> file_opens();

// ---- Modules and language --------------------------------------------------------

// GetModuleFileNameW answers `path` for `module` (any text, even empty or without a dot)
// until the override is cleared or the device is reset. An empty path gives a result of
// 0 with the last error left as it was, as for any successful call.
void override_module_path(HMODULE module, std::u16string path);
void clear_module_path_override(HMODULE module);

// The language GetUserDefaultUILanguage answers; 0x0409 after a reset.
void set_device_language(LANGID language);

}  // namespace sim::kernel

#endif
