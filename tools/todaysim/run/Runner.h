// SPDX-License-Identifier: MIT
// One run: boots the simulated device as the scenario (or this machine) describes it, loads
// the plug-in into the Today host, plays the steps and writes what was asked for.
#ifndef LINKORY_TOOLS_TODAYSIM_RUNNER_H
#define LINKORY_TOOLS_TODAYSIM_RUNNER_H

#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/scenario/Scenario.h"

namespace todaysim {

// Returns the exit status: 0, or 1 when the plug-in misused the device or leaked. Throws
// a Failure for anything that stops the run.
int run(const Options& options, const Scenario& scenario);

}  // namespace todaysim

#endif
