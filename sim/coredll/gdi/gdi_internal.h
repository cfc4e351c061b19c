// SPDX-License-Identifier: MIT
// State shared by the GDI sources: the framebuffer, device contexts, objects and icons.
#ifndef LINKORY_SIM_COREDLL_GDI_GDI_INTERNAL_H
#define LINKORY_SIM_COREDLL_GDI_GDI_INTERNAL_H

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "sim/common/HandleTable.h"
#include "sim/coredll/SimGdi.h"

namespace sim::gdi {

// Handle tags (bits 40-47) keep DCs, objects, stock objects and icons apart.
constexpr unsigned kDcTag = 0xD1;
constexpr unsigned kObjectTag = 0xD2;
constexpr unsigned kStockTag = 0xD3;
constexpr unsigned kIconTag = 0xD4;

enum class ObjectKind { Brush, Pen, Font };

struct GdiObject {
    ObjectKind kind = ObjectKind::Brush;
    bool stock = false;
    UINT brush_style = BS_SOLID;  // brushes
    COLORREF color = 0;           // brushes and pens
    bool null_pen = false;
    LOGFONTW font{};              // fonts
};

struct DeviceContext {
    HWND owner = nullptr;
    POINT origin{};  // screen point of logical (0, 0)
    RECT clip{};     // screen coordinates
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    COLORREF text_color = 0x000000;
    int bk_mode = OPAQUE;
    COLORREF bk_color = 0xFFFFFF;
};

// A decoded icon image at its final size. mask: 1 keeps the screen pixel (AND), colour is
// XORed on top; alpha is non-empty only for 32-bit images that carry an alpha channel.
struct Icon {
    int resource_id = 0;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> color;
    std::vector<uint8_t> mask;
    std::vector<uint8_t> alpha;
};

struct GdiState {
    int width = 240;
    int height = 320;
    int dpi_x = 96;
    int dpi_y = 96;
    std::vector<uint32_t> pixels;
    HandleTable<DeviceContext> dcs{kDcTag};
    HandleTable<GdiObject> objects{kObjectTag};
    HandleTable<Icon> icons{kIconTag};
    std::vector<std::pair<int, GdiSubscriber>> subscribers;
    int next_subscriber = 1;
};

// Every API call holds this lock; it is recursive so that subscribers may call GDI.
std::recursive_mutex& gdi_lock();
GdiState& state();

inline uintptr_t handle_value(const void* h) { return reinterpret_cast<uintptr_t>(h); }
inline unsigned handle_tag(const void* h) { return sim::handle_tag(handle_value(h)); }

// Framebuffer pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
inline uint32_t to_pixel(COLORREF c)
{
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

bool intersect(RECT& r, const RECT& with);
bool rect_empty(const RECT& r);
// Moves a rectangle, keeping every coordinate within +-2^28 so later sums cannot overflow.
RECT offset(const RECT& r, POINT by);
LONG clamp_coord(long long v);

// The DC behind a handle; null (and a violation naming `api`) for a null or stale one.
DeviceContext* find_dc(HDC dc, const char* api);
// The DC's clip rectangle intersected with the screen.
RECT dc_clip(const DeviceContext& dc);
void fill_screen(const RECT& clipped, uint32_t rgb);
// Blends `rgb` onto one pixel with coverage 0..255; (x, y) must be on the screen.
void blend_pixel(int x, int y, uint32_t rgb, unsigned coverage);

// Objects: live or stock, or null for anything else (no violation).
GdiObject* find_object(HGDIOBJ obj);
void reset_stock();

// Recorder: a call pre-filled with the DC's owner and selected font; publish() sends it.
GdiCall make_call(const char* api, HDC dc, const DeviceContext& ctx);
void set_rect(GdiCall& call, const DeviceContext& ctx, const RECT& logical);
void publish(const GdiCall& call);

}  // namespace sim::gdi

#endif
