// SPDX-License-Identifier: MIT
// Whole runs of todaysim: the item's layout at three screen densities, read from the trace.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ToolRun.h"

using nlohmann::json;

// Two described connections, collapsed, then expanded with the action key.
TEST(TodaysimLayout, FiguresAtThreeDensities)
{
    struct Case {
        const char* dpi;
        const char* font;
        int left, top;          // text rectangle
        int icon_at, icon;      // header icon position and size
        int box_right_gap, box_top, box;  // toggle box: W - right, top, side
        int toggle_icon;
        int first, collapsed, expanded;  // heights reported to the host
    };
    const Case cases[] = {
        {"96", "12", 28, 3, 2, 16, 2, 2, 10, 10, 20, 20, 112},
        {"131", "12", 38, 4, 2, 22, 3, 2, 13, 14, 27, 26, 113},
        {"131", "16", 38, 4, 2, 22, 3, 2, 13, 14, 27, 26, 151},
        {"192", "24", 56, 6, 4, 32, 4, 4, 20, 20, 40, 39, 229},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dpi) + " dpi, font " + c.font);
        ToolRun run = run_todaysim({"--scenario", scenario("layout.json"), "--dpi", c.dpi, "--font-size", c.font});
        ASSERT_EQ(run.status, 0) << run.err;

        // The first answer is the height set at creation: the window had no height yet,
        // so nothing was painted. The paint after the resize sets the collapsed height.
        std::vector<json> polls = run.all("poll");
        ASSERT_EQ(polls.size(), 4u);
        EXPECT_EQ(polls[0].value("answer", -1), 1);
        EXPECT_EQ(polls[0].value("cyp", -1), c.first);
        EXPECT_EQ(polls[1].value("cyp", -1), c.collapsed);
        EXPECT_EQ(polls[1].value("answer", -1), c.first != c.collapsed ? 1 : 0);
        EXPECT_EQ(polls[2].value("cyp", -1), c.expanded);
        EXPECT_EQ(polls[3].value("answer", -1), 0) << "a steady item answers FALSE";

        const json resize = run.all("resize").back();
        const int width = resize.value("width", 0);
        EXPECT_EQ(resize.value("height", 0), c.expanded);

        const std::vector<json> paint = run.last_paint();
        const json header = first(paint, {{"ev", "text"}});
        EXPECT_EQ(header["text"], "Active Connections: 2");
        EXPECT_EQ(header["rect"], json::array({c.left, c.top, width - 2, c.expanded - 2}));
        EXPECT_EQ(header["font"]["weight"], 700);
        EXPECT_EQ(header["font"]["height"], -std::stoi(c.font));

        const json icon = first(paint, {{"ev", "icon"}, {"resource", 101}});
        EXPECT_EQ(icon.value("x", -1), c.icon_at);
        EXPECT_EQ(icon.value("y", -1), c.icon_at);
        EXPECT_EQ(icon.value("width", -1), c.icon);

        const json frame = first(paint, {{"ev", "frame"}});
        const int box_left = width - c.box_right_gap - c.box;
        EXPECT_EQ(frame["rect"], json::array({box_left, c.box_top, box_left + c.box, c.box_top + c.box}));
        EXPECT_EQ(frame["type"], 4);
        EXPECT_EQ(frame["state"], 16);
        const json toggle = first(paint, {{"ev", "icon"}, {"resource", 105}});
        EXPECT_EQ(toggle.value("x", -1), box_left) << "expanded: the collapse icon sits in the box";
        EXPECT_EQ(toggle.value("width", -1), c.toggle_icon);

        // Only connected records get a block; the disconnected dial-up line shows nowhere.
        const std::vector<std::string> expected = {
            "Active Connections: 2", "GPRS line", "IP Address: 10.0.0.5", "Type: Cellular/GPRS",
            "Connected to: The Internet", "Office WiFi", "IP Address: 192.168.1.20",
            "Type: Network card/WiFi", "Connected to: Work"};
        EXPECT_EQ(run.last_texts(), expected);

        expect_clean_unload(run);
    }
}

TEST(TodaysimLayout, TextViewAndPictureComeFromTheSameRun)
{
    const std::string png = std::to_string(getpid()) + "_layout.png";
    ToolRun run = run_todaysim({"--scenario", scenario("two_connections.json"), "--text", "--png", png}, false);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Active Connections: 2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[-]"), std::string::npos) << "expanded toggle box: " << run.out;
    EXPECT_NE(run.out.find("Connected to: Work"), std::string::npos);
    EXPECT_EQ(run.out.find("Dial-up"), std::string::npos);
    char magic[8] = {};
    std::ifstream(testing::TempDir() + png, std::ios::binary).read(magic, 8);
    EXPECT_EQ(std::string(magic, 8), "\x89PNG\r\n\x1a\n");
    std::remove((testing::TempDir() + png).c_str());
}
