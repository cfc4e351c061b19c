// SPDX-License-Identifier: MIT
// The list of areas that reset_for_tests() brings back to a fresh boot.
#include "sim/coredll/Sim.h"

#include <utility>
#include <vector>

#include "sim/common/Violations.h"

namespace sim {
namespace {
std::vector<std::pair<const char*, void (*)()>>& resets()
{
    static std::vector<std::pair<const char*, void (*)()>> list;
    return list;
}
}  // namespace

void register_reset(const char* area, void (*reset)())
{
    resets().emplace_back(area, reset);
}

void unregister_reset(void (*reset)())
{
    auto& list = resets();
    for (auto it = list.begin(); it != list.end();) {
        if (it->second == reset)
            it = list.erase(it);
        else
            ++it;
    }
}

void reset_for_tests()
{
    for (auto& entry : resets())
        entry.second();
    take_violations();
}

}  // namespace sim
