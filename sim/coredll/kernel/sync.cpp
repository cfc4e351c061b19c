// SPDX-License-Identifier: MIT
// Critical sections: re-entrant locks with an owner thread, a recursion count and misuse checks.
//
// The caller's CRITICAL_SECTION holds only a marker and an identity; the state lives in a
// side table keyed by the section's address. That way a section that was never
// initialised, was deleted, or was copied elsewhere is recognised, and the table's size is
// the live count that leak checks need.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/win32.h"
#include "sim/common/Violations.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/kernel/RawAllocator.h"

namespace sim::kernel {
namespace {

constexpr unsigned long long kLiveMarker = 0x4C6976654353694BULL;     // a live section
constexpr unsigned long long kDeletedMarker = 0x44656164435369B4ULL;  // a deleted one

struct Section {
    unsigned long long identity;
    std::thread::id owner;  // default-constructed: nobody
    unsigned long recursion = 0;
};

using SectionMap = std::unordered_map<const void*, Section, std::hash<const void*>, std::equal_to<const void*>,
                                      RawAllocator<std::pair<const void* const, Section>>>;

struct Sections {
    std::mutex lock;
    std::condition_variable released;  // one for all sections; waiters re-check their own
    SectionMap table;
    unsigned long long next_identity = 1;
};

Sections& sections()
{
    return immortal<Sections>();
}

// The section's state, or null with the reason the caller's section is not usable.
// Lock held.
Section* find(Sections& s, LPCRITICAL_SECTION cs, const char*& problem)
{
    if (!cs) {
        problem = "null section";
        return nullptr;
    }
    auto it = s.table.find(cs);
    if (it != s.table.end() && cs->opaque[0] == kLiveMarker && cs->opaque[1] == it->second.identity)
        return &it->second;
    if (cs->opaque[0] == kDeletedMarker)
        problem = "section was deleted";
    else if (cs->opaque[0] == kLiveMarker)
        problem = "section was initialised at another address (copied?)";
    else
        problem = "section was never initialised";
    return nullptr;
}

void report(const char* api, LPCRITICAL_SECTION cs, const char* problem)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s (%p)", problem, static_cast<void*>(cs));
    sim::report_violation(api, text);
}

}  // namespace

size_t live_critical_sections()
{
    Sections& s = sections();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.table.size();
}

size_t held_critical_sections()
{
    Sections& s = sections();
    std::lock_guard<std::mutex> guard(s.lock);
    size_t held = 0;
    for (auto& entry : s.table)
        held += entry.second.recursion != 0;
    return held;
}

}  // namespace sim::kernel

using namespace sim::kernel;

// InitializeCriticalSection (coredll): a second initialisation of a live section is
// refused, since it would drop an owner and its waiters.
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION cs)
{
    if (!cs) {
        report("InitializeCriticalSection", cs, "null section");
        return;
    }
    Sections& s = sections();
    std::unique_lock<std::mutex> guard(s.lock);
    // Only memory the table knows is read: a new section holds whatever its owner's stack
    // or heap left there, and a memory checker rightly flags decisions on that.
    auto known = s.table.find(cs);
    if (known != s.table.end() && cs->opaque[0] == kLiveMarker && cs->opaque[1] == known->second.identity) {
        guard.unlock();
        report("InitializeCriticalSection", cs, "section is already initialised");
        return;
    }
    // Memory of a section that was never deleted is being reused: that section leaked.
    bool leaked = s.table.erase(cs) != 0;
    unsigned long long identity = s.next_identity++;
    s.table.emplace(cs, Section{identity, std::thread::id(), 0});
    for (auto& word : cs->opaque)
        word = 0;
    cs->opaque[0] = kLiveMarker;
    cs->opaque[1] = identity;
    guard.unlock();
    if (leaked)
        report("InitializeCriticalSection", cs, "memory of a section that was never deleted reused");
}

// DeleteCriticalSection (coredll): deleting a held section is reported and still done.
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION cs)
{
    Sections& s = sections();
    std::unique_lock<std::mutex> guard(s.lock);
    const char* problem = nullptr;
    Section* section = find(s, cs, problem);
    if (!section) {
        guard.unlock();
        report("DeleteCriticalSection", cs, problem);
        return;
    }
    bool held = section->recursion != 0;
    s.table.erase(cs);
    cs->opaque[0] = kDeletedMarker;
    cs->opaque[1] = 0;
    guard.unlock();
    s.released.notify_all();
    if (held)
        report("DeleteCriticalSection", cs, "section deleted while held");
}

// EnterCriticalSection (coredll): blocks while another thread owns the section.
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION cs)
{
    Sections& s = sections();
    std::unique_lock<std::mutex> guard(s.lock);
    const std::thread::id self = std::this_thread::get_id();
    for (;;) {
        const char* problem = nullptr;
        Section* section = find(s, cs, problem);
        if (!section) {
            guard.unlock();
            report("EnterCriticalSection", cs, problem);
            return;
        }
        if (section->recursion == 0 || section->owner == self) {
            section->owner = self;
            ++section->recursion;
            return;
        }
        // The entry may be erased while we wait, so look it up again on every wake.
        s.released.wait(guard);
    }
}

// LeaveCriticalSection (coredll): a Leave by a thread that does not hold the section is
// reported and changes nothing.
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION cs)
{
    Sections& s = sections();
    std::unique_lock<std::mutex> guard(s.lock);
    const char* problem = nullptr;
    Section* section = find(s, cs, problem);
    if (section && section->recursion == 0)
        problem = "section left more often than entered";
    else if (section && section->owner != std::this_thread::get_id())
        problem = "section left by a thread that does not own it";
    else if (section) {
        if (--section->recursion == 0) {
            section->owner = std::thread::id();
            guard.unlock();
            s.released.notify_all();
        }
        return;
    }
    guard.unlock();
    report("LeaveCriticalSection", cs, problem);
}
