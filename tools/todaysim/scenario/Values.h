// SPDX-License-Identifier: MIT
// The values a scenario file and the command line both write: densities, languages, sizes.
#ifndef LINKORY_TOOLS_TODAYSIM_SCENARIO_VALUES_H
#define LINKORY_TOOLS_TODAYSIM_SCENARIO_VALUES_H

#include <cstdint>
#include <string>

namespace todaysim {

struct Dpi {
    int x = 96;
    int y = 96;
};

// Parses a whole decimal number within [min, max]; digits only, no sign.
bool parse_int(const std::string& text, long min, long max, int& out);

// Parses "96" or "96x131" (also "96,131"); false on anything else or values out of range.
bool parse_dpi(const std::string& text, Dpi& dpi);

// Parses seconds between polls: "2", "0.5"; at least 0.05, at most a day.
bool parse_interval(const std::string& text, double& seconds);

// Parses a language identifier written in hexadecimal, with or without 0x: "0407", "0x0407".
bool parse_language(const std::string& text, uint16_t& language);

// Parses a screen size "240x320", each side 16 to 4096 pixels.
bool parse_screen(const std::string& text, int& width, int& height);

// A screen class that Windows Mobile 5 devices shipped with, by the name --device and a
// scenario's device "model" use.
struct ScreenClass {
    const char* name;
    int width, height, dpi;
    const char* what;
};
// Null for a name not in the list.
const ScreenClass* find_screen_class(const std::string& name);
// Every class, one a line: name, size, density and what it is (for --device list).
std::string screen_class_list();
// "qvga-portrait, qvga-landscape, ...", for messages.
std::string screen_class_names();

// The shell's UI font in pixels at a vertical density: 9 points (12 px at 96 dpi, 24 at 192).
int default_font_size(int dpi_y);

}  // namespace todaysim

#endif
