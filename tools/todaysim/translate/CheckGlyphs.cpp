// SPDX-License-Identifier: MIT
// The characters of a translation that the device's font cannot draw: a device shows a box
// for each, and nothing else would tell the translator.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/Check.h"

namespace todaysim::check {
namespace {

// The code points of a text; an unpaired surrogate stays itself, so that the box the
// device draws for it (U+FFFD) is left to the surrogate's own warning.
std::vector<uint32_t> code_points(const std::u16string& text)
{
    std::vector<uint32_t> points;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            points.push_back(0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            points.push_back(c);
        }
    }
    return points;
}

std::string character(uint32_t c)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", c);
    // Control characters are named only: printed, they would break the report's line.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return hex;
    std::u16string units;
    if (c >= 0x10000) {
        units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        units += static_cast<char16_t>(c);
    }
    return std::string(hex) + " '" + utf8_from_utf16(units.c_str(), units.size()) + "'";
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string all;
    for (const std::string& part : parts)
        all += (all.empty() ? "" : ", ") + part;
    return all;
}

// What the drawings show of one text: its characters without a glyph, in the order they
// first appear, the faces they were drawn in, and the first line that shows them.
struct Finding {
    std::vector<uint32_t> characters;
    std::set<std::string> faces;
    std::string shown;
};

}  // namespace

std::vector<Diagnostic> missing_glyphs(const LanguageFile& file, const std::vector<Paint>& expected,
                                       const std::vector<DensityRun>& runs)
{
    // The drawn line says which characters its face lacks; the texts it is made of say whose.
    std::map<const Entry*, Finding> found;
    for (const DensityRun& run : runs) {
        for (size_t p = 0; p < expected.size() && p < run.paints.size(); ++p) {
            for (size_t i = 0; i < expected[p].size() && i < run.paints[p].size(); ++i) {
                const Drawn& drawn = run.paints[p][i];
                for (const Source& source : expected[p][i].sources) {
                    const Entry* e = file.find(source.section, source.number);
                    if (!e)
                        continue;
                    const std::vector<uint32_t> own = code_points(e->text);
                    for (uint32_t c : drawn.missing) {
                        // A control character has a warning of its own.
                        if (std::find(own.begin(), own.end(), c) == own.end() || c < 0x20 || (c >= 0x7F && c <= 0x9F))
                            continue;
                        Finding& finding = found[e];
                        if (finding.shown.empty())
                            finding.shown = drawn.text;
                        if (std::find(finding.characters.begin(), finding.characters.end(), c) ==
                            finding.characters.end())
                            finding.characters.push_back(c);
                        finding.faces.insert(drawn.face);
                    }
                }
            }
        }
    }
    std::vector<Diagnostic> diagnostics;
    for (const Section& section : file.sections) {
        for (const Entry& e : section.entries) {
            auto at = found.find(&e);
            if (at == found.end())
                continue;
            const Finding& finding = at->second;
            std::vector<std::string> names;
            for (uint32_t c : finding.characters)
                names.push_back(character(c));
            const std::string fonts = joined(std::vector<std::string>(finding.faces.begin(), finding.faces.end()));
            const bool one = names.size() == 1;
            const std::string text = "text " + std::to_string(static_cast<uint32_t>(e.number)) + " of [" +
                                     utf8_from_utf16(section.name.c_str(), section.name.size()) + "]";
            diagnostics.push_back(
                {e.line, Severity::Error,
                 text + " holds " + (one ? names.front() + ", which" : std::to_string(names.size()) + " characters that") +
                     " the device's font (" + fonts + ") has no glyph for" + (one ? "" : ": " + joined(names)) +
                     "; a device draws a box for " + (one ? "it" : "each") + ", in '" + finding.shown + "'"});
        }
    }
    return diagnostics;
}

}  // namespace todaysim::check
