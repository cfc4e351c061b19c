// SPDX-License-Identifier: MIT
// The contact sheet: the item collapsed and expanded at each density, side by side, each
// picture labelled in the device's own font.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

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
constexpr uint32_t kErrorMark = 0xE02020;
constexpr uint32_t kWarningMark = 0xF08C00;

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

// An outline around each of the first `count` lines that has a warning or an error.
Picture marked(Picture picture, const std::vector<Drawn>& lines, const std::vector<Severity>& marks, size_t count,
               bool& any)
{
    for (size_t i = 0; i < count && i < lines.size() && i < marks.size(); ++i) {
        if (marks[i] == Severity::Note || picture.width <= 0 || picture.height <= 0)
            continue;
        any = true;
        const uint32_t colour = marks[i] == Severity::Error ? kErrorMark : kWarningMark;
        const Drawn& line = lines[i];
        const long left = std::max(0L, line.left - 1), right = std::min<long>(picture.width - 1, line.right);
        const long top = std::max(0L, line.top - 1);
        const long bottom = std::min<long>(picture.height - 1, std::min(line.bottom, line.top + std::abs(line.font_height) + 2));
        if (top > bottom)
            continue;
        auto dot = [&](long x, long y) {
            const size_t at = (static_cast<size_t>(y) * picture.width + x) * 3;
            picture.rgb[at] = static_cast<uint8_t>(colour >> 16);
            picture.rgb[at + 1] = static_cast<uint8_t>(colour >> 8);
            picture.rgb[at + 2] = static_cast<uint8_t>(colour);
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

Picture contact_sheet(const std::vector<DensityRun>& runs, const std::string& title, const LineMarks& marks)
{
    // The pictures with their faulty lines outlined: the idle paint is the picture without
    // connections, the sample connections' paint the expanded one, whose header is the collapsed one.
    const std::vector<Drawn> none;
    const std::vector<Severity> unmarked;
    auto lines_of = [&](const DensityRun& run, size_t paint) -> const std::vector<Drawn>& {
        return run.paints.size() > paint ? run.paints[paint] : none;
    };
    auto marks_of = [&](size_t paint) -> const std::vector<Severity>& {
        return marks.size() > paint ? marks[paint] : unmarked;
    };
    bool any = false;
    std::vector<std::vector<Picture>> pictures;
    for (const DensityRun& run : runs)
        pictures.push_back({marked(run.idle, lines_of(run, kIdle), marks_of(kIdle), 1, any),
                            marked(run.collapsed, lines_of(run, kSamples), marks_of(kSamples), 1, any),
                            marked(run.expanded, lines_of(run, kSamples), marks_of(kSamples), SIZE_MAX, any)});
    static const char* const kLabels[] = {"no connection", "collapsed", "expanded"};

    Picture sheet;
    sheet.width = kMargin;
    int tallest = 0;
    for (const std::vector<Picture>& column : pictures) {
        int width = 0, height = kLabelHeight;
        for (const Picture& picture : column) {
            width = std::max(width, picture.width);
            height += kLabelHeight + picture.height + kMargin;
        }
        sheet.width += width + kMargin;
        tallest = std::max(tallest, height);
    }
    const int top = kMargin + kLabelHeight + kMargin;
    sheet.height = top + tallest + (any ? kLabelHeight : 0) + kMargin;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 0xE8);
    paste(sheet, label(title, sheet.width - 2 * kMargin, true), kMargin, kMargin);
    int x = kMargin;
    for (size_t r = 0; r < runs.size(); ++r) {
        int width = 0;
        for (const Picture& picture : pictures[r])
            width = std::max(width, picture.width);
        int y = top;
        const std::string heading = std::to_string(runs[r].density.dpi) + " dpi, UI font " +
                                    std::to_string(runs[r].density.font_size) + " px";
        paste(sheet, label(heading, width, true), x, y);
        y += kLabelHeight;
        for (size_t k = 0; k < pictures[r].size(); ++k) {
            paste(sheet, label(kLabels[k], width, false), x, y);
            y += kLabelHeight;
            paste(sheet, pictures[r][k], x, y);
            y += pictures[r][k].height + kMargin;
        }
        x += width + kMargin;
    }
    if (any) {
        const int legend_y = sheet.height - kMargin - kLabelHeight;
        paste(sheet, label("Outlined: in red a line with an error, in orange one with a warning (see the report)",
                           sheet.width - 2 * kMargin, false),
              kMargin, legend_y);
    }
    sim::reset_for_tests();
    return sheet;
}

}  // namespace todaysim::check
