// SPDX-License-Identifier: MIT
// What the run sequence needs from the device it drives: the Today host on it, a recorder of
// what the host sees, the misuse the device noticed and what a load left behind. The
// simulated device and the Win32 host are its two kinds.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_RUNDEVICE_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_RUNDEVICE_H

#include <cstddef>
#include <string>
#include <vector>

#include "sim/today/Host.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/show/Event.h"
#include "tools/todaysim/show/PngWriter.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {

class RunDevice {
public:
    virtual ~RunDevice() = default;

    // Makes the Today window, starts recording it into `log` and takes the counts the leaks
    // are measured from. Throws a run Failure when the window cannot be made or watched.
    virtual sim::today::Host& start(EventLog& log) = 0;
    // Loads the plug-in at `path` into the host; 0 or the error.
    virtual DWORD load(const std::string& path, size_t& item) = 0;
    // Why the last load failed beyond its error code; empty when the device cannot tell.
    virtual std::string load_error() const = 0;
    // Whether the recorder saw the item's window made.
    virtual bool item_window() const = 0;
    // The misuse noticed since the last call, each also logged as a "violation" event.
    virtual std::vector<std::string> violations() = 0;
    // What the device holds now beyond what it held at start(), as the unload event's "leaks".
    virtual Event leaks() const = 0;
    // A gdi_fails_from or heap_fails_from step.
    virtual void run_short(const Step& step) = 0;
    // The whole screen as it is now.
    virtual Picture picture() const = 0;
};

}  // namespace todaysim

#endif
