// SPDX-License-Identifier: MIT
// GDI objects: stock objects, brushes, fonts, selection into DCs and deletion.
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/SimAcquire.h"
#include "sim/coredll/gdi/gdi_internal.h"

namespace sim::gdi {
namespace {

constexpr int kStockCount = SYSTEM_FONT + 1;

struct StockTable {
    GdiObject entries[kStockCount];
    bool present[kStockCount] = {};
};

void fill_stock(StockTable& table);

StockTable& stock()
{
    static StockTable table;
    static const bool filled = (fill_stock(table), true);
    (void)filled;
    return table;
}

void set_stock(StockTable& table, int index, GdiObject object)
{
    object.stock = true;
    table.entries[index] = object;
    table.present[index] = true;
}

GdiObject brush(COLORREF color, UINT style = BS_SOLID)
{
    GdiObject o;
    o.kind = ObjectKind::Brush;
    o.brush_style = style;
    o.color = color;
    return o;
}

GdiObject pen(COLORREF color, bool null_pen = false)
{
    GdiObject o;
    o.kind = ObjectKind::Pen;
    o.color = color;
    o.null_pen = null_pen;
    return o;
}

// The device's system font is 9-point Tahoma at the screen's density.
GdiObject system_font(int dpi_y)
{
    GdiObject o;
    o.kind = ObjectKind::Font;
    o.font.lfHeight = -static_cast<LONG>((9LL * dpi_y + 36) / 72);
    o.font.lfWeight = FW_NORMAL;
    o.font.lfCharSet = 0;
    const char16_t name[] = u"Tahoma";
    std::memcpy(o.font.lfFaceName, name, sizeof name);
    return o;
}

void fill_stock(StockTable& table)
{
    set_stock(table, WHITE_BRUSH, brush(RGB(255, 255, 255)));
    set_stock(table, LTGRAY_BRUSH, brush(RGB(0xC0, 0xC0, 0xC0)));
    set_stock(table, GRAY_BRUSH, brush(RGB(0x80, 0x80, 0x80)));
    set_stock(table, DKGRAY_BRUSH, brush(RGB(0x40, 0x40, 0x40)));
    set_stock(table, BLACK_BRUSH, brush(RGB(0, 0, 0)));
    set_stock(table, NULL_BRUSH, brush(0, BS_NULL));
    set_stock(table, WHITE_PEN, pen(RGB(255, 255, 255)));
    set_stock(table, BLACK_PEN, pen(RGB(0, 0, 0)));
    set_stock(table, NULL_PEN, pen(0, true));
    // The system font follows the screen's density, which set_screen may change.
    set_stock(table, SYSTEM_FONT, system_font(state().dpi_y));
}

HGDIOBJ stock_handle(int index)
{
    return reinterpret_cast<HGDIOBJ>(sim::tagged_handle(kStockTag, static_cast<uintptr_t>(index + 1)));
}

std::string hex(const void* h)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#llx", static_cast<unsigned long long>(handle_value(h)));
    return buffer;
}

const char* kind_name(ObjectKind kind)
{
    return kind == ObjectKind::Font ? "font" : kind == ObjectKind::Brush ? "brush" : "pen";
}

// Explains why a handle is not a usable GDI object, for the violation text.
std::string describe_bad_object(HGDIOBJ obj)
{
    if (!obj)
        return "null object";
    if (handle_tag(obj) == kIconTag)
        return "icon " + hex(obj) + " is not a GDI object (icons are released with DestroyIcon)";
    return "stale or unknown object " + hex(obj);
}

HGDIOBJ& slot_for(DeviceContext& ctx, ObjectKind kind)
{
    return kind == ObjectKind::Font ? ctx.font : kind == ObjectKind::Brush ? ctx.brush : ctx.pen;
}

}  // namespace

GdiObject* find_object(HGDIOBJ obj)
{
    uintptr_t value = handle_value(obj);
    if (handle_tag(obj) == kStockTag) {
        uintptr_t index = sim::handle_low(value) - 1;
        if (index < static_cast<uintptr_t>(kStockCount) && stock().present[index])
            return &stock().entries[index];
        return nullptr;
    }
    return state().objects.get(value);
}

void reset_stock()
{
    fill_stock(stock());
}

}  // namespace sim::gdi

using namespace sim::gdi;
using sim::report_violation;

// GetStockObject (coredll): the brushes, pens and system font that the device has.
extern "C" HGDIOBJ WINAPI GetStockObject(int index)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (index < 0 || index >= kStockCount || !stock().present[index]) {
        report_violation("GetStockObject", "unsupported stock object " + std::to_string(index));
        return nullptr;
    }
    return stock_handle(index);
}

// CreateSolidBrush (coredll).
extern "C" HBRUSH WINAPI CreateSolidBrush(COLORREF color)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (sim::acquire::injected_failure(sim::acquire::Kind::Brush))
        return nullptr;
    return reinterpret_cast<HBRUSH>(state().objects.add(std::make_unique<GdiObject>(brush(color))));
}

// CreateFontIndirectW (coredll): the record is kept as given; the face is resolved when drawing.
extern "C" HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lf)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (!lf) {
        report_violation("CreateFontIndirectW", "null LOGFONTW");
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (sim::acquire::injected_failure(sim::acquire::Kind::Font))
        return nullptr;
    auto object = std::make_unique<GdiObject>();
    object->kind = ObjectKind::Font;
    object->font = *lf;
    return reinterpret_cast<HFONT>(state().objects.add(std::move(object)));
}

// GetObjectW (coredll): LOGFONTW for fonts, LOGBRUSH for brushes; pens are not described.
extern "C" int WINAPI GetObjectW(HGDIOBJ obj, int size, LPVOID out)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    GdiObject* o = find_object(obj);
    if (!o) {
        report_violation("GetObjectW", describe_bad_object(obj));
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    LOGBRUSH lb{};
    const void* data = nullptr;
    int needed = 0;
    if (o->kind == ObjectKind::Font) {
        data = &o->font;
        needed = sizeof(LOGFONTW);
    } else if (o->kind == ObjectKind::Brush) {
        lb.lbStyle = o->brush_style;
        lb.lbColor = o->color;
        data = &lb;
        needed = sizeof(LOGBRUSH);
    } else {
        report_violation("GetObjectW", "pens cannot be described");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!out || size == 0)
        return needed;
    if (size < 0) {
        report_violation("GetObjectW", "negative buffer size " + std::to_string(size));
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int copied = size < needed ? size : needed;
    std::memcpy(out, data, static_cast<size_t>(copied));
    return copied;
}

// SelectObject (coredll): answers the previously selected object of the same kind.
extern "C" HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ obj)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "SelectObject");
    if (!ctx)
        return nullptr;
    GdiObject* o = find_object(obj);
    if (!o) {
        report_violation("SelectObject", describe_bad_object(obj));
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ& slot = slot_for(*ctx, o->kind);
    HGDIOBJ previous = slot;
    slot = obj;
    GdiCall call = make_call("SelectObject", dc, *ctx);
    call.object_kind = kind_name(o->kind);
    if (o->kind == ObjectKind::Brush) {
        call.color = o->color;
        call.null_brush = o->brush_style == BS_NULL;
    }
    call.result = static_cast<long>(handle_value(previous));
    publish(call);
    return previous;
}

// DeleteObject (coredll): stock objects are ignored; a selected object is refused, as on
// the device, and stays alive.
extern "C" BOOL WINAPI DeleteObject(HGDIOBJ obj)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    if (!obj) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    GdiObject* o = find_object(obj);
    if (!o) {
        report_violation("DeleteObject", describe_bad_object(obj));
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock)
        return TRUE;
    bool selected = false;
    HDC where = nullptr;
    state().dcs.for_each([&](uintptr_t h, const DeviceContext& ctx) {
        if (ctx.font == obj || ctx.brush == obj || ctx.pen == obj) {
            selected = true;
            where = reinterpret_cast<HDC>(h);
        }
    });
    if (selected) {
        report_violation("DeleteObject", std::string(kind_name(o->kind)) + " " + hex(obj) +
                                             " is still selected into DC " + hex(where));
        return FALSE;
    }
    state().objects.remove(handle_value(obj));
    return TRUE;
}
