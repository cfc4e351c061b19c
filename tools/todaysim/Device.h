// SPDX-License-Identifier: MIT
// The simulated device's settings and Connection Manager as a scenario describes them, and
// what is read back from it: pictures and live counts.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_H

#include <cstddef>
#include <string>
#include <vector>

#include "tools/todaysim/Options.h"
#include "tools/todaysim/PngWriter.h"
#include "tools/todaysim/Scenario.h"

namespace todaysim {

// The device settings of the scenario with the command line's overrides applied, the
// screen size filled in.
Device effective_device(const Scenario& scenario, const Options& options);

// Boots screen, shell font size and language.
void configure_device(const Device& device);

// Puts the scenario's lists into the Connection Manager's model.
void set_connections(const std::vector<Destination>& destinations, const std::vector<Connection>& connections);
// This machine's interfaces as the Connection Manager's connections; the number found.
size_t use_live_connections();

// The screen as it is now.
Picture screen_picture();

// What the device holds now, for leak counts across a load and unload.
struct LiveCounts {
    long heap_blocks = 0;
    long gdi_objects = 0;
    long windows = 0;
    long icons = 0;
};
LiveCounts live_counts();

}  // namespace todaysim

#endif
