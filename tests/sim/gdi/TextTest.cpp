// SPDX-License-Identifier: MIT
// DrawTextW on the framebuffer: where ink lands, clipping, alignment, weight, prefixes, errors.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "GdiTestSupport.h"
#include "support/SimFixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class GdiText : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        sim::gdi::clear_screen(kWhite);
    }

    // Creates a variant of the system font; the caller deletes it.
    static HFONT make_font(LONG height, LONG weight)
    {
        LOGFONTW lf{};
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
        lf.lfHeight = height;
        lf.lfWeight = weight;
        return CreateFontIndirectW(&lf);
    }

    // Draws with a font on a DC whose origin is (20, 30); answers DrawTextW's result.
    static int draw(const char16_t* text, RECT rect, UINT format, HFONT font = nullptr, int count = -1)
    {
        ScopedDc window(POINT{20, 30}, sim::gdi::screen_rect());
        SetBkMode(window.dc, TRANSPARENT);
        HGDIOBJ old = font ? SelectObject(window.dc, font) : nullptr;
        int result = DrawTextW(window.dc, text, count, &rect, format);
        if (old)
            SelectObject(window.dc, old);
        return result;
    }

    // Sum of how far inked pixels are from white, over all channels.
    static long darkness(const RECT& area)
    {
        long sum = 0;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                uint32_t p = sim::gdi::pixel(x, y);
                sum += 765 - ((p >> 16) & 0xFF) - ((p >> 8) & 0xFF) - (p & 0xFF);
            }
        return sum;
    }

    static std::vector<uint32_t> pixels(const RECT& area)
    {
        std::vector<uint32_t> out;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x)
                out.push_back(sim::gdi::pixel(x, y));
        return out;
    }
};

TEST_F(GdiText, UsesTahomaOrTheFallback)
{
    LOGFONTW lf{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    std::string file = sim::gdi::font_file_for(lf);
    struct stat st;
    if (::stat("/usr/share/wine/fonts/tahoma.ttf", &st) == 0)
        EXPECT_EQ(file, "/usr/share/wine/fonts/tahoma.ttf");
    else
        EXPECT_NE(file.find("DejaVuSans"), std::string::npos) << file;
    lf.lfFaceName[0] = u'\0';
    EXPECT_EQ(sim::gdi::font_file_for(lf), file) << "no face name means the device's own font";
}

// What the check of a language file reports: the characters that come out as Tahoma's box,
// which differ between its regular and bold files.
TEST_F(GdiText, MissingGlyphsAreTheCharactersDrawnAsTheBox)
{
    struct stat st;
    if (::stat("/usr/share/wine/fonts/tahoma.ttf", &st) != 0)
        GTEST_SKIP() << "Wine's Tahoma is not installed";
    std::u16string lone = u"Łódź";
    lone += static_cast<char16_t>(0xD800);
    const struct {
        std::u16string text;
        LONG weight;
        std::vector<uint32_t> missing;
    } cases[] = {
        {lone, FW_NORMAL, {0xFFFD}},
        {u"ЃЂΩЂ\U0001F600", FW_NORMAL, {0x402, 0x3A9, 0x1F600}},
        {u"ЃЂ", FW_BOLD, {0x403, 0x402}},
    };
    for (const auto& c : cases) {
        LOGFONTW lf{};
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
        lf.lfWeight = c.weight;
        EXPECT_EQ(sim::gdi::missing_glyphs(lf, c.text), c.missing) << c.weight;
    }
    // Two missing characters draw the same box; a letter of the face draws something else.
    auto ink = [&](const char16_t* text) {
        sim::gdi::clear_screen(kWhite);
        draw(text, RECT{0, 0, 40, 20}, DT_LEFT | DT_TOP);
        return pixels(RECT{20, 30, 60, 50});
    };
    EXPECT_EQ(ink(u"Ω"), ink(u"Ђ"));
    EXPECT_NE(ink(u"Ω"), ink(u"Ж"));
}

TEST_F(GdiText, InkStaysInsideTheRectangleInTheTextColour)
{
    ScopedDc window(POINT{20, 30}, sim::gdi::screen_rect());
    SetBkMode(window.dc, TRANSPARENT);
    SetTextColor(window.dc, RGB(255, 0, 0));
    RECT rect{5, 5, 150, 25};
    EXPECT_EQ(DrawTextW(window.dc, u"No active connections", -1, &rect, DT_LEFT | DT_TOP), 14)
        << "Tahoma at 12 pixels has a 14-pixel cell";
    RECT ink = ink_box(kWhite, sim::gdi::screen_rect());
    EXPECT_GE(ink.left, 25);
    EXPECT_LE(ink.left, 27);
    EXPECT_GE(ink.top, 35);
    EXPECT_LE(ink.bottom, 35 + 14);
    EXPECT_GT(ink.right - ink.left, 80) << "the whole line is drawn";
    EXPECT_LE(ink.right, 170);

    bool full = false;
    for (uint32_t p : pixels(ink)) {
        full = full || p == 0xFF0000;
        // Coverage blends white towards red: red stays full, green and blue fall together.
        ASSERT_EQ(p >> 16, 0xFFu);
        ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF);
    }
    EXPECT_TRUE(full) << "fully covered pixels take the text colour exactly";
}

TEST_F(GdiText, ClippedToTheRectangleAndTheDeviceContext)
{
    const struct {
        const char* name;
        RECT rect;
        UINT format;
        RECT dc_clip;  // screen
        RECT allowed;  // screen area where ink may appear
        bool cut_right;  // the line is cut at the allowed area's right edge
    } cases[] = {
        {"narrow rectangle", {5, 5, 30, 25}, 0, {0, 0, 240, 320}, {25, 35, 50, 55}, true},
        {"short rectangle", {5, 5, 150, 11}, 0, {0, 0, 240, 320}, {25, 35, 170, 41}, false},
        {"no clip still obeys the DC", {5, 5, 30, 25}, DT_NOCLIP, {0, 0, 60, 320}, {25, 35, 60, 55}, true},
        {"DC clip inside the rectangle", {5, 5, 150, 25}, 0, {30, 0, 45, 320}, {30, 35, 45, 55}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::gdi::clear_screen(kWhite);
        ScopedDc window(POINT{20, 30}, c.dc_clip);
        SetBkMode(window.dc, TRANSPARENT);
        RECT rect = c.rect;
        DrawTextW(window.dc, u"Active Connections: 2", -1, &rect, c.format);
        RECT ink = ink_box(kWhite, sim::gdi::screen_rect());
        ASSERT_FALSE(ink.right == 0) << "something is drawn";
        EXPECT_GE(ink.left, c.allowed.left);
        EXPECT_GE(ink.top, c.allowed.top);
        EXPECT_LE(ink.right, c.allowed.right);
        EXPECT_LE(ink.bottom, c.allowed.bottom);
        if (c.cut_right)
            EXPECT_GE(ink.right, c.allowed.right - 3) << "the text runs up to the clip edge";
        else
            EXPECT_LT(ink.bottom, c.allowed.top + 14) << "the lower part of the line is cut";
    }
}

TEST_F(GdiText, BoldIsWiderAndDarker)
{
    HFONT normal = make_font(-12, FW_NORMAL);
    HFONT bold = make_font(-12, FW_BOLD);
    draw(u"Active Connections: 2", RECT{0, 0, 220, 20}, 0, normal);
    draw(u"Active Connections: 2", RECT{0, 40, 220, 60}, 0, bold);
    RECT a = ink_box(kWhite, RECT{0, 0, 240, 60});
    RECT b = ink_box(kWhite, RECT{0, 60, 240, 120});
    EXPECT_GT(b.right - b.left, (a.right - a.left) * 11 / 10);
    EXPECT_GT(darkness(b), darkness(a) * 13 / 10);
    EXPECT_NEAR(b.top - 40, a.top, 1) << "both sit on the same baseline";
    EXPECT_NEAR(b.bottom - 40, a.bottom, 1);
    DeleteObject(normal);
    DeleteObject(bold);
}

TEST_F(GdiText, HeightsFromTheLogicalFont)
{
    const struct {
        LONG height;
        int cell;
    } cases[] = {{-12, 14}, {0, 14}, {-24, 29}, {20, 20}, {9, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        HFONT font = make_font(c.height, FW_NORMAL);
        RECT r{0, 0, 200, 100};
        EXPECT_EQ(draw(u"Ag", r, DT_CALCRECT, font), c.cell);
        DeleteObject(font);
    }
}

TEST_F(GdiText, CalcRectMeasuresWithoutDrawing)
{
    RECT r{10, 20, 11, 21};
    int height = draw(u"Active Connections: 2", r, DT_CALCRECT);
    ScopedDc screen;
    RECT measured{10, 20, 11, 21};
    EXPECT_EQ(DrawTextW(screen.dc, u"Active Connections: 2", -1, &measured, DT_CALCRECT), height);
    EXPECT_EQ(ink_box(kWhite, sim::gdi::screen_rect()).right, 0) << "nothing drawn";
    EXPECT_EQ(measured.left, 10);
    EXPECT_EQ(measured.top, 20);
    EXPECT_EQ(measured.bottom, 20 + height);
    int width = measured.right - measured.left;
    EXPECT_GT(width, 90);

    // The measured width is what DT_RIGHT aligns by: the ink ends at the right edge.
    draw(u"Active Connections: 2", RECT{0, 0, 200, 20}, DT_RIGHT);
    RECT ink = ink_box(kWhite, sim::gdi::screen_rect());
    EXPECT_LE(ink.right, 220);
    EXPECT_GE(ink.right, 218);
    EXPECT_GE(ink.left, 220 - width);

    RECT lines{0, 0, 1, 1};
    EXPECT_EQ(DrawTextW(screen.dc, u"one\r\ntwo\nthree", -1, &lines, DT_CALCRECT), 3 * height);
    RECT single{0, 0, 1, 1};
    EXPECT_EQ(DrawTextW(screen.dc, u"one\ntwo", -1, &single, DT_CALCRECT | DT_SINGLELINE), height);
    RECT empty{5, 5, 50, 50};
    EXPECT_EQ(DrawTextW(screen.dc, u"", -1, &empty, DT_CALCRECT), 0);
    EXPECT_EQ(empty.right, 5);
}

TEST_F(GdiText, SingleLineAlignment)
{
    const struct {
        const char* name;
        UINT format;
        int result;  // DrawTextW's answer for a 40-pixel-high rectangle
    } cases[] = {
        {"centred", DT_SINGLELINE | DT_CENTER | DT_VCENTER, 27},
        {"bottom right", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::gdi::clear_screen(kWhite);
        EXPECT_EQ(draw(u"Hx", RECT{0, 0, 100, 40}, c.format), c.result);
        RECT ink = ink_box(kWhite, sim::gdi::screen_rect());
        int cell_top = 30 + c.result - 14;
        EXPECT_GE(ink.top, cell_top);
        EXPECT_LE(ink.bottom, cell_top + 14);
        if (c.format & DT_CENTER)
            EXPECT_NEAR((ink.left + ink.right) / 2, 70, 2);
        else
            EXPECT_NEAR(ink.right, 120, 2);
    }
}

TEST_F(GdiText, OpaqueBackgroundFillsOnlyTheTextCell)
{
    ScopedDc window(POINT{20, 30}, sim::gdi::screen_rect());
    SetBkColor(window.dc, RGB(0, 0, 255));
    RECT rect{0, 0, 200, 40};
    DrawTextW(window.dc, u"Hi", -1, &rect, 0);
    RECT blue = ink_box(kWhite, sim::gdi::screen_rect());
    EXPECT_EQ(blue.left, 20);
    EXPECT_EQ(blue.top, 30);
    EXPECT_EQ(blue.bottom, 44);
    EXPECT_LT(blue.right, 40);
    EXPECT_EQ(sim::gdi::pixel(20, 30), 0x0000FFu);

    sim::gdi::clear_screen(kWhite);
    SetBkMode(window.dc, TRANSPARENT);
    DrawTextW(window.dc, u"Hi", -1, &rect, 0);
    EXPECT_EQ(sim::gdi::pixel(20, 30), kWhite) << "transparent mode leaves the background";
}

TEST_F(GdiText, PrefixesAndCounts)
{
    // "&File" is "File" with an underlined F; DT_NOPREFIX shows the ampersand.
    draw(u"File", RECT{0, 0, 100, 20}, 0);
    draw(u"&File", RECT{0, 30, 100, 50}, 0);
    draw(u"&&", RECT{0, 60, 100, 80}, 0);
    draw(u"&", RECT{0, 90, 100, 110}, DT_NOPREFIX);
    draw(u"File and more", RECT{0, 120, 100, 140}, 0, nullptr, 4);
    RECT plain = ink_box(kWhite, RECT{0, 30, 240, 60});
    RECT underlined = ink_box(kWhite, RECT{0, 60, 240, 90});
    EXPECT_EQ(underlined.left, plain.left);
    EXPECT_GT(underlined.bottom, plain.bottom) << "the underline lies below the baseline";
    EXPECT_EQ(pixels(RECT{20, 30, 120, 30 + (plain.bottom - 30)}),
              pixels(RECT{20, 60, 120, 60 + (plain.bottom - 30)}))
        << "above the underline both are the same glyphs";
    EXPECT_EQ(pixels(RECT{20, 90, 120, 110}), pixels(RECT{20, 120, 120, 140})) << "&& is one ampersand";
    EXPECT_EQ(pixels(RECT{20, 30, 120, 50}), pixels(RECT{20, 150, 120, 170})) << "a count stops the text";
}

TEST_F(GdiText, MisuseIsRefusedAndExtremesAreHarmless)
{
    ScopedDc screen;
    RECT rect{0, 0, 100, 20};
    EXPECT_EQ(DrawTextW(screen.dc, nullptr, -1, &rect, 0), 0);
    ExpectViolation("DrawTextW: null text");
    EXPECT_EQ(DrawTextW(screen.dc, u"x", -1, nullptr, 0), 0);
    ExpectViolation("DrawTextW: null rectangle");
    EXPECT_EQ(DrawTextW(screen.dc, u"x", -1, &rect, DT_WORDBREAK), 0);
    ExpectViolation("DrawTextW: unsupported format flags 16");
    HDC dead = sim::gdi::open_dc(nullptr, POINT{0, 0}, sim::gdi::screen_rect());
    sim::gdi::close_dc(dead);
    EXPECT_EQ(DrawTextW(dead, u"x", -1, &rect, 0), 0);
    ExpectViolation("DrawTextW: stale device context");

    // Coordinates at the ends of the range are misplaced text, not arithmetic overflow.
    RECT far{INT32_MAX - 10, INT32_MIN, INT32_MAX, INT32_MIN + 20};
    EXPECT_EQ(DrawTextW(screen.dc, u"x", -1, &far, 0), 14);
    EXPECT_GT(DrawTextW(screen.dc, u"x", -1, &far, DT_CALCRECT), 0);
    EXPECT_GT(far.right, far.left);
    EXPECT_EQ(ink_box(kWhite, sim::gdi::screen_rect()).right, 0) << "nothing drawn";
}

TEST_F(GdiText, RecordedWithTextFontAndColours)
{
    GdiLog log(nullptr, true);
    HFONT bold = make_font(-12, FW_BOLD);
    draw(u"Active Connections: 2", RECT{28, 3, 238, 18}, 0, bold);
    DeleteObject(bold);
    const std::vector<sim::gdi::GdiCall> texts = log.Only("DrawTextW");
    ASSERT_EQ(texts.size(), 1u);
    const sim::gdi::GdiCall& text = texts[0];
    EXPECT_EQ(text.text, u"Active Connections: 2");
    EXPECT_EQ(Str(text.rect) + " at " + Str(text.screen), "28,3,238,18 at 48,33,258,48");
    EXPECT_EQ(text.font_height, -12);
    EXPECT_EQ(text.font_weight, FW_BOLD);
    EXPECT_EQ(text.bk_mode, TRANSPARENT);
    EXPECT_EQ(text.result, 14);
}

}  // namespace
