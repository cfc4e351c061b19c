// SPDX-License-Identifier: MIT
// The screen: framebuffer, device contexts, device capabilities and the call recorder.
#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/gdi/gdi_internal.h"
#include "sim/coredll/gdi/gdi_user.h"

namespace sim::gdi {

std::recursive_mutex& gdi_lock()
{
    static std::recursive_mutex lock;
    return lock;
}

GdiState& state()
{
    static GdiState s = [] {
        GdiState fresh;
        fresh.pixels.assign(static_cast<size_t>(fresh.width) * fresh.height, 0);
        return fresh;
    }();
    return s;
}

namespace {

std::string hex(const void* h)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#llx", static_cast<unsigned long long>(handle_value(h)));
    return buffer;
}

const char* kind_name(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Brush: return "brush";
    case ObjectKind::Pen: return "pen";
    case ObjectKind::Font: return "font";
    }
    return "object";
}

void report_left_selected(HDC dc, HGDIOBJ obj)
{
    GdiObject* o = find_object(obj);
    if (o && !o->stock)
        report_violation("EndPaint/ReleaseDC", std::string(kind_name(o->kind)) + " " + hex(obj) +
                                          " still selected when DC " + hex(dc) + " was released");
}

const bool registered = [] {
    register_reset("gdi", &reset);
    return true;
}();

}  // namespace

bool intersect(RECT& r, const RECT& with)
{
    r.left = std::max(r.left, with.left);
    r.top = std::max(r.top, with.top);
    r.right = std::min(r.right, with.right);
    r.bottom = std::min(r.bottom, with.bottom);
    if (rect_empty(r)) {
        r = RECT{};
        return false;
    }
    return true;
}

bool rect_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

LONG clamp_coord(long long v)
{
    // Far beyond any screen, and far from overflow when sizes are added later.
    constexpr long long kLimit = 1LL << 28;
    return static_cast<LONG>(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
}

RECT offset(const RECT& r, POINT by)
{
    return RECT{clamp_coord(0LL + r.left + by.x), clamp_coord(0LL + r.top + by.y), clamp_coord(0LL + r.right + by.x),
                clamp_coord(0LL + r.bottom + by.y)};
}

DeviceContext* find_dc(HDC dc, const char* api)
{
    DeviceContext* ctx = state().dcs.get(handle_value(dc));
    if (!ctx) {
        report_violation(api, dc ? "stale device context " + hex(dc) : std::string("null device context"));
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return ctx;
}

RECT dc_clip(const DeviceContext& dc)
{
    RECT clip = dc.clip;
    intersect(clip, screen_rect());
    return clip;
}

void fill_screen(const RECT& clipped, uint32_t rgb)
{
    GdiState& s = state();
    for (LONG y = clipped.top; y < clipped.bottom; ++y)
        std::fill_n(&s.pixels[static_cast<size_t>(y) * s.width + clipped.left], clipped.right - clipped.left, rgb);
}

void blend_pixel(int x, int y, uint32_t rgb, unsigned coverage)
{
    GdiState& s = state();
    uint32_t& dst = s.pixels[static_cast<size_t>(y) * s.width + x];
    if (coverage >= 255) {
        dst = rgb;
        return;
    }
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int d = (dst >> shift) & 0xFF;
        int c = (rgb >> shift) & 0xFF;
        int v = d + ((c - d) * static_cast<int>(coverage) + 127) / 255;
        out |= static_cast<uint32_t>(v) << shift;
    }
    dst = out;
}

GdiCall make_call(const char* api, HDC dc, const DeviceContext& ctx)
{
    GdiCall call;
    call.api = api;
    call.dc = dc;
    call.owner = ctx.owner;
    if (GdiObject* font = find_object(ctx.font)) {
        call.font_height = font->font.lfHeight;
        call.font_weight = font->font.lfWeight;
    }
    return call;
}

void set_rect(GdiCall& call, const DeviceContext& ctx, const RECT& logical)
{
    call.has_rect = true;
    call.rect = logical;
    call.screen = offset(logical, ctx.origin);
}

void publish(const GdiCall& call)
{
    // Copy first: a subscriber may unsubscribe itself while being called.
    auto subscribers = state().subscribers;
    for (auto& entry : subscribers)
        entry.second(call);
}

HDC open_dc(HWND owner, POINT origin, RECT clip)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    auto ctx = std::make_unique<DeviceContext>();
    ctx->owner = owner;
    ctx->origin = origin;
    ctx->clip = clip;
    ctx->font = GetStockObject(SYSTEM_FONT);
    ctx->brush = GetStockObject(WHITE_BRUSH);
    ctx->pen = GetStockObject(BLACK_PEN);
    return reinterpret_cast<HDC>(state().dcs.add(std::move(ctx)));
}

bool close_dc(HDC dc)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = state().dcs.get(handle_value(dc));
    if (!ctx)
        return false;
    report_left_selected(dc, ctx->font);
    report_left_selected(dc, ctx->brush);
    report_left_selected(dc, ctx->pen);
    state().dcs.remove(handle_value(dc));
    return true;
}

RECT screen_rect()
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    return RECT{0, 0, state().width, state().height};
}

void set_screen(int width, int height, int dpi_x, int dpi_y)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    GdiState& s = state();
    s.width = std::clamp(width, 1, 4096);
    s.height = std::clamp(height, 1, 4096);
    s.dpi_x = std::clamp(dpi_x, 1, 1200);
    s.dpi_y = std::clamp(dpi_y, 1, 1200);
    s.pixels.assign(static_cast<size_t>(s.width) * s.height, 0);
    reset_stock();
}

int screen_width() { return state().width; }
int screen_height() { return state().height; }
int screen_dpi_x() { return state().dpi_x; }
int screen_dpi_y() { return state().dpi_y; }

uint32_t pixel(int x, int y)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    const GdiState& s = state();
    if (x < 0 || y < 0 || x >= s.width || y >= s.height)
        return 0xFFFFFFFF;
    return s.pixels[static_cast<size_t>(y) * s.width + x];
}

const uint32_t* framebuffer() { return state().pixels.data(); }

void clear_screen(uint32_t rgb)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    std::fill(state().pixels.begin(), state().pixels.end(), rgb & 0xFFFFFF);
}

size_t live_objects() { return state().objects.live(); }
size_t live_dcs() { return state().dcs.live(); }
size_t live_icons() { return state().icons.live(); }

int subscribe(GdiSubscriber subscriber)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    GdiState& s = state();
    int id = s.next_subscriber++;
    s.subscribers.emplace_back(id, std::move(subscriber));
    return id;
}

void unsubscribe(int id)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    auto& list = state().subscribers;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const auto& e) { return e.first == id; }), list.end());
}

void reset()
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    GdiState& s = state();
    s.dcs.clear();
    s.objects.clear();
    s.icons.clear();
    s.subscribers.clear();
    set_screen(240, 320, 96, 96);
}

}  // namespace sim::gdi

using namespace sim::gdi;

// GetDeviceCaps (coredll): only the screen's size, depth and density are known.
extern "C" int WINAPI GetDeviceCaps(HDC dc, int index)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "GetDeviceCaps");
    if (!ctx)
        return 0;
    GdiState& s = state();
    int result = 0;
    switch (index) {
    case HORZRES: result = s.width; break;
    case VERTRES: result = s.height; break;
    case BITSPIXEL: result = 32; break;
    case LOGPIXELSX: result = s.dpi_x; break;
    case LOGPIXELSY: result = s.dpi_y; break;
    default:
        sim::report_violation("GetDeviceCaps", "unsupported index " + std::to_string(index));
        break;
    }
    GdiCall call = make_call("GetDeviceCaps", dc, *ctx);
    call.format = static_cast<UINT>(index);
    call.result = result;
    publish(call);
    return result;
}
