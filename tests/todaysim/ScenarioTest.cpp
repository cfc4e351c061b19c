// SPDX-License-Identifier: MIT
// Scenario files: what a good one yields, and that every bad one is refused with the file,
// the field and what was expected.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/connmgr.h"
#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Scenario.h"

using todaysim::Failure;
using todaysim::parse_scenario;
using todaysim::Scenario;
using todaysim::StepKind;

namespace {

const std::string kFile = std::string(LINKORY_SCENARIO_DIR) + "/inline.json";

// The message a refused scenario gives, or "accepted".
std::string refusal(const std::string& text)
{
    try {
        parse_scenario(text, kFile);
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.status(), todaysim::kExitUsage);
        std::string message = failure.what();
        EXPECT_EQ(message.rfind(kFile, 0), 0u) << "the message names the file: " << message;
        return message.substr(kFile.size());
    }
    return "accepted";
}

}  // namespace

TEST(Scenario, FullFileYieldsDeviceConnectionsAndSteps)
{
    Scenario s = parse_scenario(R"({
      // comments are allowed
      "device": {"dpi": [131, 96], "font_size": null, "language": "0x0407", "screen": [240, 268]},
      "language_files": {"Linkory.0407.intl": "de.intl"},
      "destinations": [{"guid": "{436EF144-B4FB-4863-A041-8F905A62C572}", "description": "The Internet"}],
      "connections": [{"description": "GPRS line", "type": 1, "subtype": 2, "status": "connected",
                       "addresses": ["10.0.0.5", "fe80::1"], "destination": "436ef144-b4fb-4863-a041-8f905a62c572"},
                      {"description": null, "type": -1, "status": 33}],
      "steps": [{"poll": 3}, {"tap": [230, 5]}, {"action": true}, {"query_fails": "0x80004005"},
                {"query_fails": null}, {"enum_fails_at": 2}, {"png": "frame.png"}, {"connections": []}]
    })", kFile);
    EXPECT_EQ((std::vector<int>{s.device.dpi_x, s.device.dpi_y, s.device.language, s.device.screen_height}),
              (std::vector<int>{131, 96, 0x0407, 268}));
    EXPECT_FALSE(s.device.font_size.has_value());
    ASSERT_EQ(s.language_files.size(), 1u);
    EXPECT_EQ(s.language_files[0].second, std::string(LINKORY_SCENARIO_DIR) + "/de.intl");
    ASSERT_EQ(s.connections.size(), 2u);
    const todaysim::Connection& gprs = s.connections[0];
    EXPECT_EQ(gprs.status, static_cast<uint32_t>(CONNMGR_STATUS_CONNECTED));
    ASSERT_EQ(gprs.addresses.size(), 2u);
    EXPECT_EQ((std::vector<int>{gprs.addresses[0].ipv6, gprs.addresses[0].bytes[0], gprs.addresses[0].bytes[3],
                                gprs.addresses[1].ipv6}),
              (std::vector<int>{false, 10, 5, true}));
    EXPECT_EQ(todaysim::format_guid(gprs.destination), "{436EF144-B4FB-4863-A041-8F905A62C572}");
    EXPECT_EQ(std::memcmp(&gprs.destination, &s.destinations[0].guid, sizeof(GUID)), 0);
    EXPECT_FALSE(s.connections[1].description.has_value());
    EXPECT_EQ(s.connections[1].type, 0xFFFFFFFFu);
    EXPECT_EQ(s.connections[1].status, 0x21u);
    ASSERT_EQ(s.steps.size(), 8u);
    EXPECT_EQ(s.steps[0].count, 3);
    EXPECT_EQ(s.steps[1].x, 230);
    EXPECT_EQ(s.steps[3].hresult.value_or(0), 0x80004005u);
    EXPECT_FALSE(s.steps[4].hresult.has_value());
    EXPECT_EQ(s.steps[5].enum_index.value_or(-1), 2);
    EXPECT_EQ(s.steps[6].kind, StepKind::Png);
    EXPECT_TRUE(s.steps[7].connections.empty());
}

TEST(Scenario, EmptyObjectRunsTheDefaultScript)
{
    Scenario s = parse_scenario("{}", kFile);
    EXPECT_FALSE(s.has_steps);
    EXPECT_EQ(s.device.dpi_x, 96);
    EXPECT_EQ(s.device.font_size.value_or(0), 12);
    EXPECT_TRUE(parse_scenario(R"({"steps": []})", kFile).has_steps);
}

TEST(Scenario, BadFilesAreRefusedWithFieldAndExpectation)
{
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {R"({"steps": [{"poll": 1}, {"poll": 1}, {"poll": 1}, {"tap": 5}]})", ": steps[3].tap: expected [x, y]"},
        {R"({"steps": [{"tap": [1, 2, 3]}]})", ": steps[0].tap: expected [x, y]"},
        {R"({"steps": [{"tap": [1.5, 2]}]})", ": steps[0].tap: expected [x, y]"},
        {R"({"steps": [{"jump": 1}]})", ": steps[0].jump: unknown step"},
        {R"({"steps": [{"poll": 1, "tap": [1, 1]}]})", ": steps[0]: expected an object with exactly one step"},
        {R"({"steps": [{"poll": 0}]})", ": steps[0].poll: expected a number of polls"},
        {R"({"steps": [{"action": false}]})", ": steps[0].action: expected true"},
        {R"({"steps": [{"query_fails": "E_FAIL"}]})", ": steps[0].query_fails: expected a failing HRESULT"},
        {R"({"steps": [{"query_fails": 0}]})", ": steps[0].query_fails: expected a failing HRESULT"},
        {R"({"steps": [{"query_fails": "0x00000005"}]})", ": steps[0].query_fails: expected a failing HRESULT"},
        {R"({"steps": [{"query_fails": "0x8007007A"}]})", ": steps[0].query_fails: expected a failing HRESULT"},
        {R"({"steps": [{"png": ""}]})", ": steps[0].png: expected the name of a PNG file"},
        {R"({"steps": {"poll": 1}})", ": steps: expected an array of steps"},
        {R"({"connections": [{"destination": "{436EF144-B4FB-4863-A041-8F905A62C57}"}]})",
         ": connections[0].destination: expected a GUID"},
        {R"({"destinations": [{"guid": "{436EF144-B4FB-4863-A041+8F905A62C572}"}]})",
         ": destinations[0].guid: expected a GUID"},
        {R"({"connections": [{"addresses": ["10.0.0.256"]}]})", ": connections[0].addresses[0]: expected an IPv4 or IPv6 address"},
        {R"({"connections": [{"addresses": ["10.0.0.1", "fe80::1::2"]}]})", ": connections[0].addresses[1]: expected an IPv4"},
        {R"({"connections": [{"status": "online"}]})", ": connections[0].status: expected a status number or name"},
        {R"({"connections": [{"type": 4294967296}]})", ": connections[0].type: expected an integer"},
        {R"({"connections": [{"speed": 5}]})", ": connections[0].speed: unknown key"},
        {R"({"device": {"dpi": 0}})", ": device.dpi: expected dots per inch"},
        {R"({"device": {"dpi": [96]}})", ": device.dpi: expected [x, y]"},
        {R"({"device": {"language": "0x12345"}})", ": device.language: expected a hexadecimal language identifier"},
        {R"({"device": {"font_size": "big"}})", ": device.font_size: expected a pixel size"},
        {R"({"devices": {}})", ": devices: unknown key (expected one of device, language_files"},
        {R"({"language_files": {"Linkory.0407.intl": "missing.intl"}})",
         ": language_files.Linkory.0407.intl: no such file: "},
        {R"({"language_files": {"../escape.intl": "de.intl"}})", ": language_files.../escape.intl: expected a plain file name"},
        {R"({"language_files": {"LINKORY.DLL": "de.intl"}})", ": language_files.LINKORY.DLL: expected a plain file name"},
        {R"({"destinations": [{"description": ")" + std::string(128, 'x') + "\"}]}",
         ": destinations[0].description: expected a text of at most 127 characters"},
        {R"({"steps": [], "steps": []})", ": steps: the key appears twice"},
        {R"({"connections": [{}, {"type": 1, "type": 2}]})", ": connections[1].type: the key appears twice"},
        {"[1, 2]", ": expected an object at the top"},
        {"{\n  \"steps\": [\n    {\"poll\": 1}\n    {\"poll\": 2}\n  ]\n}", ":4:5: syntax error"},
        {"{\"device\": {\"dpi\": 96,}}", ":1:23: syntax error"},
        {"{\n  \"steps\": [{\"poll\": 1E400}]\n}", ":2:22: the number 1E400 is too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string message = refusal(c.text);
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << "got: " << message;
    }
}

TEST(Options, OverridesAndOutputsFollowTheCommandLine)
{
    todaysim::Options plain = todaysim::parse_options({});
    EXPECT_TRUE(plain.text);
    EXPECT_EQ(plain.png.value_or(""), "today.png");
    EXPECT_TRUE(plain.scenario.empty());

    todaysim::Options traced = todaysim::parse_options({"--trace", "-", "--dpi=96x192", "--lang", "0x0407",
                                                        "--font-size", "none", "--scenario", "a.json"});
    EXPECT_FALSE(traced.text);
    EXPECT_FALSE(traced.png.has_value());
    EXPECT_EQ(traced.dpi->y, 192);
    EXPECT_EQ(traced.language.value_or(0), 0x0407);
    EXPECT_TRUE(traced.font_size_set);
    EXPECT_FALSE(traced.font_size.has_value());
    EXPECT_EQ(traced.scenario, "a.json");

    const std::vector<std::vector<std::string>> bad = {
        {"--dpi", "0"}, {"--dpi", "96x"}, {"--lang", "german"}, {"--font-size", "-3"},
        {"--png"}, {"--frobnicate"}, {"scenario.json"}, {"--text=yes"}, {"--trace", "-", "--text"},
        {"--png", "-", "--trace", "-"}, {"--png", "-", "--text"}, {"--png", "-", "--watch"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0]);
        EXPECT_THROW(
            try { todaysim::parse_options(args); } catch (const Failure& f) {
                EXPECT_EQ(f.status(), todaysim::kExitUsage);
                throw;
            },
            Failure);
    }
}
