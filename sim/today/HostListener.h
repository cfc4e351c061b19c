// SPDX-License-Identifier: MIT
// What the Today host tells an observer about its work, for traces and tests.
#ifndef LINKORY_SIM_TODAY_HOSTLISTENER_H
#define LINKORY_SIM_TODAY_HOSTLISTENER_H

#include <cstddef>
#include <string>
#include <vector>

#include "platform/todaycmn.h"
#include "platform/win32.h"

namespace sim::today {

// Every callback has an empty default, so an observer overrides only what it wants.
// Items are named by their index in load order, which stays fixed after an unload.
class HostListener {
public:
    virtual ~HostListener() = default;

    // A host action begins: "load", "poll", "tap", "action", "select", "deselect",
    // "paint" or "unload".
    virtual void step(const char* action) { (void)action; }
    // An item was initialized; record.hwndCustom is its window, or null when it made none.
    virtual void loaded(size_t item, const TODAYLISTITEM& record) { (void)item, (void)record; }
    // The item's answer to WM_TODAYCUSTOM_QUERYREFRESHCACHE and the height it reported.
    virtual void poll(size_t item, BOOL answer, DWORD cyp) { (void)item, (void)answer, (void)cyp; }
    // The layout moved or sized the item's window to `rect` (Today window coordinates).
    virtual void resize(size_t item, const RECT& rect) { (void)item, (void)rect; }
    // An item asked the host window something ("TODAYM_GETCOLOR", ...) and got `answer`.
    virtual void request(const char* message, WPARAM wParam, LPARAM lParam, LRESULT answer)
    {
        (void)message, (void)wParam, (void)lParam, (void)answer;
    }
    // The item now holds (true) or no longer holds (false) the selection.
    virtual void selection(size_t item, bool selected) { (void)item, (void)selected; }
    // The item was unloaded; `leftovers` describes what it left behind, empty when clean.
    virtual void unloaded(size_t item, const std::vector<std::string>& leftovers) { (void)item, (void)leftovers; }
};

// Accounting of what a module leaves behind beyond its window, which only the platform
// underneath can see (heap blocks, GDI objects, window classes). Optional.
class LeftoverProbe {
public:
    virtual ~LeftoverProbe() = default;
    // The host is about to load `path`; `first` when no item of the host holds it yet.
    virtual void before_load(LPCWSTR path, bool first) = 0;
    // The host released `path`; when `last`, the module is gone and what it left behind is
    // appended to `leftovers`.
    virtual void after_unload(LPCWSTR path, bool last, std::vector<std::string>& leftovers) = 0;
};

}  // namespace sim::today

#endif
