// SPDX-License-Identifier: MIT
// GDI objects and device contexts: stock objects, descriptions, selection, deletion, counts.
#include <gtest/gtest.h>

#include <cstring>

#include "GdiTestSupport.h"
#include "support/SimFixture.h"

namespace {

class GdiObjects : public SimFixture {};

LOGFONTW stock_font()
{
    LOGFONTW lf{};
    EXPECT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf), static_cast<int>(sizeof lf));
    return lf;
}

TEST_F(GdiObjects, SystemFontFollowsScreenDensity)
{
    static_assert(sizeof(LOGFONTW) == 92, "the device's LOGFONTW is 92 bytes");
    const struct {
        int dpi;
        LONG height;
    } cases[] = {{96, -12}, {131, -16}, {192, -24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        sim::gdi::set_screen(240, 320, c.dpi, c.dpi);
        LOGFONTW lf = stock_font();
        EXPECT_EQ((std::vector<LONG>{lf.lfHeight, lf.lfWeight, lf.lfCharSet, lf.lfItalic}),
                  (std::vector<LONG>{c.height, FW_NORMAL, 0, 0}));
        EXPECT_EQ(std::u16string(lf.lfFaceName), u"Tahoma");
    }
}

TEST_F(GdiObjects, GetObjectSizesAndDescriptions)
{
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    EXPECT_EQ(GetObjectW(font, 0, nullptr), 92);
    LOGFONTW lf;
    std::memset(&lf, 0x5A, sizeof lf);
    EXPECT_EQ(GetObjectW(font, 8, &lf), 8) << "a short buffer gets the leading bytes only";
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfEscapement, 0x5A5A5A5A);

    HBRUSH red = CreateSolidBrush(RGB(200, 10, 20));
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectW(red, 0, nullptr), static_cast<int>(sizeof lb));
    EXPECT_EQ(GetObjectW(red, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(200, 10, 20));
    EXPECT_EQ(GetObjectW(GetStockObject(NULL_BRUSH), sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));
    EXPECT_EQ(GetObjectW(GetStockObject(LTGRAY_BRUSH), sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(0xC0, 0xC0, 0xC0));

    LOGFONTW bold = stock_font();
    bold.lfWeight = FW_BOLD;
    HFONT created = CreateFontIndirectW(&bold);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(created, sizeof back, &back), 92);
    EXPECT_EQ(std::memcmp(&back, &bold, sizeof back), 0) << "a font describes itself as it was created";
    EXPECT_TRUE(DeleteObject(created));
    EXPECT_TRUE(DeleteObject(red));
}

TEST_F(GdiObjects, StockObjectsAreNeverCountedOrDeleted)
{
    const int stock[] = {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH,
                         NULL_BRUSH,  WHITE_PEN,    BLACK_PEN,  NULL_PEN,     SYSTEM_FONT};
    for (int index : stock) {
        SCOPED_TRACE(index);
        HGDIOBJ obj = GetStockObject(index);
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(GetStockObject(index), obj) << "stock handles are stable";
        EXPECT_TRUE(DeleteObject(obj));
        EXPECT_EQ(GetStockObject(index), obj) << "deleting a stock object changes nothing";
    }
    EXPECT_EQ(GetStockObject(9), nullptr);
    ExpectViolation("GetStockObject: unsupported stock object 9");
}

TEST_F(GdiObjects, SelectReturnsPreviousOfTheSameKind)
{
    ScopedDc screen;
    HGDIOBJ system_font = GetStockObject(SYSTEM_FONT);
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    LOGFONTW lf = stock_font();
    HFONT font = CreateFontIndirectW(&lf);
    EXPECT_EQ(sim::gdi::live_objects(), 2u);

    EXPECT_EQ(SelectObject(screen.dc, brush), white) << "a fresh DC holds the white brush";
    EXPECT_EQ(SelectObject(screen.dc, font), system_font) << "and the system font";
    EXPECT_EQ(SelectObject(screen.dc, GetStockObject(NULL_PEN)), GetStockObject(BLACK_PEN)) << "and the black pen";
    EXPECT_EQ(SelectObject(screen.dc, system_font), static_cast<HGDIOBJ>(font));
    EXPECT_EQ(SelectObject(screen.dc, white), static_cast<HGDIOBJ>(brush));

    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(font));
}

TEST_F(GdiObjects, DeletingSelectedObjectIsRefused)
{
    HDC dc = sim::gdi::open_dc(nullptr, POINT{0, 0}, sim::gdi::screen_rect());
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    SelectObject(dc, brush);
    EXPECT_FALSE(DeleteObject(brush));
    ExpectViolation("DeleteObject: brush");
    EXPECT_EQ(sim::gdi::live_objects(), 1u) << "the refused object stays alive";

    EXPECT_TRUE(sim::gdi::close_dc(dc));
    ExpectViolation("still selected when DC");
    EXPECT_TRUE(DeleteObject(brush)) << "once the DC is gone the brush can go";
}

TEST_F(GdiObjects, StaleAndForeignHandlesAreViolations)
{
    ScopedDc screen;
    HBRUSH brush = CreateSolidBrush(0);
    ASSERT_TRUE(DeleteObject(brush));

    EXPECT_FALSE(DeleteObject(brush));
    ExpectViolation("DeleteObject: stale or unknown object");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SelectObject(screen.dc, brush), nullptr);
    ExpectViolation("SelectObject: stale or unknown object");
    EXPECT_EQ(SelectObject(screen.dc, nullptr), nullptr);
    ExpectViolation("SelectObject: null object");
    EXPECT_EQ(GetObjectW(brush, 0, nullptr), 0);
    ExpectViolation("GetObjectW: stale");

    HBRUSH reused = CreateSolidBrush(RGB(5, 5, 5));
    EXPECT_NE(reused, brush) << "a new object in the old slot gets a new handle";
    EXPECT_FALSE(DeleteObject(brush));
    ExpectViolation("DeleteObject: stale");
    EXPECT_EQ(sim::gdi::live_objects(), 1u) << "the stale handle did not reach the new object";
    EXPECT_TRUE(DeleteObject(reused));

    EXPECT_FALSE(DeleteObject(nullptr));

    HDC dead = sim::gdi::open_dc(nullptr, POINT{0, 0}, sim::gdi::screen_rect());
    sim::gdi::close_dc(dead);
    EXPECT_FALSE(sim::gdi::close_dc(dead));
    EXPECT_EQ(SelectObject(dead, GetStockObject(BLACK_BRUSH)), nullptr);
    ExpectViolation("SelectObject: stale device context");
    EXPECT_EQ(SetTextColor(dead, 0), CLR_INVALID);
    ExpectViolation("SetTextColor: stale device context");
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
    ExpectViolation("CreateFontIndirectW: null LOGFONTW");
}

TEST_F(GdiObjects, DeviceCapsAndAttributes)
{
    // The host and the item read the screen's size and density through the caps.
    sim::gdi::set_screen(480, 640, 192, 180);
    ScopedDc screen;
    EXPECT_EQ((std::vector<int>{GetDeviceCaps(screen.dc, HORZRES), GetDeviceCaps(screen.dc, VERTRES),
                                GetDeviceCaps(screen.dc, BITSPIXEL), GetDeviceCaps(screen.dc, LOGPIXELSX),
                                GetDeviceCaps(screen.dc, LOGPIXELSY)}),
              (std::vector<int>{480, 640, 32, 192, 180}));
    EXPECT_EQ(GetDeviceCaps(screen.dc, 4), 0);
    ExpectViolation("GetDeviceCaps: unsupported index 4");

    EXPECT_EQ(GetTextColor(screen.dc), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(screen.dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(screen.dc), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(screen.dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(screen.dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(screen.dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(screen.dc, 7), 0);
    ExpectViolation("SetBkMode: unknown mode 7");
}

TEST_F(GdiObjects, ResetBootsAFreshDevice)
{
    sim::gdi::set_screen(100, 50, 131, 131);
    sim::gdi::open_dc(nullptr, POINT{0, 0}, sim::gdi::screen_rect());
    CreateSolidBrush(0);
    int calls = 0;
    sim::gdi::subscribe([&](const sim::gdi::GdiCall&) { ++calls; });
    sim::gdi::clear_screen(0x123456);

    sim::reset_for_tests();
    // No DCs or objects; a black 240x320 screen at 96 dpi (outside it, the marker); 12 pixels.
    using Facts = std::vector<long long>;
    EXPECT_EQ((Facts{static_cast<long long>(sim::gdi::live_dcs()), static_cast<long long>(sim::gdi::live_objects()),
                     sim::gdi::screen_width(), sim::gdi::screen_height(), sim::gdi::screen_dpi_y(),
                     sim::gdi::pixel(0, 0), sim::gdi::pixel(240, 0), stock_font().lfHeight}),
              (Facts{0, 0, 240, 320, 96, 0, 0xFFFFFFFF, -12}));
    ScopedDc screen;
    SetTextColor(screen.dc, 0);
    EXPECT_EQ(calls, 0) << "subscribers are dropped with the old device";
}

}  // namespace
