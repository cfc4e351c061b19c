// SPDX-License-Identifier: MIT
// The translator's tools on the command line: --template, and --check where the build can
// see what the item draws.
#ifndef LINKORY_TOOLS_TODAYSIM_TRANSLATOR_H
#define LINKORY_TOOLS_TODAYSIM_TRANSLATOR_H

#include "tools/todaysim/cli/Options.h"

namespace todaysim {

// False when the options ask for neither tool; otherwise runs it and sets the exit status.
// Throws a Failure as a run does.
bool run_translator_tool(const Options& options, int& status);

}  // namespace todaysim

#endif
