// SPDX-License-Identifier: MIT
// DC colour attributes, rectangle fills and the push-button frame control.
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/gdi/gdi_internal.h"

using namespace sim::gdi;
using sim::report_violation;

namespace {

// The device's 3-D colours (0x00RRGGBB): face, highlight, light, shadow, dark shadow.
constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kLight = 0xDFDFDF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x000000;

void fill_clipped(const RECT& screen, const RECT& clip, uint32_t rgb)
{
    RECT r = screen;
    if (intersect(r, clip))
        fill_screen(r, rgb);
}

// One ring of a 3-D edge: the top and left lines in one colour, the bottom and right lines
// (which own the top-right and bottom-left corners) in the other.
void edge_ring(const RECT& r, const RECT& clip, uint32_t top_left, uint32_t bottom_right)
{
    if (rect_empty(r))
        return;
    fill_clipped(RECT{r.left, r.top, r.right - 1, r.top + 1}, clip, top_left);
    fill_clipped(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, clip, top_left);
    fill_clipped(RECT{r.left, r.bottom - 1, r.right, r.bottom}, clip, bottom_right);
    fill_clipped(RECT{r.right - 1, r.top, r.right, r.bottom}, clip, bottom_right);
}

RECT inset(const RECT& r) { return RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; }

}  // namespace

// SetTextColor (coredll).
extern "C" COLORREF WINAPI SetTextColor(HDC dc, COLORREF color)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "SetTextColor");
    if (!ctx)
        return CLR_INVALID;
    COLORREF previous = ctx->text_color;
    ctx->text_color = color;
    GdiCall call = make_call("SetTextColor", dc, *ctx);
    call.color = color;
    call.result = static_cast<long>(previous);
    publish(call);
    return previous;
}

// GetTextColor (coredll).
extern "C" COLORREF WINAPI GetTextColor(HDC dc)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "GetTextColor");
    return ctx ? ctx->text_color : CLR_INVALID;
}

// SetBkMode (coredll): TRANSPARENT or OPAQUE; answers the previous mode, 0 on failure.
extern "C" int WINAPI SetBkMode(HDC dc, int mode)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "SetBkMode");
    if (!ctx)
        return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        report_violation("SetBkMode", "unknown mode " + std::to_string(mode));
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = ctx->bk_mode;
    ctx->bk_mode = mode;
    GdiCall call = make_call("SetBkMode", dc, *ctx);
    call.bk_mode = mode;
    call.result = previous;
    publish(call);
    return previous;
}

// SetBkColor (coredll).
extern "C" COLORREF WINAPI SetBkColor(HDC dc, COLORREF color)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "SetBkColor");
    if (!ctx)
        return CLR_INVALID;
    COLORREF previous = ctx->bk_color;
    ctx->bk_color = color;
    GdiCall call = make_call("SetBkColor", dc, *ctx);
    call.bk_color = color;
    call.result = static_cast<long>(previous);
    publish(call);
    return previous;
}

// FillRect (coredll): brush handles only; the system-colour form (COLOR_x + 1) is not known.
extern "C" int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "FillRect");
    if (!ctx)
        return 0;
    if (!rect) {
        report_violation("FillRect", "null rectangle");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    GdiObject* b = find_object(brush);
    if (!b || b->kind != ObjectKind::Brush) {
        report_violation("FillRect", b ? "object is not a brush" : "stale or unknown brush");
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    GdiCall call = make_call("FillRect", dc, *ctx);
    set_rect(call, *ctx, *rect);
    call.color = b->color;
    call.null_brush = b->brush_style == BS_NULL;
    if (b->brush_style != BS_NULL)
        fill_clipped(call.screen, dc_clip(*ctx), to_pixel(b->color));
    call.result = 1;
    publish(call);
    return 1;
}

// DrawFrameControl (coredll): push-button faces only (raised, pushed or flat).
extern "C" BOOL WINAPI DrawFrameControl(HDC dc, LPRECT rect, UINT type, UINT state)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "DrawFrameControl");
    if (!ctx)
        return FALSE;
    if (!rect) {
        report_violation("DrawFrameControl", "null rectangle");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    constexpr UINT kKnownState = DFCS_BUTTONPUSH | DFCS_PUSHED | DFCS_FLAT;
    if (type != DFC_BUTTON || (state & 0x1F) != DFCS_BUTTONPUSH || (state & ~kKnownState)) {
        report_violation("DrawFrameControl", "unsupported type " + std::to_string(type) + " state " +
                                                 std::to_string(state) + " (push buttons only)");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    GdiCall call = make_call("DrawFrameControl", dc, *ctx);
    set_rect(call, *ctx, *rect);
    call.frame_type = type;
    call.frame_state = state;
    RECT clip = dc_clip(*ctx);
    RECT r = call.screen;
    fill_clipped(r, clip, kFace);
    if (state & DFCS_FLAT) {
        edge_ring(r, clip, kShadow, kShadow);
    } else if (state & DFCS_PUSHED) {
        edge_ring(r, clip, kShadow, kHighlight);
        edge_ring(inset(r), clip, kDarkShadow, kLight);
    } else {
        edge_ring(r, clip, kHighlight, kDarkShadow);
        edge_ring(inset(r), clip, kLight, kShadow);
    }
    call.result = TRUE;
    publish(call);
    return TRUE;
}
