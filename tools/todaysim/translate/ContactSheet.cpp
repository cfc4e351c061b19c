// SPDX-License-Identifier: MIT
// The contact sheet: the item collapsed and expanded at each density, side by side, each
// picture labelled in the device's own font.
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

}  // namespace

Picture contact_sheet(const std::vector<DensityRun>& runs)
{
    Picture sheet;
    sheet.width = kMargin;
    for (const DensityRun& run : runs) {
        sheet.width += std::max(run.collapsed.width, run.expanded.width) + kMargin;
        sheet.height = std::max(sheet.height, 3 * kLabelHeight + run.collapsed.height + run.expanded.height + 4 * kMargin);
    }
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 0xE8);
    int x = kMargin;
    for (const DensityRun& run : runs) {
        const int width = std::max(run.collapsed.width, run.expanded.width);
        int y = kMargin;
        const std::string title = std::to_string(run.density.dpi) + " dpi, UI font " +
                                  std::to_string(run.density.font_size) + " px";
        paste(sheet, label(title, width, true), x, y);
        y += kLabelHeight;
        paste(sheet, label("collapsed", width, false), x, y);
        y += kLabelHeight;
        paste(sheet, run.collapsed, x, y);
        y += run.collapsed.height + kMargin;
        paste(sheet, label("expanded", width, false), x, y);
        y += kLabelHeight;
        paste(sheet, run.expanded, x, y);
        x += width + kMargin;
    }
    sim::reset_for_tests();
    return sheet;
}

}  // namespace todaysim::check
