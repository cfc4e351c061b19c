// SPDX-License-Identifier: MIT
// Live counts of the simulated device before a module's load and after its unload.
#include "sim/today/SimLeftovers.h"

#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimKernel.h"
#include "sim/coredll/SimUser.h"

namespace sim::today {
namespace {

// Names of the counts, in the order of Counts::values, singular and plural.
const char* const kWhat[][2] = {
    {"window", "windows"},
    {"window class", "window classes"},
    {"GDI object", "GDI objects"},
    {"device context", "device contexts"},
    {"icon", "icons"},
    {"heap block", "heap blocks"},
    {"heap byte", "heap bytes"},
    {"critical section", "critical sections"},
    {"open file", "open files"},
};

}  // namespace

SimLeftovers::Counts SimLeftovers::now()
{
    const sim::kernel::HeapStats heap = sim::kernel::heap_stats();
    return Counts{{sim::user::live_windows(), sim::user::live_classes(), sim::gdi::live_objects(),
                   sim::gdi::live_dcs(), sim::gdi::live_icons(), heap.live_blocks, heap.live_bytes,
                   sim::kernel::live_critical_sections(), sim::kernel::live_file_handles()}};
}

void SimLeftovers::before_load(LPCWSTR path, bool first)
{
    if (first)
        at_load_[path] = now();
}

void SimLeftovers::after_unload(LPCWSTR path, bool last, std::vector<std::string>& leftovers)
{
    auto it = at_load_.find(path);
    if (!last || it == at_load_.end())
        return;
    const Counts after = now();
    for (size_t i = 0; i < sizeof kWhat / sizeof kWhat[0]; ++i) {
        if (after.values[i] <= it->second.values[i])
            continue;
        const size_t extra = after.values[i] - it->second.values[i];
        leftovers.push_back(std::to_string(extra) + " " + kWhat[i][extra == 1 ? 0 : 1] + " left");
    }
    at_load_.erase(it);
}

}  // namespace sim::today
