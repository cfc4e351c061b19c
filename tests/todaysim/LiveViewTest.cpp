// SPDX-License-Identifier: MIT
// The parts of the live modes that need no device: their options, the UI font that follows
// the density, the terminal view's redraw and the log a long watch keeps.
#include <cstdio>

#include <gtest/gtest.h>

#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/device/Settings.h"
#include "tools/todaysim/live/LiveView.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/show/TraceWriter.h"

namespace {

std::string written(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    return text;
}

}  // namespace

TEST(LiveOptions, IntervalZoomAndWindow)
{
    struct Case {
        const char* text;
        bool ok;
        double seconds;
    };
    const Case intervals[] = {{"0.05", true, 0.05}, {"0.049", false, 0}, {".5", true, 0.5}, {"86400", true, 86400},
                              {"86400.1", false, 0}, {"1e-3", false, 0}, {"1.2.3", false, 0}, {".", false, 0}};
    for (const Case& c : intervals) {
        SCOPED_TRACE(c.text);
        double seconds = -1;
        EXPECT_EQ(todaysim::parse_interval(c.text, seconds), c.ok);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(seconds, c.seconds);
        }
    }

    const todaysim::Options window = todaysim::parse_options({"--window", "--zoom=16", "--interval", "0.5"});
    EXPECT_TRUE(window.watch) << "--window watches too";
    EXPECT_EQ(window.zoom, 16);
    EXPECT_DOUBLE_EQ(window.interval, 0.5);
    for (const char* zoom : {"0", "17", "2.5"}) {
        SCOPED_TRACE(zoom);
        try {
            todaysim::parse_options({"--window", "--zoom", zoom});
            ADD_FAILURE() << "accepted";
        } catch (const todaysim::Failure& failure) {
            EXPECT_EQ(failure.status(), todaysim::kExitUsage);
        }
    }
}

TEST(LiveOptions, UiFontFollowsTheVerticalDensityUnlessGiven)
{
    struct Case {
        int dpi_x, dpi_y;
        int expected;
    };
    // 9 points, rounded: 120 dpi is exactly 15, 131 is 16.4, 132 is 16.5.
    const Case cases[] = {{96, 96, 12}, {131, 131, 16}, {132, 132, 17}, {192, 192, 24}, {192, 96, 12}, {96, 120, 15},
                          {24, 24, 3},  {960, 960, 120}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi_x) + "x" + std::to_string(c.dpi_y));
        todaysim::Scenario scenario;
        scenario.device.dpi_x = c.dpi_x;
        scenario.device.dpi_y = c.dpi_y;
        EXPECT_EQ(todaysim::effective_device(scenario, todaysim::Options()).font_size.value_or(0), c.expected);
    }

    // A size the scenario or the command line names stays, also at another density.
    todaysim::Scenario given = todaysim::parse_scenario(R"({"device": {"dpi": 192, "font_size": 12}})", "s.json");
    EXPECT_EQ(todaysim::effective_device(given, todaysim::Options()).font_size.value_or(0), 12);
    todaysim::Scenario none = todaysim::parse_scenario(R"({"device": {"dpi": 192, "font_size": null}})", "s.json");
    EXPECT_FALSE(todaysim::effective_device(none, todaysim::Options()).font_size.has_value());
    const todaysim::Options sized = todaysim::parse_options({"--dpi", "192", "--font-size", "13"});
    EXPECT_EQ(todaysim::effective_device(todaysim::Scenario(), sized).font_size.value_or(0), 13);
    EXPECT_EQ(todaysim::effective_device(todaysim::Scenario(), todaysim::parse_options({"--dpi", "192"}))
                  .font_size.value_or(0),
              24);
}

// Explicit --dpi, --font-size and --screen over --device, --device over the scenario's device.
TEST(LiveOptions, ScreenClassesAndWhatWinsOverThem)
{
    struct Case {
        std::vector<std::string> args;
        const char* device;  // the scenario's "device"
        int width, height, dpi, font;
    };
    const Case cases[] = {
        {{"--device", "qvga-landscape"}, "{}", 320, 240, 96, 12},
        {{"--device", "vga-square"}, "{}", 480, 480, 192, 24},
        {{}, R"({"model": "vga-landscape"})", 640, 480, 192, 24},
        {{}, R"({"model": "vga-portrait", "dpi": 131})", 480, 640, 131, 16},
        {{"--device", "qvga-square"}, R"({"model": "vga-landscape", "font_size": 30})", 240, 240, 96, 12},
        {{"--device", "vga-portrait", "--dpi", "131", "--font-size", "20"}, "{}", 480, 640, 131, 20},
        {{"--device", "vga-portrait", "--screen", "800x480"}, R"({"screen": [100, 100]})", 800, 480, 192, 24},
        {{"--screen", "320x320"}, R"({"model": "qvga-portrait"})", 320, 320, 96, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + (c.args.empty() ? "" : " " + c.args[1]));
        const todaysim::Scenario scenario =
            todaysim::parse_scenario(std::string(R"({"device": )") + c.device + "}", "s.json");
        const todaysim::Device device = todaysim::effective_device(scenario, todaysim::parse_options(c.args));
        EXPECT_EQ(device.screen_width, c.width);
        EXPECT_EQ(device.screen_height, c.height);
        EXPECT_EQ(device.dpi_y, c.dpi);
        EXPECT_EQ(device.font_size.value_or(0), c.font);
    }
    for (const char* bad : {"vga", "VGA-portrait", "qvga-portrait "})
        EXPECT_THROW(todaysim::parse_options({"--device", bad}), todaysim::Failure) << bad;
    EXPECT_THROW(todaysim::parse_scenario(R"({"device": {"model": "vga"}})", "s.json"), todaysim::Failure);
}

TEST(LiveView, TerminalRedrawsInPlaceAndPipesGetStampedBlocks)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        todaysim::LiveView view(out, true, true);
        view.repaint("a\nb\nc\n", "polls 0", "stamp");
        view.update_status("polls 1");
        view.repaint("d\n", "polls 2", "stamp");
        view.repaint("e\nf\n", "polls 3", "stamp");
    }
    // Each redraw climbs exactly over the view before it, then clears to the end of the screen.
    EXPECT_EQ(written(out), "\x1b[?25l\r\x1b[Ja\nb\nc\npolls 0\r\x1b[Kpolls 1\r\x1b[3A\x1b[Jd\npolls 2"
                            "\r\x1b[1A\x1b[Je\nf\npolls 3\n\x1b[?25h");
    std::fclose(out);

    out = std::tmpfile();
    {
        todaysim::LiveView view(out, false, true);
        view.repaint("a\n", "polls 0", "2026-01-01 00:00:00.000");
        view.update_status("polls 1");
        view.repaint("b\n", "polls 2", "2026-01-01 00:00:02.000");
    }
    EXPECT_EQ(written(out), "2026-01-01 00:00:00.000\na\n2026-01-01 00:00:02.000\nb\n");
    std::fclose(out);

}

TEST(LiveView, LogKeepsTheLastPaintAndCountsWhatWentBefore)
{
    todaysim::EventLog log;
    log.add(todaysim::make_event("poll"));
    log.forget_before_last_paint();
    EXPECT_EQ(log.events().size(), 1u) << "nothing goes before a first paint";
    log.add(todaysim::make_event("paint"));
    log.add(todaysim::make_event("text"));
    log.add(todaysim::make_event("paint"));
    log.add(todaysim::make_event("frame"));
    log.forget_before_last_paint();
    ASSERT_EQ(log.events().size(), 2u);
    EXPECT_EQ(log.events()[0]["ev"], "paint");
    EXPECT_EQ(log.events()[1]["ev"], "frame");
    EXPECT_EQ(log.total(), 5u);
}
