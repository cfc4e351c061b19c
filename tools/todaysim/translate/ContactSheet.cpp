// SPDX-License-Identifier: MIT
// The contact sheet: the item collapsed and expanded at each density, side by side, each
// picture labelled in the device's own font.
#include <algorithm>

#include "sim/coredll/Sim.h"
#include "sim/coredll/SimGdi.h"
#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/Check.h"

namespace todaysim::check {
namespace {

constexpr uint32_t kPaper = 0xE8E8E8;
constexpr int kMargin = 8;
constexpr int kLabelHeight = 18;
constexpr uint32_t kMark = 0xE02020;

// A label drawn on the simulated screen, which is then read back.
Picture label(const std::string& text, int width, bool bold)
{
    sim::gdi::set_screen(width, kLabelHeight, 96, 96);
    sim::gdi::clear_screen(kPaper);
    LOGFONTW font{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
    font.lfHeight = -12;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    HDC dc = GetDC(nullptr);
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, made);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    const std::u16string units = utf16_from_utf8(text);
    RECT box{0, 2, width, kLabelHeight};
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(units.c_str()), static_cast<int>(units.size()), &box, DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(made);
    ReleaseDC(nullptr, dc);
    return screen_picture();
}

void paste(Picture& sheet, const Picture& piece, int x, int y)
{
    for (int row = 0; row < piece.height && y + row < sheet.height; ++row)
        for (int col = 0; col < piece.width && x + col < sheet.width; ++col)
            for (int c = 0; c < 3; ++c)
                sheet.rgb[(static_cast<size_t>(y + row) * sheet.width + x + col) * 3 + c] =
                    piece.rgb[(static_cast<size_t>(row) * piece.width + col) * 3 + c];
}

// An outline around each line of the picture that the check found fault with.
Picture marked(Picture picture, const std::vector<Drawn>& lines, size_t count, bool& any)
{
    for (size_t i = 0; i < count && i < lines.size(); ++i) {
        const Drawn& line = lines[i];
        if (line.missing.empty() || picture.width <= 0 || picture.height <= 0)
            continue;
        any = true;
        const long left = std::max(0L, line.left - 1), right = std::min<long>(picture.width - 1, line.right);
        const long top = std::max(0L, line.top - 1), bottom = std::min<long>(picture.height - 1, line.bottom);
        auto dot = [&](long x, long y) {
            const size_t at = (static_cast<size_t>(y) * picture.width + x) * 3;
            picture.rgb[at] = kMark >> 16;
            picture.rgb[at + 1] = (kMark >> 8) & 0xFF;
            picture.rgb[at + 2] = kMark & 0xFF;
        };
        for (long x = left; x <= right; ++x) {
            dot(x, top);
            dot(x, bottom);
        }
        for (long y = top; y <= bottom; ++y) {
            dot(left, y);
            dot(right, y);
        }
    }
    return picture;
}

}  // namespace

Picture contact_sheet(const std::vector<DensityRun>& runs)
{
    Picture sheet;
    sheet.width = kMargin;
    for (const DensityRun& run : runs) {
        sheet.width += std::max(run.collapsed.width, run.expanded.width) + kMargin;
        sheet.height = std::max(sheet.height, 3 * kLabelHeight + run.collapsed.height + run.expanded.height + 4 * kMargin);
    }
    // The sample connections' paint is the expanded picture; the collapsed one shows its header.
    bool any = false;
    std::vector<Picture> collapsed, expanded;
    for (const DensityRun& run : runs) {
        const std::vector<Drawn> none;
        const std::vector<Drawn>& samples = run.paints.size() > kSamples ? run.paints[kSamples] : none;
        collapsed.push_back(marked(run.collapsed, samples, 1, any));
        expanded.push_back(marked(run.expanded, samples, samples.size(), any));
    }
    if (any)
        sheet.height += kLabelHeight + kMargin;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 0xE8);
    int x = kMargin;
    for (size_t r = 0; r < runs.size(); ++r) {
        const DensityRun& run = runs[r];
        const int width = std::max(run.collapsed.width, run.expanded.width);
        int y = kMargin;
        const std::string title = std::to_string(run.density.dpi) + " dpi, UI font " +
                                  std::to_string(run.density.font_size) + " px";
        paste(sheet, label(title, width, true), x, y);
        y += kLabelHeight;
        paste(sheet, label("collapsed", width, false), x, y);
        y += kLabelHeight;
        paste(sheet, collapsed[r], x, y);
        y += run.collapsed.height + kMargin;
        paste(sheet, label("expanded", width, false), x, y);
        y += kLabelHeight;
        paste(sheet, expanded[r], x, y);
        x += width + kMargin;
    }
    if (any)
        paste(sheet, label("Outlined in red: a line with a character the device's font has no glyph for",
                           sheet.width - 2 * kMargin, false),
              kMargin, sheet.height - kLabelHeight - kMargin);
    sim::reset_for_tests();
    return sheet;
}

}  // namespace todaysim::check
