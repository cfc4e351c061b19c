// SPDX-License-Identifier: MIT
// The item as text for a terminal, built from the drawing events of its last paint: a box
// with one row per drawn line, the header icon as a symbol and [+]/[-] for the toggle box.
#ifndef LINKORY_TOOLS_TODAYSIM_TEXTVIEW_H
#define LINKORY_TOOLS_TODAYSIM_TEXTVIEW_H

#include <string>
#include <vector>

#include "tools/todaysim/show/Event.h"

namespace todaysim {

struct TextViewStyle {
    bool unicode = true;  // box-drawing characters and symbols; plain ASCII otherwise
    bool color = false;   // ANSI bold for bold text
};

// Icon resources of the item and what the view shows for them.
constexpr int kIconConnected = 101;
constexpr int kIconIdle = 5;
constexpr int kIconExpand = 104;
constexpr int kIconCollapse = 105;

// Renders the events from the last "paint" event on ("text", "icon", "frame"); texts whose
// rectangle leaves no room inside the painted client area were clipped away and are left
// out, as on screen.
// Returns a note instead of a box when the item was never painted.
std::string render_text_view(const std::vector<Event>& events, const TextViewStyle& style);


}  // namespace todaysim

#endif
