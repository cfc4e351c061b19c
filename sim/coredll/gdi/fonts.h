// SPDX-License-Identifier: MIT
// Font faces for the simulated GDI: finding a file for a LOGFONTW and rendering its glyphs.
#ifndef LINKORY_SIM_COREDLL_GDI_FONTS_H
#define LINKORY_SIM_COREDLL_GDI_FONTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim::gdi {

struct FaceEntry;

// A face at one size, as text is drawn with it. ascent + descent = height (the cell).
struct ResolvedFont {
    FaceEntry* face = nullptr;
    bool synthetic_bold = false;
    long embolden = 0;            // stem widening in 26.6 pixels, when synthetic
    bool widen_advance = false;   // whether emboldening also widens the advances
    int ascent = 0;
    int height = 0;
    int underline_offset = 1;  // below the baseline
    int underline_thickness = 1;
};

// An anti-aliased glyph: coverage rows of `width` bytes; `left`/`top` place the bitmap
// relative to the pen position on the baseline (top counts upwards).
struct Glyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;
};

// Finds the file and size for the font; false when no font file can be found.
bool resolve_font(const LOGFONTW& lf, ResolvedFont& out);

// The glyph of a code point (the missing-glyph box when the face has none); cached.
const Glyph& glyph_for(const ResolvedFont& font, uint32_t code_point);

// Whether the face has a glyph of its own for the code point (else glyph_for draws the box).
bool has_glyph(const ResolvedFont& font, uint32_t code_point);

// The file chosen for a face name and weight, and whether bold must be synthesised.
std::string font_file(const LOGFONTW& lf, bool& synthetic_bold);

}  // namespace sim::gdi

#endif
