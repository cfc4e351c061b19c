// SPDX-License-Identifier: MIT
// The simulated device's settings as a scenario describes them, and what is read back from
// it: pictures and live counts.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_H

#include <string>

#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/PngWriter.h"

namespace todaysim {

// Linkory.dll beside todaysim in the build's bin folder.
std::string default_dll();

// Boots screen, shell font size and language.
void configure_device(const Device& device);

// A gdi_fails_from or heap_fails_from step: from its n-th call on (counted from now) every
// such call of the device fails; null ends it.
void run_short(const Step& step);

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
