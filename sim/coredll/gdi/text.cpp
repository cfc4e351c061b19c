// SPDX-License-Identifier: MIT
// DrawTextW: lines of anti-aliased text, aligned in and clipped to a rectangle.
#include <algorithm>
#include <string>
#include <vector>

#include "sim/common/Violations.h"
#include "sim/coredll/gdi/fonts.h"
#include "sim/coredll/gdi/gdi_internal.h"

using namespace sim::gdi;
using sim::report_violation;

namespace {

constexpr UINT kSupportedFormat =
    DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP | DT_CALCRECT | DT_NOPREFIX;

// One line after prefix processing: code points, and which of them are underlined.
struct Line {
    std::vector<uint32_t> chars;
    std::vector<bool> underlined;
    int width = 0;
};

LONG saturated_add(LONG a, int b)
{
    long long sum = 0LL + a + b;
    return static_cast<LONG>(sum > INT32_MAX ? INT32_MAX : sum);
}

uint32_t next_code_point(const std::u16string& text, size_t& i)
{
    char16_t c = text[i++];
    if (c >= 0xD800 && c < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000)
        return 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
    if (c >= 0xD800 && c < 0xE000)
        return 0xFFFD;  // an unpaired surrogate
    return c;
}

// Splits into lines (unless single-line) and applies '&' prefixes: "&x" underlines x,
// "&&" is a literal ampersand, as DrawText does without DT_NOPREFIX.
std::vector<Line> layout_lines(const std::u16string& text, UINT format)
{
    std::vector<Line> lines(1);
    bool prefix = !(format & DT_NOPREFIX);
    bool underline_next = false;
    for (size_t i = 0; i < text.size();) {
        if (!(format & DT_SINGLELINE) && (text[i] == u'\r' || text[i] == u'\n')) {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++i;
            lines.emplace_back();
            underline_next = false;
            continue;
        }
        if (prefix && text[i] == u'&' && !underline_next) {
            ++i;
            if (i < text.size() && text[i] != u'&') {
                underline_next = true;
                continue;
            }
            if (i >= text.size())
                continue;  // a trailing '&' shows nothing
        }
        lines.back().chars.push_back(next_code_point(text, i));
        lines.back().underlined.push_back(underline_next);
        underline_next = false;
    }
    return lines;
}

void draw_line(const Line& line, const ResolvedFont& font, int x, int y, const RECT& clip, uint32_t rgb)
{
    int baseline = y + font.ascent;
    for (size_t i = 0; i < line.chars.size(); ++i) {
        const Glyph& g = glyph_for(font, line.chars[i]);
        int left = x + g.left;
        int top = baseline - g.top;
        for (int gy = 0; gy < g.rows; ++gy) {
            int sy = top + gy;
            if (sy < clip.top || sy >= clip.bottom)
                continue;
            for (int gx = 0; gx < g.width; ++gx) {
                int sx = left + gx;
                uint8_t a = g.coverage[static_cast<size_t>(gy) * g.width + gx];
                if (a && sx >= clip.left && sx < clip.right)
                    blend_pixel(sx, sy, rgb, a);
            }
        }
        if (line.underlined[i]) {
            RECT u{x, baseline + font.underline_offset, x + g.advance,
                   baseline + font.underline_offset + font.underline_thickness};
            if (intersect(u, clip))
                fill_screen(u, rgb);
        }
        x += g.advance;
    }
}

}  // namespace

// DrawTextW (coredll): no word breaking; DT_VCENTER and DT_BOTTOM apply to single lines only.
extern "C" int WINAPI DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    DeviceContext* ctx = find_dc(dc, "DrawTextW");
    if (!ctx)
        return 0;
    if (!text || !rect) {
        report_violation("DrawTextW", text ? "null rectangle" : "null text");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (format & ~kSupportedFormat) {
        report_violation("DrawTextW", "unsupported format flags " + std::to_string(format & ~kSupportedFormat));
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = 0;
    if (count < 0)
        while (text[length])
            ++length;
    else
        length = static_cast<size_t>(count);
    std::u16string str(text, length);

    GdiCall call = make_call("DrawTextW", dc, *ctx);
    set_rect(call, *ctx, *rect);
    call.text = str;
    call.format = format;
    call.color = ctx->text_color;
    call.bk_color = ctx->bk_color;
    call.bk_mode = ctx->bk_mode;

    GdiObject* font_object = find_object(ctx->font);
    ResolvedFont font;
    if (!font_object || !resolve_font(font_object->font, font)) {
        report_violation("DrawTextW", "no font file for the selected font");
        publish(call);
        return 0;
    }
    std::vector<Line> lines = layout_lines(str, format);
    int widest = 0;
    for (Line& line : lines) {
        for (uint32_t c : line.chars)
            line.width += glyph_for(font, c).advance;
        widest = std::max(widest, line.width);
    }
    int total = str.empty() ? 0 : font.height * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        rect->right = saturated_add(rect->left, widest);
        rect->bottom = saturated_add(rect->top, total);
        call.result = total;
        publish(call);
        return total;
    }
    RECT box = call.screen;
    int y = box.top;
    bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER))
        y = box.top + (box.bottom - box.top - total) / 2;
    else if (single && (format & DT_BOTTOM))
        y = box.bottom - total;
    int result = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? y - box.top + total : total;

    RECT clip = dc_clip(*ctx);
    if (!(format & DT_NOCLIP))
        intersect(clip, box);
    uint32_t rgb = to_pixel(ctx->text_color);
    for (const Line& line : lines) {
        int x = box.left;
        if (format & DT_CENTER)
            x = box.left + (box.right - box.left - line.width) / 2;
        else if (format & DT_RIGHT)
            x = box.right - line.width;
        if (ctx->bk_mode == OPAQUE && !str.empty()) {
            RECT cell{x, y, x + line.width, y + font.height};
            if (!rect_empty(clip) && intersect(cell, clip))
                fill_screen(cell, to_pixel(ctx->bk_color));
        }
        if (!rect_empty(clip))
            draw_line(line, font, x, y, clip, rgb);
        y += font.height;
    }
    call.result = result;
    publish(call);
    return result;
}

std::vector<uint32_t> sim::gdi::missing_glyphs(const LOGFONTW& lf, const std::u16string& text)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    ResolvedFont font;
    const bool resolved = resolve_font(lf, font);
    std::vector<uint32_t> missing;
    for (size_t i = 0; i < text.size();) {
        const uint32_t c = next_code_point(text, i);
        if ((!resolved || !has_glyph(font, c)) && std::find(missing.begin(), missing.end(), c) == missing.end())
            missing.push_back(c);
    }
    return missing;
}
