// SPDX-License-Identifier: MIT
// Counting definitions of a few coredll functions, and the snapshot of all counters.
#include "bench/Probes.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/connmgr.h"
#include "sim/cellcore/SimConnMgr.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"

namespace bench {
namespace {

struct Interposed {
    uint64_t record_blocks = 0;
    uint64_t status_buffer_changes = 0;
    uint64_t status_buffer_resizes = 0;
    uint64_t fonts_created = 0;
    uint64_t fonts_deleted = 0;
    uint64_t lock_entries = 0;
    uint64_t paints = 0;
};

Interposed counters;
std::set<HGDIOBJ>& live_fonts()
{
    static std::set<HGDIOBJ> fonts;
    return fonts;
}
thread_local int depth = 0;  // coredll calling its own API is not the caller's cost
const void* status_buffer = nullptr;  // the buffer the last query was handed
HWND watched = nullptr;
int observer = -1;

template <typename Function>
Function next(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (!symbol) {
        std::fprintf(stderr, "bench: coredll has no %s\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

class Outermost {
public:
    Outermost() : outer(depth++ == 0) {}
    ~Outermost() { --depth; }
    bool outer;
};

void count_allocation(SIZE_T bytes)
{
    // The allocator may put a header in front of a record; 64 bytes covers any such.
    if (bytes >= sizeof(CONNMGR_DESTINATION_INFO) && bytes < sizeof(CONNMGR_DESTINATION_INFO) + 64)
        ++counters.record_blocks;
}

void count_release(const void* block)
{
    if (block && block == status_buffer) {
        ++counters.status_buffer_resizes;
        status_buffer = nullptr;
    }
}

}  // namespace

Counts operator-(const Counts& a, const Counts& b)
{
    Counts d;
    d.allocations = a.allocations - b.allocations;
    d.reallocations = a.reallocations - b.reallocations;
    d.frees = a.frees - b.frees;
    d.live_blocks = a.live_blocks - b.live_blocks;
    d.record_blocks = a.record_blocks - b.record_blocks;
    d.status_buffer_changes = a.status_buffer_changes - b.status_buffer_changes;
    d.status_buffer_resizes = a.status_buffer_resizes - b.status_buffer_resizes;
    d.status_queries = a.status_queries - b.status_queries;
    d.destination_enums = a.destination_enums - b.destination_enums;
    d.fonts_created = a.fonts_created - b.fonts_created;
    d.fonts_deleted = a.fonts_deleted - b.fonts_deleted;
    d.live_gdi_objects = a.live_gdi_objects - b.live_gdi_objects;
    d.live_dcs = a.live_dcs - b.live_dcs;
    d.lock_entries = a.lock_entries - b.lock_entries;
    d.file_reads = a.file_reads - b.file_reads;
    d.paints = a.paints - b.paints;
    return d;
}

Counts snapshot()
{
    Counts c;
    const sim::kernel::HeapStats heap = sim::kernel::heap_stats();
    c.allocations = static_cast<double>(heap.allocations);
    c.reallocations = static_cast<double>(heap.reallocations);
    c.frees = static_cast<double>(heap.frees);
    c.live_blocks = static_cast<double>(heap.live_blocks);
    c.record_blocks = static_cast<double>(counters.record_blocks);
    c.status_buffer_changes = static_cast<double>(counters.status_buffer_changes);
    c.status_buffer_resizes = static_cast<double>(counters.status_buffer_resizes);
    const sim::cellcore::CallCounts calls = sim::cellcore::call_counts();
    c.status_queries = static_cast<double>(calls.query_detailed_status);
    c.destination_enums = static_cast<double>(calls.enum_destinations);
    c.fonts_created = static_cast<double>(counters.fonts_created);
    c.fonts_deleted = static_cast<double>(counters.fonts_deleted);
    c.live_gdi_objects = static_cast<double>(sim::gdi::live_objects());
    c.live_dcs = static_cast<double>(sim::gdi::live_dcs());
    c.lock_entries = static_cast<double>(counters.lock_entries);
    c.file_reads = static_cast<double>(sim::kernel::read_call_count());
    c.paints = static_cast<double>(counters.paints);
    return c;
}

void watch_paints(HWND window)
{
    // A reset forgets observers without telling us; removing a forgotten id is harmless.
    if (observer >= 0)
        sim::user::remove_message_observer(observer);
    observer = -1;
    watched = window;
    if (!window)
        return;
    observer = sim::user::add_message_observer([](const sim::user::MessageCall& call) {
        if (!call.exit && call.msg == WM_PAINT && call.hwnd == watched)
            ++counters.paints;
    });
}

}  // namespace bench

using bench::Outermost;

// LocalAlloc, counted by the size asked for.
extern "C" HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes)
{
    static auto real = bench::next<HLOCAL(WINAPI*)(UINT, SIZE_T)>("LocalAlloc");
    Outermost scope;
    if (scope.outer)
        bench::count_allocation(bytes);
    return real(flags, bytes);
}

// LocalReAlloc, noting a resize of the status buffer.
extern "C" HLOCAL WINAPI LocalReAlloc(HLOCAL block, SIZE_T bytes, UINT flags)
{
    static auto real = bench::next<HLOCAL(WINAPI*)(HLOCAL, SIZE_T, UINT)>("LocalReAlloc");
    Outermost scope;
    if (scope.outer)
        bench::count_release(block);
    return real(block, bytes, flags);
}

// LocalFree, noting the release of the status buffer.
extern "C" HLOCAL WINAPI LocalFree(HLOCAL block)
{
    static auto real = bench::next<HLOCAL(WINAPI*)(HLOCAL)>("LocalFree");
    Outermost scope;
    if (scope.outer)
        bench::count_release(block);
    return real(block);
}

// ConnMgrQueryDetailedStatus, noting which buffer the caller hands it.
extern "C" HRESULT WINAPI ConnMgrQueryDetailedStatus(CONNMGR_CONNECTION_DETAILED_STATUS* buffer, DWORD* size)
{
    static auto real = bench::next<HRESULT(WINAPI*)(CONNMGR_CONNECTION_DETAILED_STATUS*, DWORD*)>(
        "ConnMgrQueryDetailedStatus");
    if (buffer != bench::status_buffer)
        ++bench::counters.status_buffer_changes;
    bench::status_buffer = buffer;
    return real(buffer, size);
}

// CreateFontIndirectW, counting the fonts it makes.
extern "C" HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font)
{
    static auto real = bench::next<HFONT(WINAPI*)(const LOGFONTW*)>("CreateFontIndirectW");
    Outermost scope;
    HFONT made = real(font);
    if (scope.outer && made) {
        ++bench::counters.fonts_created;
        bench::live_fonts().insert(made);
    }
    return made;
}

// DeleteObject, counting the fonts it deletes.
extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    static auto real = bench::next<BOOL(WINAPI*)(HGDIOBJ)>("DeleteObject");
    Outermost scope;
    BOOL deleted = real(object);
    if (scope.outer && deleted && bench::live_fonts().erase(object) == 1)
        ++bench::counters.fonts_deleted;
    return deleted;
}

// EnterCriticalSection, counting every entry.
extern "C" void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section)
{
    static auto real = bench::next<void(WINAPI*)(LPCRITICAL_SECTION)>("EnterCriticalSection");
    Outermost scope;
    if (scope.outer)
        ++bench::counters.lock_entries;
    real(section);
}
