// SPDX-License-Identifier: MIT
// A soft sky gradient with a faint ruled pattern and a pale disc, in horizontal strips.
#include "sim/today/Watermark.h"

#include <algorithm>
#include <cmath>

namespace sim::today {
namespace {

const int kBand = 4;       // gradient step, in pixels
const int kRuleEvery = 32; // a faint rule every so many pixels

COLORREF blend(COLORREF a, COLORREF b, int num, int den)
{
    auto channel = [&](int x, int y) { return x + (y - x) * num / den; };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF color)
{
    if (left >= right || top >= bottom)
        return;
    RECT r = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush)
        return;
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// Half-width of a disc of radius r centred at cy, at height y; -1 outside it.
int disc_span(int y, int cy, int r)
{
    int dy = y - cy;
    return dy * dy >= r * r ? -1 : int(std::sqrt(double(r * r - dy * dy)));
}

}  // namespace

void paint_watermark(HDC dc, const RECT& rect, POINT origin, SIZE today)
{
    const int width = std::max<LONG>(today.cx, 1), height = std::max<LONG>(today.cy, 1);
    const COLORREF top = RGB(192, 218, 242), bottom = RGB(248, 251, 254), white = RGB(255, 255, 255);
    const int cx = width * 3 / 4, cy = height * 4 / 5, outer = width * 5 / 11, inner = outer * 4 / 5;

    // Work in Today coordinates, clipped to the asked rectangle, then shift back for the DC.
    const int x0 = rect.left + origin.x, x1 = rect.right + origin.x;
    const int y0 = rect.top + origin.y, y1 = rect.bottom + origin.y;
    for (int band = (std::max(y0, 0) / kBand) * kBand; band < y1; band += kBand) {
        const int b0 = std::max(band, y0), b1 = std::min(band + kBand, y1);
        if (b0 >= b1)
            continue;
        COLORREF base = blend(top, bottom, std::min(band, height), height);
        auto strip = [&](int l, int r, int t, int b, COLORREF c) {
            fill(dc, std::max(l, x0) - origin.x, t - origin.y, std::min(r, x1) - origin.x, b - origin.y, c);
        };
        strip(x0, x1, b0, b1, base);
        const int mid = band + kBand / 2;
        int span = disc_span(mid, cy, outer);
        if (span >= 0)
            strip(cx - span, cx + span, b0, b1, blend(base, white, 1, 4));
        span = disc_span(mid, cy, inner);
        if (span >= 0)
            strip(cx - span, cx + span, b0, b1, blend(base, white, 2, 5));
        // The rule sits on the band's first row, so it is the same row for every item.
        if (band % kRuleEvery == 0 && b0 == band)
            strip(x0, x1, band, band + 1, blend(base, RGB(120, 150, 190), 1, 6));
    }
}

}  // namespace sim::today
