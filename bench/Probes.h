// SPDX-License-Identifier: MIT
// What one benchmarked operation cost the simulated platform: heap, Connection Manager, GDI, paints.
//
// Most figures are the device's own counters (heap statistics, Connection Manager call
// counts, live GDI objects). The device has no counter for fonts, lock entries or the
// size of each allocation, so the benchmark executable defines those few API functions
// itself and forwards them to coredll: the plug-in, loaded with dlopen, binds to the
// executable's definitions first. Only the outermost call is counted, so coredll calling
// its own API does not count twice.
#ifndef LINKORY_BENCH_PROBES_H
#define LINKORY_BENCH_PROBES_H

#include <cstdint>

#include "platform/win32.h"

namespace bench {

struct Counts {
    // Heap statistics of the device (successful calls).
    double allocations = 0;
    double reallocations = 0;
    double frees = 0;
    double live_blocks = 0;
    // LocalAlloc calls of a destination record's size (with whatever header the allocator
    // puts in front).
    double record_blocks = 0;
    // The status buffer: queries handed a different buffer than the last query, and
    // LocalReAlloc or LocalFree calls on the buffer the last query was handed.
    double status_buffer_changes = 0;
    double status_buffer_resizes = 0;
    // Connection Manager calls.
    double status_queries = 0;
    double destination_enums = 0;
    // GDI: fonts made and fonts deleted, and objects alive.
    double fonts_created = 0;
    double fonts_deleted = 0;
    double live_gdi_objects = 0;
    double live_dcs = 0;
    // EnterCriticalSection calls: every locked list access is one.
    double lock_entries = 0;
    // ReadFile calls of the device.
    double file_reads = 0;
    // WM_PAINT messages delivered to the watched window.
    double paints = 0;
};

Counts operator-(const Counts& after, const Counts& before);

// The counters now. paints counts WM_PAINT to the window given to watch_paints().
Counts snapshot();

// Counts WM_PAINT messages that reach `window` from now on (null: stop counting). The
// observer is dropped by a device reset; call again afterwards.
void watch_paints(HWND window);

}  // namespace bench

#endif
