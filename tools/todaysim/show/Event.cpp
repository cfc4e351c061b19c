// SPDX-License-Identifier: MIT
// Colours as the trace writes them.
#include "tools/todaysim/show/Event.h"

#include <cstdio>

namespace todaysim {

std::string color_text(unsigned long colorref)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<unsigned>(colorref & 0xFF),
                  static_cast<unsigned>((colorref >> 8) & 0xFF), static_cast<unsigned>((colorref >> 16) & 0xFF));
    return text;
}

Event violation_event(const std::string& text)
{
    Event violation = make_event("violation");
    const size_t colon = text.find(": ");
    violation["api"] = colon == std::string::npos ? std::string() : text.substr(0, colon);
    violation["what"] = colon == std::string::npos ? text : text.substr(colon + 2);
    return violation;
}

}  // namespace todaysim
