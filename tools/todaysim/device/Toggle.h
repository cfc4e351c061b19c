// SPDX-License-Identifier: MIT
// The toggle box: where the item drew it, and a tap on the item. Every tap of todaysim, a
// scenario's, a key's in the live modes and the check's, goes through here.
#ifndef LINKORY_TOOLS_TODAYSIM_DEVICE_TOGGLE_H
#define LINKORY_TOOLS_TODAYSIM_DEVICE_TOGGLE_H

#include <cstddef>
#include <vector>

#include "sim/today/Host.h"
#include "tools/todaysim/show/Event.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace todaysim {

// The centre of the toggle box the last paint drew, in item client coordinates; false when
// the last paint drew none.
bool find_toggle_box(const std::vector<Event>& events, int& x, int& y);

// A tap at (x, y) in the item's client coordinates; false, with a note in the log, when no
// item lies under the point.
bool tap_item(sim::today::Host& host, size_t item, EventLog& log, int x, int y);

}  // namespace todaysim

#endif
