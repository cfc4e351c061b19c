// SPDX-License-Identifier: MIT
// Control of the simulated GDI for tests and tools: screen, framebuffer, live counts, recorder.
#ifndef LINKORY_SIM_COREDLL_SIMGDI_H
#define LINKORY_SIM_COREDLL_SIMGDI_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace sim::gdi {

// Boots the screen with a new size and density; the framebuffer is cleared to black.
// Width and height are clamped to 1..4096, densities to 1..1200.
void set_screen(int width, int height, int dpi_x, int dpi_y);
int screen_width();
int screen_height();
int screen_dpi_x();
int screen_dpi_y();

// Pixels are 0x00RRGGBB, row-major, screen_width() per row. pixel() answers 0xFFFFFFFF
// outside the screen. The raw pointer stays valid until the next set_screen or reset.
uint32_t pixel(int x, int y);
const uint32_t* framebuffer();
void clear_screen(uint32_t rgb);

// Live counts: GDI objects (brushes, fonts, pens; never stock objects), device contexts
// and icons.
size_t live_objects();
size_t live_dcs();
size_t live_icons();

// One GDI call made on a device context, as the recorder sees it. Fields that do not apply
// to the call keep their defaults; `has_rect` says whether the rects are meaningful.
struct GdiCall {
    const char* api = "";          // "DrawTextW", "FillRect", "SelectObject", ...
    HDC dc = nullptr;
    HWND owner = nullptr;          // window the context belongs to; null for the screen DC
    bool has_rect = false;
    RECT rect{};                   // logical (client) coordinates, as passed
    RECT screen{};                 // the same rectangle in screen coordinates
    std::u16string text;           // DrawTextW: the counted text
    UINT format = 0;               // DrawTextW format, DrawIconEx flags
    COLORREF color = 0;            // text colour (DrawTextW, SetTextColor), brush colour (FillRect)
    COLORREF bk_color = 0;         // background colour (DrawTextW, SetBkColor)
    int bk_mode = 0;               // background mode (DrawTextW, SetBkMode)
    bool null_brush = false;       // FillRect with the stock null brush
    int icon_id = -1;              // DrawIconEx: the icon's resource id
    int cx = 0, cy = 0;            // DrawIconEx: the size drawn
    UINT frame_type = 0, frame_state = 0;  // DrawFrameControl
    const char* object_kind = "";  // SelectObject: "font", "brush" or "pen"
    LONG font_height = 0;          // the selected font's LOGFONTW height and weight
    LONG font_weight = 0;
    long result = 0;               // what the call returned (as a number)
};

using GdiSubscriber = std::function<void(const GdiCall&)>;

// Adds a subscriber that sees every later call; the id removes it. Reset drops all.
int subscribe(GdiSubscriber subscriber);
void unsubscribe(int id);

// The font file that text drawn with this LOGFONTW uses, and whether bold is synthesised;
// empty when no font could be found.
std::string font_file_for(const LOGFONTW& font, bool* synthetic_bold = nullptr);

// The characters of a text that DrawTextW with this LOGFONTW draws as the missing-glyph box,
// each once, in the order they first appear: code points with surrogate pairs joined (an
// unpaired surrogate is drawn as U+FFFD). Every character when no font file is found.
std::vector<uint32_t> missing_glyphs(const LOGFONTW& font, const std::u16string& text);

// Back to a fresh boot: 240x320 at 96 dpi, black screen, no DCs, objects, icons or
// subscribers. Also registered with sim::register_reset.
void reset();

}  // namespace sim::gdi

#endif
