// SPDX-License-Identifier: MIT
// The text view: rows from the last paint only, clipped lines left out, icon and toggle symbols.
#include <gtest/gtest.h>

#include "tools/todaysim/show/TextView.h"

using todaysim::Event;
using todaysim::make_event;
using todaysim::rect_json;

namespace {

Event paint(long width, long height)
{
    Event e = make_event("paint");
    e["rect"] = rect_json(0, 0, width, height);
    return e;
}

Event text(const char* s, long left, long top, long weight = 400, long bottom = 200)
{
    Event e = make_event("text");
    e["text"] = s;
    e["rect"] = rect_json(left, top, 238, bottom);
    e["font"] = Event{{"height", -12}, {"weight", weight}};
    e["color"] = "#000000";
    return e;
}

Event icon(int resource, long x, long y, long size)
{
    Event e = make_event("icon");
    e["resource"] = resource;
    e["x"] = x;
    e["y"] = y;
    e["width"] = size;
    e["height"] = size;
    return e;
}

Event frame(long left, long top, long right, long bottom)
{
    Event e = make_event("frame");
    e["rect"] = rect_json(left, top, right, bottom);
    e["type"] = 4;
    e["state"] = 16;
    return e;
}

}  // namespace

TEST(TextView, ShowsTheLastPaintWithSymbolsInAsciiAndUnicode)
{
    const std::vector<Event> events = {
        paint(240, 20), text("No active connections", 28, 3), icon(5, 2, 2, 16),
        paint(240, 40),
        icon(101, 2, 2, 16), text("Active Connections: 1", 28, 3, 700), frame(228, 2, 238, 12), icon(105, 228, 2, 10),
        text("GPRS line", 28, 18, 700), text("IP Address: 10.0.0.5", 28, 30),
        text("Type: Cellular/GPRS", 28, 40),  // below the 40-pixel client area: clipped
        text("Connected to: Work", 28, 36, 400, 36),  // inside it, but in an empty rectangle
    };
    const std::string ascii = todaysim::render_text_view(events, {false, false});
    EXPECT_EQ(ascii,
              "+- Linkory 240x40 ------------+\n"
              "| * Active Connections: 1 [-] |\n"
              "|   GPRS line                 |\n"
              "|   IP Address: 10.0.0.5      |\n"
              "+-----------------------------+\n");
    const std::string unicode = todaysim::render_text_view(events, {true, true});
    EXPECT_NE(unicode.find("\u25C9 \x1b[1mActive Connections: 1\x1b[0m [-] \u2502"), std::string::npos) << unicode;
    EXPECT_EQ(unicode.find("No active"), std::string::npos);
}

TEST(TextView, CollapsedToggleAndMissingPaint)
{
    const std::vector<Event> collapsed = {paint(240, 20), icon(101, 2, 2, 16), text("Active Connections: 2", 28, 3, 700),
                                          frame(228, 2, 238, 12), icon(104, 228, 2, 10)};
    EXPECT_NE(todaysim::render_text_view(collapsed, {false, false}).find("| * Active Connections: 2 [+] |"),
              std::string::npos);
    EXPECT_EQ(todaysim::render_text_view({make_event("poll")}, {false, false}), "(the item was never painted)\n");
}
