// SPDX-License-Identifier: MIT
// What a plug-in leaves behind on the simulated device, for the Today host's unload report.
#ifndef LINKORY_SIM_TODAY_SIMLEFTOVERS_H
#define LINKORY_SIM_TODAY_SIMLEFTOVERS_H

#include <map>
#include <string>
#include <vector>

#include "sim/today/HostListener.h"

namespace sim::today {

// Compares the device's live counts (windows, classes, GDI objects, device contexts, icons,
// heap blocks and bytes, critical sections, open files) from a module's first load to its
// last unload. The counts are process-wide: whatever else ran in between is counted too.
class SimLeftovers : public LeftoverProbe {
public:
    void before_load(LPCWSTR path, bool first) override;
    void after_unload(LPCWSTR path, bool last, std::vector<std::string>& leftovers) override;

private:
    struct Counts {
        size_t values[9];
    };
    static Counts now();
    std::map<std::basic_string<WCHAR>, Counts> at_load_;
};

}  // namespace sim::today

#endif
