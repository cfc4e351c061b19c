// SPDX-License-Identifier: MIT
// The one probe instance shared by the test plug-in and the tests.
#include "Probe.h"

#include <utility>

namespace testplugin {

std::vector<std::string> Probe::take()
{
    std::vector<std::string> out;
    out.swap(events);
    return out;
}

Probe& probe()
{
    static Probe instance;
    return instance;
}

}  // namespace testplugin
