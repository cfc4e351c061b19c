// SPDX-License-Identifier: MIT
// The Today background: a picture rather than a fill, continuous across the items.
#include <gtest/gtest.h>

#include <set>

#include "HostFixture.h"
#include "sim/coredll/SimGdi.h"

namespace {

using TodayBackground = HostFixture;

std::vector<uint32_t> Screen()
{
    const uint32_t* fb = sim::gdi::framebuffer();
    return std::vector<uint32_t>(fb, fb + size_t(sim::gdi::screen_width()) * sim::gdi::screen_height());
}

TEST_F(TodayBackground, IsAPictureNotAFlatFill)
{
    const std::vector<uint32_t> screen = Screen();
    std::set<uint32_t> colours(screen.begin(), screen.end());
    EXPECT_GE(colours.size(), 20u);
    // Lighter towards the bottom, and not the same along a row that crosses the disc.
    EXPECT_NE(sim::gdi::pixel(2, 2), sim::gdi::pixel(2, 318));
    EXPECT_NE(sim::gdi::pixel(10, 300), sim::gdi::pixel(180, 300));
    EXPECT_NE(sim::gdi::pixel(5, 64), sim::gdi::pixel(5, 65)) << "the faint rule";
}

TEST_F(TodayBackground, ItemsDrawTheirSliceOfTheSamePicture)
{
    const std::vector<uint32_t> alone = Screen();
    testplugin::probe().height = 37;  // not a multiple of the gradient's band
    LoadItem();
    LoadItem();
    sim::gdi::clear_screen(0xFF00FF);
    ASSERT_TRUE(host->poll());
    // The test plug-in paints nothing but the watermark, so the screen must match exactly.
    const std::vector<uint32_t> with_items = Screen();
    size_t differing = 0;
    for (size_t i = 0; i < alone.size(); ++i)
        differing += alone[i] != with_items[i];
    EXPECT_EQ(differing, 0u);

    size_t watermarks = 0;
    for (const std::string& line : listener.take())
        watermarks += line == "TODAYM_DRAWWATERMARK 0 -> 1";
    EXPECT_GE(watermarks, 2u);
}

TEST_F(TodayBackground, ColoursAnswerTheThreeIdsOnly)
{
    struct {
        WPARAM id;
        COLORREF colour;
    } cases[] = {
        {TODAYCOLOR_TEXT, RGB(0, 0, 0)},
        {TODAYCOLOR_HIGHLIGHT, sim::today::kHighlightColor},
        {TODAYCOLOR_HIGHLIGHTEDTEXT, RGB(255, 255, 255)},
        {0x10000005, CLR_INVALID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(COLORREF(SendMessageW(host->window(), TODAYM_GETCOLOR, c.id, 0)), c.colour);
    }
    EXPECT_EQ(SendMessageW(host->window(), TODAYM_DRAWWATERMARK, 0, 0), FALSE);
}

}  // namespace
