// SPDX-License-Identifier: MIT
// One event of a run as the trace writes it: a JSON object whose first key is "ev". The
// text view reads the same events, so both show exactly what the recorder saw.
#ifndef LINKORY_TOOLS_TODAYSIM_EVENT_H
#define LINKORY_TOOLS_TODAYSIM_EVENT_H

#include <string>

#include <nlohmann/json.hpp>

#include "platform/win32.h"

namespace todaysim {

using Event = nlohmann::ordered_json;

inline Event make_event(const char* name)
{
    Event event = Event::object();
    event["ev"] = name;
    return event;
}

// Rectangles are [left, top, right, bottom] arrays in events.
inline Event rect_json(long left, long top, long right, long bottom)
{
    return Event::array({left, top, right, bottom});
}

inline Event rect_json(const RECT& r)
{
    return rect_json(r.left, r.top, r.right, r.bottom);
}

// One side of a rectangle in an event; 0 when it is not a rectangle.
inline long rect_at(const Event& rect, size_t i)
{
    return rect.is_array() && rect.size() == 4 && i < 4 && rect[i].is_number() ? rect[i].get<long>() : 0;
}

// A "violation" event from the device's "Api: what" text of a misuse.
Event violation_event(const std::string& text);

// "#RRGGBB" from a COLORREF (0x00BBGGRR).
std::string color_text(unsigned long colorref);

}  // namespace todaysim

#endif
