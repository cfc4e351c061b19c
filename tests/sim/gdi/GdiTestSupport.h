// SPDX-License-Identifier: MIT
// Helpers for the GDI tests: a screen DC scope, the ink's bounding box and an .ico builder.
#ifndef LINKORY_TESTS_SIM_GDI_GDITESTSUPPORT_H
#define LINKORY_TESTS_SIM_GDI_GDITESTSUPPORT_H

#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/gdi/gdi_user.h"
#include "support/GdiLog.h"

// A DC onto the screen with its logical origin at `origin` and clipped to `clip`.
class ScopedDc {
public:
    explicit ScopedDc(POINT origin = {0, 0}, RECT clip = sim::gdi::screen_rect())
        : dc(sim::gdi::open_dc(nullptr, origin, clip))
    {
    }
    ~ScopedDc() { sim::gdi::close_dc(dc); }
    ScopedDc(const ScopedDc&) = delete;
    ScopedDc& operator=(const ScopedDc&) = delete;
    HDC dc;
};

// The bounding box of pixels that differ from `background`; empty when none do.
inline RECT ink_box(uint32_t background, const RECT& area)
{
    RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (sim::gdi::pixel(x, y) != background) {
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x + 1 > box.right ? x + 1 : box.right;
                box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
            }
    return box.left == INT32_MAX ? RECT{} : box;
}

// One image of an .ico file. pixels: 0x00RRGGBB, or 0xAARRGGBB for 32 bits per pixel;
// transparent: the AND mask (1 = the screen shows through).
struct IcoImage {
    int width;
    int height;
    int bits;  // 8, 4, 24 or 32
    std::vector<uint32_t> pixels;
    std::vector<uint8_t> transparent;
};

// Builds a whole .ico file; palettised images get a palette of their distinct colours.
std::vector<uint8_t> build_ico(const std::vector<IcoImage>& images);

#endif
