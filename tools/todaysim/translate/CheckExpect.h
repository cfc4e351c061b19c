// SPDX-License-Identifier: MIT
// The sample device the check draws the item on, and what the plug-in must draw there
// according to the check's own reading of the language file.
#ifndef LINKORY_TOOLS_TODAYSIM_CHECKEXPECT_H
#define LINKORY_TOOLS_TODAYSIM_CHECKEXPECT_H

#include <string>
#include <vector>

#include "tools/todaysim/language/LanguageFile.h"
#include "tools/todaysim/scenario/Scenario.h"

namespace todaysim::check {

// Every line the item formats is cut to this many characters.
constexpr size_t kLineChars = 63;

struct Source {
    std::u16string section;
    int number;
};

struct Line {
    std::u16string text;          // as drawn
    size_t full = 0;              // characters before the line buffer cut it
    bool buffered = true;         // formatted into the line buffer (text 1 is drawn as it is)
    std::vector<Source> sources;  // the file's texts it is made of (defaults included)
    bool measured = true;         // false for the device's own descriptions
    std::string what;             // "the header", "the type line of Cellular/GPRS"
};

// Three paints: no connection; the sample connections expanded; one connection of every
// type and subtype, expanded.
enum PaintKind { kIdle, kSamples, kTypes, kPaintKinds };
using Paint = std::vector<Line>;

const std::vector<Destination>& sample_destinations();
const std::vector<Connection>& sample_connections();  // GPRS, WiFi without address, unknown destination
const std::vector<Connection>& type_connections();    // one per type row, in row order

// What the plug-in draws in each paint with this file beside it.
std::vector<Paint> expected_paints(const LanguageFile& file);

// True for a header format that takes exactly the count: one integer conversion (u, d, i,
// with flags, width and precision) and any number of "%%".
bool is_count_format(const std::u16string& format);
// The format with the count, whole (it may be longer than a line).
std::u16string format_count(const std::u16string& format, unsigned count, size_t* full_length);

}  // namespace todaysim::check

#endif
