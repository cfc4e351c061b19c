// SPDX-License-Identifier: MIT
// todaysim on a device short of memory: GDI, window and heap failures from a step on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "ToolRun.h"

using nlohmann::json;

namespace {

std::vector<std::string> texts_of(const std::vector<json>& events)
{
    std::vector<std::string> texts;
    for (const json& event : matching(events, {{"ev", "text"}}))
        texts.push_back(event.value("text", ""));
    return texts;
}

}  // namespace

TEST(TodaysimShortOfMemory, FailuresFromAStepShowAndAPollWithMemoryRepairs)
{
    ToolRun run = run_todaysim({"--scenario", scenario("short_of_memory.json")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<json> steps = run.all("step");
    ASSERT_EQ(steps.size(), 11u);
    EXPECT_EQ(steps[1], json({{"ev", "step"}, {"index", 1}, {"step", "gdi_fails_from"}, {"from", 1}}));
    EXPECT_EQ(steps[4], json({{"ev", "step"}, {"index", 4}, {"step", "gdi_fails_from"}, {"from", nullptr}}));
    EXPECT_EQ(steps[6], json({{"ev", "step"}, {"index", 6}, {"step", "heap_fails_from"}, {"from", 1}}));

    // The tap flips the block, but no paint can begin: nothing is drawn, the height stays.
    EXPECT_FALSE(matching(run.step(2), {{"ev", "paint"}}).empty()) << "the window asks to be painted";
    EXPECT_TRUE(texts_of(run.step(2)).empty());
    EXPECT_TRUE(texts_of(run.step(3)).empty());
    ASSERT_FALSE(run.step(3).empty());
    EXPECT_EQ(run.step(3)[0], json({{"ev", "poll"}, {"answer", 0}, {"cyp", 20}}));

    // With memory again the pending paint comes, and the host learns the expanded height.
    const std::vector<std::string> expanded = {"Active Connections: 1", "GPRS line", "IP Address: 10.0.0.5",
                                               "Type: Cellular/GPRS", "Connected to: The Internet"};
    std::vector<std::string> drawn = texts_of(run.step(5));
    ASSERT_GE(drawn.size(), expanded.size());
    EXPECT_EQ(std::vector<std::string>(drawn.begin(), drawn.begin() + 5), expanded);
    EXPECT_EQ(run.all("poll").back().value("cyp", -1), 112) << "expanded with two connections at the end";

    // Without heap the second connection still shows; only what needs new memory is lost.
    drawn = texts_of(run.step(8));
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn[0], "Active Connections: 2");
    expect_clean_unload(run);
}

TEST(TodaysimShortOfMemory, CountsAreCheckedBeforeAnythingRuns)
{
    const char* const kBad[] = {R"({"steps": [{"gdi_fails_from": 0}]})", R"({"steps": [{"heap_fails_from": "1"}]})",
                                R"({"steps": [{"heap_fails_from": 2147483648}]})",
                                R"({"steps": [{"gdi_fails_from": true}]})"};
    for (const char* text : kBad) {
        SCOPED_TRACE(text);
        const std::string path = testing::TempDir() + std::to_string(getpid()) + "_short.json";
        std::ofstream(path) << text;
        ToolRun run = run_todaysim({"--scenario", path});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(": steps[0]."), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("expected a count from 1 (the next call), or null"), std::string::npos) << run.err;
        EXPECT_TRUE(run.trace.empty());
    }
}
