// SPDX-License-Identifier: MIT
// The command line of todaysim: what to run, which device settings to override, what to show.
#ifndef LINKORY_TOOLS_TODAYSIM_OPTIONS_H
#define LINKORY_TOOLS_TODAYSIM_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/scenario/Values.h"

namespace todaysim {

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;              // nothing on stdout but a trace sent there
    std::string scenario;            // empty: this machine's live network interfaces
    std::string dll;                 // empty: Linkory.dll beside the todaysim executable
    std::optional<std::string> png;  // where the final picture goes
    bool text = false;               // print the item as text
    std::optional<std::string> trace;  // "-" is standard output
    // Device overrides; unset ones keep the scenario's values.
    std::optional<Dpi> dpi;
    bool font_size_set = false;
    std::optional<int> font_size;    // set but empty: SHGetUIMetrics writes nothing
    std::optional<uint16_t> language;
    // A screen class by name (--device): its size, density and that density's font, below
    // the explicit --dpi, --font-size and --screen and above the scenario's device.
    const ScreenClass* screen_class = nullptr;
    bool list_devices = false;       // --device list
    std::optional<std::pair<int, int>> screen;
    // Live modes: keep polling after the steps until ended; --window also shows the screen.
    bool watch = false;
    double interval = 2.0;           // seconds between polls, the Today host's own
    bool window = false;
    int zoom = 2;
    // A translator's tools: check a language file (--png is then its contact sheet), or
    // write the template one.
    std::string check;
    std::string template_path;
    // Replace an existing file that todaysim did not write (a template's target, a file of
    // another kind where a picture or trace goes).
    bool force = false;
};

// Parses argv[1..]; throws a usage Failure naming the offending argument. Without any of
// --png, --text or --trace the run prints the text view and writes today.png.
Options parse_options(const std::vector<std::string>& args);

const char* help_text();

// The option a misspelt one most likely meant ("--scenio": "--scenario"); empty when none is close.
std::string closest_option(const std::string& name);

}  // namespace todaysim

#endif
