// SPDX-License-Identifier: MIT
// Icons: LoadImageW from a module's icon groups, DrawIconEx with mask and colour, DestroyIcon.
#include <string>
#include <vector>

#include "sim/common/ModuleResources.h"
#include "sim/common/Violations.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/gdi/gdi_internal.h"
#include "sim/coredll/gdi/ico.h"

using namespace sim::gdi;
using sim::report_violation;

namespace {

constexpr DWORD kErrorInvalidCursorHandle = 1402;
constexpr int kSystemIconSize = 32;  // SM_CXICON at 96 dots per inch

int system_icon_size(int dpi) { return (kSystemIconSize * dpi + 48) / 96; }

Icon* find_icon(HICON icon, const char* api)
{
    Icon* found = state().icons.get(handle_value(icon));
    if (!found) {
        if (icon)
            report_violation(api, "stale or unknown icon");
        SetLastError(kErrorInvalidCursorHandle);
    }
    return found;
}

void draw_icon(const Icon& icon, POINT at, const RECT& clip, UINT flags)
{
    for (int y = 0; y < icon.height; ++y) {
        int sy = at.y + y;
        if (sy < clip.top || sy >= clip.bottom)
            continue;
        for (int x = 0; x < icon.width; ++x) {
            int sx = at.x + x;
            if (sx < clip.left || sx >= clip.right)
                continue;
            size_t i = static_cast<size_t>(y) * icon.width + x;
            uint32_t& dst = state().pixels[static_cast<size_t>(sy) * state().width + sx];
            if (flags == DI_MASK) {
                bool transparent = icon.alpha.empty() ? icon.mask[i] != 0 : icon.alpha[i] == 0;
                dst = transparent ? 0xFFFFFF : 0x000000;
            } else if (!icon.alpha.empty()) {
                blend_pixel(sx, sy, icon.color[i], icon.alpha[i]);
            } else if (flags == DI_IMAGE) {
                dst = icon.color[i];
            } else {
                // The screen is ANDed with the mask, then the colour image is XORed on top.
                dst = ((icon.mask[i] ? 0xFFFFFFu : 0u) & dst) ^ icon.color[i];
            }
        }
    }
}

}  // namespace

// LoadImageW (coredll): icons from the module's icon groups only, loaded at the size asked
// (0 = the system icon size); load flags are not supported.
extern "C" HANDLE WINAPI LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (type != IMAGE_ICON || flags != 0 || !IS_INTRESOURCE(name) || cx < 0 || cy < 0) {
        report_violation("LoadImageW", "unsupported request: type " + std::to_string(type) + ", flags " +
                                           std::to_string(flags) + ", size " + std::to_string(cx) + "x" +
                                           std::to_string(cy) + (IS_INTRESOURCE(name) ? "" : ", named resource"));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (sim::acquire::injected_failure(sim::acquire::Kind::Icon))
        return nullptr;
    auto id = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(name));
    if (!sim::has_resource_type(instance, SIM_RT_GROUP_ICON)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    const SimResource* resource = sim::find_resource(instance, SIM_RT_GROUP_ICON, id);
    if (!resource) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (cx == 0)
        cx = system_icon_size(state().dpi_x);
    if (cy == 0)
        cy = system_icon_size(state().dpi_y);
    std::vector<IcoEntry> entries;
    const IcoEntry* entry = nullptr;
    if (parse_ico(resource->data, resource->size, entries))
        entry = pick_entry(entries, cx, cy);
    Icon decoded;
    if (!entry || !decode_entry(*entry, decoded)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    decoded.resource_id = id;
    auto icon = std::make_unique<Icon>(scale_icon(decoded, cx, cy));
    return reinterpret_cast<HANDLE>(state().icons.add(std::move(icon)));
}

// DestroyIcon (coredll).
extern "C" BOOL WINAPI DestroyIcon(HICON icon)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (!find_icon(icon, "DestroyIcon"))
        return FALSE;
    state().icons.remove(handle_value(icon));
    return TRUE;
}

// DrawIconEx (coredll): the icon is drawn at its own size, since the device cannot scale
// here; animation steps and flicker-free brushes are not supported.
extern "C" BOOL WINAPI DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker,
                                  UINT flags)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "DrawIconEx");
    if (!ctx)
        return FALSE;
    Icon* found = find_icon(icon, "DrawIconEx");
    if (!found)
        return FALSE;
    if (step != 0 || flicker || (flags != DI_NORMAL && flags != DI_MASK && flags != DI_IMAGE)) {
        report_violation("DrawIconEx", "unsupported step " + std::to_string(step) + ", flicker brush or flags " +
                                           std::to_string(flags));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((cx != 0 && cx != found->width) || (cy != 0 && cy != found->height))
        report_violation("DrawIconEx", "asked for " + std::to_string(cx) + "x" + std::to_string(cy) + " of a " +
                                           std::to_string(found->width) + "x" + std::to_string(found->height) +
                                           " icon; icons are drawn at their own size");
    GdiCall call = make_call("DrawIconEx", dc, *ctx);
    x = clamp_coord(x);
    y = clamp_coord(y);
    set_rect(call, *ctx, RECT{x, y, x + found->width, y + found->height});
    call.icon_id = found->resource_id;
    call.cx = found->width;
    call.cy = found->height;
    call.format = flags;
    draw_icon(*found, POINT{call.screen.left, call.screen.top}, dc_clip(*ctx), flags);
    call.result = TRUE;
    publish(call);
    return TRUE;
}
