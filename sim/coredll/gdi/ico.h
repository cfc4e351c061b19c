// SPDX-License-Identifier: MIT
// Decoding of .ico files (icon groups) into icon images for LoadImageW.
#ifndef LINKORY_SIM_COREDLL_GDI_ICO_H
#define LINKORY_SIM_COREDLL_GDI_ICO_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/coredll/gdi/gdi_internal.h"

namespace sim::gdi {

// One entry of an .ico directory; `data` points into the file's bytes.
struct IcoEntry {
    int width = 0;
    int height = 0;
    int bit_count = 0;
    bool png = false;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The directory's entries whose bytes lie inside the file; false for a file that is not an
// icon file at all.
bool parse_ico(const uint8_t* data, size_t size, std::vector<IcoEntry>& entries);

// The entry to load for the size asked: that size, else the nearest larger, else the
// largest smaller; among equal sizes the deepest colour. Null when none is usable.
const IcoEntry* pick_entry(const std::vector<IcoEntry>& entries, int cx, int cy);

// Decodes a DIB entry (1, 4, 8, 24 or 32 bits per pixel, with its AND mask) at its own size.
// False for PNG entries, other depths, compression or truncated data.
bool decode_entry(const IcoEntry& entry, Icon& out);

// Nearest-neighbour scaling of colour, mask and alpha to cx by cy.
Icon scale_icon(const Icon& in, int cx, int cy);

}  // namespace sim::gdi

#endif
