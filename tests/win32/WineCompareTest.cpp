// SPDX-License-Identifier: MIT
// todaysim under Wine against the simulated device, scenario by scenario: the same host events
// (load, polls and answers, heights, resizes, paints, taps, action, selection, unload), and the
// toggle box and highlight in the Wine picture where the simulated build puts them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "RunPair.h"

namespace {

using nlohmann::json;

// The Today host's highlight colour (sim/today/Host.h) as 0xRRGGBB.
const uint32_t kHighlight = 0x105CB0;

struct Case {
    const char* scenario;
    const char* locale;  // Wine's LC_ALL for the device language, or empty
};

const Case kCases[] = {
    {WIN32_SCENARIO_DIR "/expanded_selected.json", ""},
    {WIN32_SCENARIO_DIR "/taps_and_keys.json", ""},
    {WIN32_SCENARIO_DIR "/german_steps.json", "de_DE.UTF-8"},
    {LINKORY_SCENARIO_DIR "/failures.json", ""},
};

json last_event(const std::vector<json>& trace, const std::string& ev)
{
    json found;
    for (const json& event : trace)
        if (event.value("ev", "") == ev)
            found = event;
    return found;
}

struct Area {
    int left, top, right, bottom;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Area area_of(const json& rect)
{
    return {rect[0].get<int>(), rect[1].get<int>(), rect[2].get<int>(), rect[3].get<int>()};
}

// Every rectangle the simulated item drew text in. DrawTextW clips to it, so whatever face
// Wine finds, its glyphs stay inside these.
std::vector<Area> text_areas(const std::vector<json>& trace)
{
    std::vector<Area> areas;
    for (const json& event : trace)
        if (event.value("ev", "") == "text")
            areas.push_back(area_of(event["rect"]));
    return areas;
}

// Pixels of `area`, outside every rectangle of `skip`, where `a` is `color` and `b` seen
// moved by (dx, dy) is not, or the other way round; a point moved off `b` counts as differing.
int color_mismatches(const Picture& a, const Picture& b, const Area& area, const std::vector<Area>& skip,
                     uint32_t color, int dx = 0, int dy = 0)
{
    int differ = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            bool skipped = false;
            for (const Area& s : skip)
                skipped = skipped || s.contains(x, y);
            if (skipped)
                continue;
            const int bx = x + dx, by = y + dy;
            const bool in_b = bx >= 0 && by >= 0 && bx < b.width && by < b.height && b.at(bx, by) == color;
            differ += (a.at(x, y) == color) != in_b;
        }
    return differ;
}

}  // namespace

TEST(WineAgainstSimulator, HostEventsAreTheSame)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.scenario);
        const PairRun run = run_pair(c.scenario, c.locale);
        ASSERT_EQ(run.sim.status, 0) << run.sim.err;
        ASSERT_EQ(run.wine.status, 0) << run.wine.err;
        // Another build's Linkory.dll, when named, is the one the Win32 host loaded.
        if (const char* dll = std::getenv("LINKORY_WIN32_DLL"); dll && *dll)
            EXPECT_EQ(last_event(run.wine.trace, "load").value("dll", ""), std::string("Z:") + dll);
        const std::vector<json> sim = host_events(run.sim.trace), wine = host_events(run.wine.trace);
        EXPECT_GT(sim.size(), 5u) << "the simulated run recorded too little to compare";
        EXPECT_TRUE(same_events(sim, wine));
    }
}

TEST(WineAgainstSimulator, ToggleBoxAndHighlightWhereTheSimulatorDrawsThem)
{
    const PairRun run = run_pair(WIN32_SCENARIO_DIR "/expanded_selected.json");
    ASSERT_EQ(run.sim.status, 0) << run.sim.err;
    ASSERT_EQ(run.wine.status, 0) << run.wine.err;
    const Picture &sim = run.sim.picture, &wine = run.wine.picture;
    ASSERT_GT(sim.width, 0);
    ASSERT_EQ(wine.width, sim.width);
    ASSERT_EQ(wine.height, sim.height);

    // The item is the first and only one: from the top, full width, as tall as its last size.
    const json resize = last_event(run.sim.trace, "resize");
    ASSERT_FALSE(resize.is_null());
    const Area item = {0, 0, resize["width"].get<int>(), resize["height"].get<int>()};
    const json frame = last_event(run.sim.trace, "frame");
    ASSERT_FALSE(frame.is_null()) << "the simulated run drew no toggle box";
    const Area box = area_of(frame["rect"]);

    // The highlight fills the selected item's background on both, pixel for pixel wherever the
    // simulated item drew no text, and nothing below it.
    const std::vector<Area> texts = text_areas(run.sim.trace);
    ASSERT_FALSE(texts.empty()) << "the simulated run drew no text";
    const Area screen = {0, 0, sim.width, sim.height};
    int highlighted = 0;
    for (int y = item.top; y < item.bottom; ++y)
        for (int x = item.left; x < item.right; ++x)
            highlighted += sim.at(x, y) == kHighlight;
    EXPECT_GT(highlighted, (item.right * item.bottom) / 2) << "the simulated item is not highlighted";
    EXPECT_EQ(color_mismatches(sim, wine, screen, texts, kHighlight), 0) << "the highlight differs under Wine";
    // The comparison sees a highlight or an icon one pixel off in any direction.
    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        EXPECT_GT(color_mismatches(sim, wine, screen, texts, kHighlight, dx, dy), 0) << "moved by " << dx << "," << dy;

    // The toggle box is where the simulated build put it: the same pixels stand out from the
    // highlight around it. Its face takes the system's button colours, which differ (classic
    // grey on the device, Wine's own scheme), but the collapse icon's coloured pixels do not.
    const Area around = {box.left - 2, box.top - 2, box.right + 2, box.bottom + 2};
    int footprint = 0, icon = 0, icon_differs = 0;
    for (int y = around.top; y < around.bottom; ++y) {
        for (int x = around.left; x < around.right; ++x) {
            const uint32_t s = sim.at(x, y), w = wine.at(x, y);
            footprint += s != kHighlight;
            const bool grey = (s >> 16 & 0xFF) == (s >> 8 & 0xFF) && (s >> 8 & 0xFF) == (s & 0xFF);
            if (s != kHighlight && !grey) {
                ++icon;
                icon_differs += s != w;
            }
        }
    }
    EXPECT_EQ(footprint, (box.right - box.left) * (box.bottom - box.top)) << "the box fills its rectangle";
    EXPECT_EQ(color_mismatches(sim, wine, around, {}, kHighlight), 0) << "the box under Wine covers other pixels";
    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        EXPECT_GT(color_mismatches(sim, wine, around, {}, kHighlight, dx, dy), 0) << "box moved by " << dx << "," << dy;
    EXPECT_GT(icon, 0) << "no icon pixels in the simulated box";
    EXPECT_EQ(icon_differs, 0) << "the collapse icon differs under Wine";
}
