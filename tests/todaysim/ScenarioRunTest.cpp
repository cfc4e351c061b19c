// SPDX-License-Identifier: MIT
// Whole runs of todaysim: language files, every failure step, selection, and scenarios and
// command lines that are refused before anything runs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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

}  // namespace

// The scenario stages only Linkory.0007.intl: 0407 finds no file of its own and falls back
// to the primary language, as does 0C07; 0409 falls back to 0009, which is missing. A UTF-8
// file under the name of the language is opened and refused, and the run says why.
TEST(TodaysimRun, GermanLanguageFileWithFallbackToPrimaryLanguage)
{
    struct Case {
        const char* lang;
        std::vector<std::string> texts;
        std::string language_line;
        std::string file = scenario("german.json");
    };
    const std::vector<std::string> german = {
        "Aktive Verbindungen: 2", "GPRS", "IP-Adresse: 10.0.0.5", "Typ: Mobilfunk/GPRS",
        "Verbunden mit: Das Internet", "WLAN zu Hause", "IP-Adresse: (keine)", "Typ: Netzwerkkarte/WLAN",
        "Verbunden mit: (unbekannt)"};
    const std::string utf8 = write_scenario(
        "utf8.json", R"({"language_files": {"Linkory.0407.intl": ")" LINKORY_SCENARIO_DIR R"(/../translations/utf8.intl"}})");
    const Case cases[] = {
        {"", german, "  language file Linkory.0007.intl loaded (Linkory.0407.intl not found)\n"},
        {"0c07", german, "  language file Linkory.0007.intl loaded (Linkory.0C07.intl not found)\n"},
        {"0409", {"Active Connections: 2", "GPRS", "IP Address: 10.0.0.5", "Type: Cellular/GPRS",
                  "Connected to: Das Internet", "WLAN zu Hause", "IP Address: (none)", "Type: Network card/WiFi",
                  "Connected to: (unknown)"},
         "  no language file found (tried Linkory.0409.intl, Linkory.0009.intl): built-in English\n"},
        {"0407", {"No active connections"},
         "  Linkory.0407.intl found but refused: the file is UTF-8 or ASCII without a byte-order mark; a language "
         "file must be UTF-16LE beginning with the byte-order mark FF FE (todaysim --check " LINKORY_SCENARIO_DIR
         "/../translations/utf8.intl --lang 0407 says more); Linkory.0007.intl not found; built-in English shown\n",
         utf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        std::vector<std::string> args = {"--scenario", c.file, "--text"};
        if (*c.lang) {
            args.push_back("--lang");
            args.push_back(c.lang);
        }
        ToolRun run = run_todaysim(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.last_texts(), c.texts);
        EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1), c.language_line);
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
    EXPECT_TRUE(matching(run.step(4), {{"ev", "paint"}}).empty());
    EXPECT_EQ(run.step(4)[0].value("answer", -1), 0);
    // The action key without the selection reaches no item.
    EXPECT_TRUE(matching(run.step(5), {{"ev", "paint"}}).empty());
    EXPECT_EQ(matching(run.step(5), {{"ev", "note"}}).size(), 1u);

    // Selected: highlight background, and the second destination is no longer known.
    const std::vector<json> selected = run.step(6);
    ASSERT_GE(selected.size(), 1u);
    EXPECT_EQ(selected[0], json({{"ev", "selection"}, {"selected", true}}));
    EXPECT_FALSE(matching(selected, {{"ev", "fill"}, {"color", "#105CB0"}}).empty());
    std::vector<std::string> texts;
    for (const json& event : matching(selected, {{"ev", "text"}})) {
        texts.push_back(event.value("text", ""));
        const int height = event["font"]["height"];
        EXPECT_TRUE(height == -12 || height == -10) << "no font size from the shell: 12 and its small size 10";
        EXPECT_EQ(event.value("color", ""), "#FFFFFF") << "highlighted text";
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Active Connections: 2", "GPRS line", "IP Address: 10.0.0.5",
                                               "Type: Cellular/GPRS", "Connected to: The Internet",
                                               "IP Address: (none)", "Type: (Unknown)", "Connected to: (unknown)"}));

    // The action key, now delivered, collapses the block.
    EXPECT_FALSE(matching(run.step(7), {{"ev", "icon"}, {"resource", 104}}).empty());

    // A failing status query looks like a device without connections, at once: the idle
    // icon and the text are painted inside the poll, before its answer; then the host resizes.
    std::vector<json> failed = run.step(10);
    EXPECT_FALSE(matching(failed, {{"ev", "icon"}, {"resource", 5}}).empty());
    auto text = std::find(failed.begin(), failed.end(), first(failed, {{"text", "No active connections"}}));
    auto poll = std::find(failed.begin(), failed.end(), first(failed, {{"ev", "poll"}}));
    ASSERT_TRUE(text != failed.end() && poll != failed.end());
    EXPECT_LT(text, poll) << "painted before the answer";
    EXPECT_EQ(poll->value("answer", -1), 1);
    EXPECT_EQ(poll->value("cyp", -1), 20);

    // Queries succeed again: both connections are back, still collapsed.
    EXPECT_FALSE(matching(run.step(12), {{"text", "Active Connections: 2"}}).empty());
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
    auto requests = [&](size_t step) { return matching(run.step(step), {{"message", "TODAYM_TOOKSELECTION"}}).size(); };
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
        {R"({"language_files": {"Linkory.0407.intl": "nowhere.intl"}})", {}, "@: language_files.Linkory.0407.intl: no such file"},
        {"{\"steps\": [\n  {\"poll\": 1},\n]}", {}, "@:3:1: syntax error"},
        {"", {"--scenario", "/nonexistent/scenario.json"}, "todaysim: /nonexistent/scenario.json: cannot read the scenario file: No such file"},
        {"", {"--scenario", "/"}, "todaysim: /: is a folder"},
        {"{\"connections\": [\n  {\"description\": \"Caf\xE9\"}]}", {}, "todaysim: @:2:23: not UTF-8: byte 0xE9"},
        {R"({"connections": [{"type": "cellular", "subtype": "wifi"}]})", {}, "@: connections[0].subtype: expected a number or one of \"unknown\", \"csd\", \"gprs\""},
        {"", {"--dpi", "many"}, "todaysim: --dpi 'many': expected dots per inch"},
        {"", {"--dll", "/nonexistent/Linkory.dll"}, "todaysim: --dll /nonexistent/Linkory.dll: no such file"},
        {"", {"--bogus"}, "todaysim: unknown option '--bogus'"},
        {"", {"--scenio", "x.json"}, "todaysim: unknown option '--scenio' (did you mean --scenario?)"},
        {"", {"--text=1"}, "todaysim: --text takes no value"},
        {"", {"--zoom", "17"}, "todaysim: --zoom '17': expected a whole zoom factor from 1 to 16"},
        {"", {"--png="}, "todaysim: --png '': expected a value"},
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
        if (message.find('@') != std::string::npos)
            message.replace(message.find('@'), 1, path);
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
    for (size_t start = 0, end; start < help.out.size(); start = end + 1) {
        end = help.out.find('\n', start);
        EXPECT_LE(end - start, 80u) << help.out.substr(start, end - start);
    }
    ToolRun version = run_todaysim({"--version"}, false);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("todaysim ", 0), 0u);
}

// A second run renews todaysim's own pictures and traces; anything else at the name is kept.
TEST(TodaysimRun, OutputsReplaceOnlyFilesTodaysimWrote)
{
    struct Case {
        std::vector<std::string> args;  // "@" stands for the file
        std::string before;
        int status;                     // 2: refused, the file untouched
    };
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "old";
    const std::string translation = "[Main]\r\n1=Keine aktiven Verbindungen\r\n";
    const std::string two = scenario("two_connections.json");
    const Case cases[] = {
        {{"--template", "@"}, translation, 2},
        {{"--template", "@", "--force"}, translation, 0},
        {{"--scenario", two, "--png", "@"}, "notes\n", 2},
        {{"--scenario", two, "--png", "@"}, png, 0},
        {{"--scenario", two, "--png", "@"}, "", 0},
        {{"--scenario", two, "--png", "@", "--force"}, "notes\n", 0},
        {{"--scenario", two, "--trace", "@", "-q"}, "{\"ev\":\"load\"}\n", 0},
        {{"--scenario", two, "--trace", "@", "-q"}, png, 2},
    };
    const std::string path = write_scenario("output", "");
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        std::replace(args.begin(), args.end(), std::string("@"), path);
        SCOPED_TRACE(args[args.size() - 2] + " " + std::to_string(c.before.size()));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.before;
        ToolRun run = run_todaysim(args, false);
        EXPECT_EQ(run.status, c.status) << run.err;
        std::ifstream in(path, std::ios::binary);
        const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (c.status == 2) {
            EXPECT_EQ(after, c.before);
            EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
        } else {
            EXPECT_NE(after, c.before);
        }
    }
}
