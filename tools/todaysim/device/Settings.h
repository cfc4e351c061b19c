// SPDX-License-Identifier: MIT
// The device a run boots: the scenario's settings with the command line's overrides.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_SETTINGS_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_SETTINGS_H

#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/scenario/Scenario.h"

namespace todaysim {

// The scenario's device with the command line's overrides applied and the screen size filled in.
Device effective_device(const Scenario& scenario, const Options& options);

}  // namespace todaysim

#endif
