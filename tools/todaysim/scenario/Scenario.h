// SPDX-License-Identifier: MIT
// A scenario: the simulated device's settings, its connections and the steps that drive
// the Today item, read from a JSON file and checked completely before anything runs.
#ifndef LINKORY_TOOLS_TODAYSIM_SCENARIO_H
#define LINKORY_TOOLS_TODAYSIM_SCENARIO_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

namespace todaysim {

struct Device {
    int dpi_x = 96;
    int dpi_y = 96;
    std::optional<int> font_size = 12;  // empty: SHGetUIMetrics writes nothing
    bool font_size_given = false;       // false: the size follows the vertical density
    uint16_t language = 0x0409;
    int screen_width = 0;               // 0: 240 x 320 scaled by the dpi
    int screen_height = 0;
};

// One address as the Connection Manager reports it: 4 or 16 bytes in network order.
struct Address {
    bool ipv6 = false;
    std::array<uint8_t, 16> bytes{};
};

struct Destination {
    GUID guid{};
    std::string description;         // UTF-8
};

struct Connection {
    std::optional<std::string> description;  // UTF-8; empty: the record has none
    uint32_t type = 0;
    uint32_t subtype = 0;
    uint32_t status = 0x10;                  // connected
    std::vector<Address> addresses;
    GUID destination{};
};

enum class StepKind {
    Poll,
    Tap,
    Action,
    Select,
    Deselect,
    Connections,
    Destinations,
    QueryFails,
    EnumFailsAt,
    Png,
    GdiFailsFrom,
    HeapFailsFrom,
};

struct Step {
    StepKind kind = StepKind::Poll;
    int count = 1;                           // Poll
    int x = 0, y = 0;                        // Tap
    std::vector<Connection> connections;     // Connections
    std::vector<Destination> destinations;   // Destinations
    std::optional<uint32_t> hresult;         // QueryFails; empty: queries succeed again
    std::optional<int> enum_index;           // EnumFailsAt; empty: no failure
    std::string path;                        // Png
    std::optional<int> fails_from;           // GdiFailsFrom, HeapFailsFrom; empty: none fails
};

struct Scenario {
    std::string file;                        // as named on the command line; "" when live
    Device device;
    // Staged file name beside the dll -> the file's path, resolved against the scenario.
    std::vector<std::pair<std::string, std::string>> language_files;
    std::vector<Destination> destinations;
    std::vector<Connection> connections;
    bool has_steps = false;                  // without steps the default script runs
    std::vector<Step> steps;
};

// Reads and checks a scenario file; throws a usage Failure "file: field: expected ..."
// or, for JSON syntax, "file:line:column: ...".
Scenario load_scenario(const std::string& path);

// Checks scenario text as if read from `path` (relative files resolve against its folder).
Scenario parse_scenario(const std::string& text, const std::string& path);

// The name a step has in scenario files ("poll", "tap", ...).
const char* step_name(StepKind kind);

// Text forms used by scenarios and traces.
bool parse_guid(const std::string& text, GUID& guid);
std::string format_guid(const GUID& guid);
bool parse_address(const std::string& text, Address& address);
// A CONNMGR_STATUS name in lower case without its prefix ("connected"), or empty.
std::string status_name(uint32_t status);
bool parse_status_name(const std::string& name, uint32_t& status);
// Connection types and subtypes by name ("cellular", then "gprs" among the cellular ones).
bool parse_type_name(const std::string& name, uint32_t& type);
bool parse_subtype_name(uint32_t type, const std::string& name, uint32_t& subtype);
// The subtype names of a type, quoted, for messages; empty for a type without names.
std::string subtype_names(uint32_t type);

}  // namespace todaysim

#endif
