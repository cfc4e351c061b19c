// SPDX-License-Identifier: MIT
// Whole runs of todaysim: language files, every failure step, selection, and scenarios and
// command lines that are refused before anything runs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "ToolRun.h"

using nlohmann::json;

namespace {

// Writes a scenario into the test's temporary folder; returns its path.
std::string write_scenario(const std::string& name, const std::string& text)
{
    const std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
    std::ofstream(path) << text;
    return path;
}

size_t count(const std::vector<json>& events, const std::string& ev)
{
    size_t n = 0;
    for (const json& event : events)
        n += event.value("ev", "") == ev;
    return n;
}

void expect_clean_unload(const ToolRun& run)
{
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ(run.trace.back()["leaks"], json({{"heap_blocks", 0}, {"gdi_objects", 0}, {"windows", 0}, {"icons", 0}}));
    EXPECT_EQ(count(run.trace, "violation"), 0u) << run.err;
}

}  // namespace

// The scenario stages only Linkory.0007.intl: 0407 finds no file of its own and falls back
// to the primary language, as does 0C07; 0409 falls back to 0009, which is missing.
TEST(TodaysimRun, GermanLanguageFileWithFallbackToPrimaryLanguage)
{
    struct Case {
        const char* lang;
        std::vector<std::string> texts;
    };
    const std::vector<std::string> german = {
        "Aktive Verbindungen: 2", "GPRS", "IP-Adresse: 10.0.0.5", "Typ: Mobilfunk/GPRS",
        "Verbunden mit: Das Internet", "WLAN zu Hause", "IP-Adresse: (keine)", "Typ: Netzwerkkarte/WLAN",
        "Verbunden mit: (unbekannt)"};
    const Case cases[] = {
        {"", german},
        {"0c07", german},
        {"0409", {"Active Connections: 2", "GPRS", "IP Address: 10.0.0.5", "Type: Cellular/GPRS",
                  "Connected to: Das Internet", "WLAN zu Hause", "IP Address: (none)", "Type: Network card/WiFi",
                  "Connected to: (unknown)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        std::vector<std::string> args = {"--scenario", scenario("german.json")};
        if (*c.lang) {
            args.push_back("--lang");
            args.push_back(c.lang);
        }
        ToolRun run = run_todaysim(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.last_texts(), c.texts);
        expect_clean_unload(run);
    }
}

TEST(TodaysimRun, EveryFailureStepShowsAndRecovers)
{
    ToolRun run = run_todaysim({"--scenario", scenario("failures.json")});
    ASSERT_EQ(run.status, 0) << run.err;
    // Expanded with a described and an undescribed connection: 3 + 12 + 48 + 36 + 1.
    EXPECT_EQ(run.all("poll")[2].value("cyp", -1), 100);

    // Enumeration failing from index 1: nothing changes until the next paint.
    EXPECT_EQ(count(run.step(4), "paint"), 0u);
    EXPECT_EQ(run.step(4)[0].value("answer", -1), 0);
    // The action key without the selection reaches no item.
    EXPECT_EQ(count(run.step(5), "paint"), 0u);
    EXPECT_EQ(count(run.step(5), "note"), 1u);

    // Selected: highlight background, and the second destination is no longer known.
    const std::vector<json> selected = run.step(6);
    ASSERT_GE(selected.size(), 1u);
    EXPECT_EQ(selected[0], json({{"ev", "selection"}, {"selected", true}}));
    bool highlight = false;
    std::vector<std::string> texts;
    for (const json& event : selected) {
        highlight |= event.value("ev", "") == "fill" && event.value("color", "") == "#105CB0";
        if (event.value("ev", "") == "text") {
            texts.push_back(event.value("text", ""));
            EXPECT_EQ(event["font"]["height"].get<int>() == -12 || event["font"]["height"].get<int>() == -10, true)
                << "no font size from the shell: 12 and its small size 10";
            EXPECT_EQ(event.value("color", ""), "#FFFFFF") << "highlighted text";
        }
    }
    EXPECT_TRUE(highlight);
    EXPECT_EQ(texts, (std::vector<std::string>{"Active Connections: 2", "GPRS line", "IP Address: 10.0.0.5",
                                               "Type: Cellular/GPRS", "Connected to: The Internet",
                                               "IP Address: (none)", "Type: (Unknown)", "Connected to: (unknown)"}));

    // The action key, now delivered, collapses the block.
    bool plus = false;
    for (const json& event : run.step(7))
        plus |= event.value("ev", "") == "icon" && event.value("resource", -1) == 104;
    EXPECT_TRUE(plus);

    // A failing status query looks like a device without connections, at once.
    // The repaint happens inside the poll, before its answer: then the host resizes.
    std::vector<json> failed = run.step(10);
    json poll;
    bool idle_icon = false, none_text = false;
    for (const json& event : failed) {
        if (event.value("ev", "") == "poll") {
            poll = event;
            EXPECT_TRUE(none_text) << "painted before the answer";
        }
        idle_icon |= event.value("ev", "") == "icon" && event.value("resource", -1) == 5;
        none_text |= event.value("text", "") == "No active connections";
    }
    EXPECT_TRUE(idle_icon && none_text);
    EXPECT_EQ(poll.value("answer", -1), 1);
    EXPECT_EQ(poll.value("cyp", -1), 20);

    // Queries succeed again: both connections are back, still collapsed.
    bool back = false;
    for (const json& event : run.step(12))
        back |= event.value("text", "") == "Active Connections: 2";
    EXPECT_TRUE(back);
    EXPECT_EQ(run.last_texts(), std::vector<std::string>{"No active connections"});
    expect_clean_unload(run);
}

TEST(TodaysimRun, TapsOutsideTheBoxAskForTheSelectionOnlyWhenNotSelected)
{
    const std::string file = write_scenario("selection.json", R"({
      "connections": [{"description": "GPRS line", "type": 1, "subtype": 2}],
      "steps": [{"poll": 2}, {"tap": [100, 10]}, {"select": true}, {"tap": [100, 10]},
                {"deselect": true}, {"tap": [233, 7]}]
    })");
    ToolRun run = run_todaysim({"--scenario", file});
    ASSERT_EQ(run.status, 0) << run.err;
    auto requests = [&](size_t step) {
        size_t n = 0;
        for (const json& event : run.step(step))
            n += event.value("message", "") == "TODAYM_TOOKSELECTION";
        return n;
    };
    EXPECT_EQ(requests(1), 1u);
    EXPECT_EQ(requests(3), 0u) << "an item that holds the selection does not ask again";
    EXPECT_EQ(requests(5), 0u) << "a tap in the toggle box toggles instead";
    EXPECT_EQ(run.all("selection").back(), json({{"ev", "selection"}, {"selected", false}}));
    expect_clean_unload(run);
}

TEST(TodaysimRun, BadScenariosAndCommandLinesAreRefusedBeforeAnythingRuns)
{
    struct Case {
        std::string scenario;  // written to bad.json; empty: no scenario
        std::vector<std::string> args;
        std::string message;   // stderr starts with it; "@" stands for the scenario's path
    };
    const Case cases[] = {
        {R"({"steps": [{"poll": 1}, {"wait": 5}]})", {}, "@: steps[1].wait: unknown step"},
        {R"({"connections": [{"destination": "{436EF144-B4FB-4863-A041}"}]})", {}, "@: connections[0].destination: expected a GUID"},
        {R"({"connections": [{"addresses": ["10.0.0"]}]})", {}, "@: connections[0].addresses[0]: expected an IPv4 or IPv6 address"},
        {R"({"language_files": {"Linkory.0407.intl": "nowhere.intl"}})", {}, "@: language_files.Linkory.0407.intl: no such file"},
        {"{\"steps\": [\n  {\"poll\": 1},\n]}", {}, "@:3:1: syntax error"},
        {"", {"--scenario", "/nonexistent/scenario.json"}, "/nonexistent/scenario.json: cannot read"},
        {"", {"--dpi", "many"}, "todaysim: --dpi 'many': expected dots per inch"},
        {"", {"--dll", "/nonexistent/Linkory.dll"}, "todaysim: --dll /nonexistent/Linkory.dll: no such file"},
        {"", {"--bogus"}, "todaysim: unknown option '--bogus'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = c.args;
        std::string path;
        if (!c.scenario.empty()) {
            path = write_scenario("bad.json", c.scenario);
            args.insert(args.begin(), {"--scenario", path});
        }
        ToolRun run = run_todaysim(args);
        EXPECT_EQ(run.status, 2);
        std::string message = c.message;
        if (message[0] == '@')
            message = path + message.substr(1);
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
        EXPECT_TRUE(run.trace.empty()) << "nothing ran";
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(TodaysimRun, HelpAndVersion)
{
    ToolRun help = run_todaysim({"--help"}, false);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: todaysim", 0), 0u);
    EXPECT_NE(help.out.find("--scenario FILE"), std::string::npos);
    ToolRun version = run_todaysim({"--version"}, false);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("todaysim ", 0), 0u);
}
