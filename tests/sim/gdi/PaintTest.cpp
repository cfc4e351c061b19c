// SPDX-License-Identifier: MIT
// Rectangle fills and push-button frames, checked pixel by pixel, and what the recorder sees.
#include <gtest/gtest.h>

#include <string>

#include "GdiTestSupport.h"
#include "support/SimFixture.h"

namespace {

class GdiPaint : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        sim::gdi::clear_screen(kBack);
    }
    static constexpr uint32_t kBack = 0x102030;
};

// Counts pixels of one colour inside `area`.
int count(uint32_t rgb, const RECT& area)
{
    int n = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            n += sim::gdi::pixel(x, y) == rgb;
    return n;
}

TEST_F(GdiPaint, FillRectIsOffsetAndClipped)
{
    // A window DC at (50, 40) clipped to its 30x20 client area, as the window manager makes.
    const struct {
        const char* name;
        RECT fill;
        RECT expected;  // screen pixels that change
    } cases[] = {
        {"inside", {2, 3, 12, 8}, {52, 43, 62, 48}},
        {"over the right and bottom", {20, 10, 100, 100}, {70, 50, 80, 60}},
        {"over the left and top", {-10, -10, 5, 5}, {50, 40, 55, 45}},
        {"empty", {5, 5, 5, 9}, {0, 0, 0, 0}},
        {"inverted", {9, 9, 3, 3}, {0, 0, 0, 0}},
        {"outside", {40, 0, 50, 10}, {0, 0, 0, 0}},
        {"at the ends of the coordinate range", {INT32_MAX - 5, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::gdi::clear_screen(kBack);
        ScopedDc window(POINT{50, 40}, RECT{50, 40, 80, 60});
        HBRUSH brush = CreateSolidBrush(RGB(0xAA, 0xBB, 0xCC));
        EXPECT_NE(FillRect(window.dc, &c.fill, brush), 0);
        DeleteObject(brush);
        RECT e = c.expected;
        int area = (e.right - e.left) * (e.bottom - e.top);
        EXPECT_EQ(count(0xAABBCC, sim::gdi::screen_rect()), area);
        EXPECT_EQ(count(0xAABBCC, e), area) << "every changed pixel lies where expected";
    }
}

TEST_F(GdiPaint, FillRectWithStockAndNullBrushes)
{
    ScopedDc screen;
    RECT r{0, 0, 4, 4};
    EXPECT_NE(FillRect(screen.dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))), 0);
    EXPECT_EQ(sim::gdi::pixel(3, 3), 0x808080u);
    RECT r2{0, 0, 8, 8};
    EXPECT_NE(FillRect(screen.dc, &r2, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
    EXPECT_EQ(sim::gdi::pixel(3, 3), 0x808080u) << "the null brush paints nothing";
    EXPECT_EQ(sim::gdi::pixel(5, 5), kBack);

    EXPECT_EQ(FillRect(screen.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))), 0);
    ExpectViolation("FillRect: object is not a brush");
    EXPECT_EQ(FillRect(screen.dc, nullptr, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH))), 0);
    ExpectViolation("FillRect: null rectangle");
    EXPECT_EQ(sim::gdi::pixel(0, 0), 0x808080u);
}

// Expected pixels of a 6x5 push button: W white, L light, F face, S shadow, D dark/black.
struct FrameCase {
    const char* name;
    UINT state;
    const char* rows[5];
};

uint32_t colour_of(char c)
{
    switch (c) {
    case 'W': return 0xFFFFFF;
    case 'L': return 0xDFDFDF;
    case 'F': return 0xC0C0C0;
    case 'S': return 0x808080;
    default: return 0x000000;
    }
}

TEST_F(GdiPaint, PushButtonFaces)
{
    const FrameCase cases[] = {
        {"raised", DFCS_BUTTONPUSH, {"WWWWWD", "WLLLSD", "WLFFSD", "WSSSSD", "DDDDDD"}},
        {"pushed", DFCS_BUTTONPUSH | DFCS_PUSHED, {"SSSSSW", "SDDDLW", "SDFFLW", "SLLLLW", "WWWWWW"}},
        {"flat", DFCS_BUTTONPUSH | DFCS_FLAT, {"SSSSSS", "SFFFFS", "SFFFFS", "SFFFFS", "SSSSSS"}},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::gdi::clear_screen(kBack);
        ScopedDc window(POINT{10, 20}, sim::gdi::screen_rect());
        RECT box{4, 6, 10, 11};
        EXPECT_TRUE(DrawFrameControl(window.dc, &box, DFC_BUTTON, c.state));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(sim::gdi::pixel(14 + x, 26 + y), colour_of(c.rows[y][x])) << "at " << x << "," << y;
        EXPECT_EQ(count(kBack, RECT{13, 25, 21, 32}), 8 * 7 - 6 * 5) << "nothing drawn around the box";
    }
}

TEST_F(GdiPaint, FrameControlClipsAndRefusesOtherTypes)
{
    ScopedDc window(POINT{0, 0}, RECT{0, 0, 3, 3});
    RECT box{0, 0, 10, 10};
    EXPECT_TRUE(DrawFrameControl(window.dc, &box, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(count(kBack, RECT{0, 0, 12, 12}), 144 - 9) << "only the clip area is painted";

    const struct {
        UINT type;
        UINT state;
    } refused[] = {{DFC_CAPTION, 0}, {DFC_SCROLL, 0}, {DFC_BUTTON, DFCS_BUTTONCHECK},
                   {DFC_BUTTON, DFCS_BUTTONRADIO}, {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED}};
    for (const auto& r : refused) {
        SCOPED_TRACE(testing::Message() << r.type << "/" << r.state);
        EXPECT_FALSE(DrawFrameControl(window.dc, &box, r.type, r.state));
        ExpectViolation("DrawFrameControl: unsupported type");
    }
}

TEST_F(GdiPaint, RecorderSeesCallsWithOwnerRectsAndFont)
{
    HWND owner = reinterpret_cast<HWND>(uintptr_t{0x1234});
    HDC dc = sim::gdi::open_dc(owner, POINT{100, 50}, RECT{100, 50, 200, 80});
    GdiLog log(nullptr, true);
    int second = 0;
    int id = sim::gdi::subscribe([&](const sim::gdi::GdiCall&) { ++second; });

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    RECT fill{1, 2, 3, 4};
    FillRect(dc, &fill, brush);
    RECT frame{5, 6, 15, 16};
    DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH);
    LOGFONTW lf{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    lf.lfHeight = -20;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, RGB(9, 8, 7));
    sim::gdi::unsubscribe(id);
    SelectObject(dc, old);

    ASSERT_EQ(log.calls.size(), 5u);
    EXPECT_EQ(second, 4) << "every subscriber sees every call until it leaves";
    std::vector<std::string> seen;
    for (size_t i = 0; i < 4; ++i) {
        const sim::gdi::GdiCall& c = log.calls[i];
        EXPECT_EQ(c.owner, owner);
        EXPECT_EQ(c.dc, dc);
        seen.push_back(std::string(c.api) + " " + (c.has_rect ? Str(c.rect) + " at " + Str(c.screen) : "-") + " " +
                       std::to_string(c.color) + " " + c.object_kind + " " + std::to_string(c.frame_type) + "/" +
                       std::to_string(c.frame_state) + " font " + std::to_string(c.font_height) + "/" +
                       std::to_string(c.font_weight));
    }
    // The system font is selected at first; a colour is the COLORREF's number.
    const std::vector<std::string> kSeen = {
        "FillRect 1,2,3,4 at 101,52,103,54 197121  0/0 font -12/400",
        "DrawFrameControl 5,6,15,16 at 105,56,115,66 0  " + std::to_string(DFC_BUTTON) + "/" +
            std::to_string(DFCS_BUTTONPUSH) + " font -12/400",
        "SelectObject - 0 font 0/0 font -20/700",
        "SetTextColor - 460809  0/0 font -20/700"};
    EXPECT_EQ(seen, kSeen);

    DeleteObject(font);
    DeleteObject(brush);
    sim::gdi::close_dc(dc);
}

}  // namespace
