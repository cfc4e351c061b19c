// SPDX-License-Identifier: MIT
// The toggle box: where the item drew it, and a tap on the item.
#include "tools/todaysim/device/Toggle.h"

namespace todaysim {

bool find_toggle_box(const std::vector<Event>& events, int& x, int& y)
{
    for (size_t i = events.size(); i-- > 0;) {
        const std::string name = events[i].value("ev", "");
        if (name == "frame") {
            const Event& rect = events[i]["rect"];
            x = static_cast<int>(rect_at(rect, 0) + rect_at(rect, 2)) / 2;
            y = static_cast<int>(rect_at(rect, 1) + rect_at(rect, 3)) / 2;
            return true;
        }
        if (name == "paint" && i + 1 < events.size())
            return false;
    }
    return false;
}

bool tap_item(sim::today::Host& host, size_t item, EventLog& log, int x, int y)
{
    const RECT where = host.item_rect(item);
    if (host.tap(where.left + x, where.top + y))
        return true;
    log.add(Event{{"ev", "note"}, {"text", "tap: no item under the point"}});
    return false;
}

}  // namespace todaysim
