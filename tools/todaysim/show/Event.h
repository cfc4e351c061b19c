// SPDX-License-Identifier: MIT
// One event of a run as the trace writes it: a JSON object whose first key is "ev". The
// text view reads the same events, so both show exactly what the recorder saw.
#ifndef LINKORY_TOOLS_TODAYSIM_EVENT_H
#define LINKORY_TOOLS_TODAYSIM_EVENT_H

#include <string>

#include <nlohmann/json.hpp>

namespace todaysim {

using Event = nlohmann::ordered_json;

inline Event make_event(const char* name)
{
    Event event = Event::object();
    event["ev"] = name;
    return event;
}

inline Event rect_json(long left, long top, long right, long bottom)
{
    return Event::array({left, top, right, bottom});
}

// "#RRGGBB" from a COLORREF (0x00BBGGRR).
std::string color_text(unsigned long colorref);

}  // namespace todaysim

#endif
