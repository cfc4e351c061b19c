// SPDX-License-Identifier: MIT
// Icons: choosing and decoding .ico images, drawing with mask and colour, errors, lifetime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GdiTestSupport.h"
#include "sim/common/ModuleResources.h"
#include "support/SimFixture.h"

namespace {

constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(uintptr_t{0x7F0000});

// A square image: the left half transparent, the right half `colour`, and pixel (0, 0)
// transparent with a green colour so that the screen shows through inverted.
IcoImage half_image(int size, int bits, uint32_t colour)
{
    IcoImage image{size, size, bits, {}, {}};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            bool left = x < size / 2;
            image.pixels.push_back(left ? 0 : colour);
            image.transparent.push_back(left);
        }
    image.pixels[0] = kGreen;
    return image;
}

uint32_t expected_half(int x, int y, int size, uint32_t colour, uint32_t screen)
{
    if (x == 0 && y == 0)
        return screen ^ kGreen;  // AND keeps the screen, XOR inverts it by the colour
    return x < size / 2 ? screen : colour;
}

class GdiIcons : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        sim::gdi::clear_screen(kGrey);
        files = {
            build_ico({half_image(16, 8, kRed), half_image(32, 8, kBlue)}),
            build_ico({half_image(10, 4, kRed), half_image(20, 24, kBlue)}),
            alpha_ico(),
            std::vector<uint8_t>(64, 0xEE),
        };
        const uint16_t ids[] = {101, 104, 7, 9};
        for (size_t i = 0; i < files.size(); ++i)
            table.push_back(SimResource{SIM_RT_GROUP_ICON, ids[i], files[i].data(),
                                        static_cast<uint32_t>(files[i].size())});
        sim::register_module_resources(kModule, table.data(), table.size());
    }
    void TearDown() override
    {
        sim::unregister_module_resources(kModule);
        SimFixture::TearDown();
    }

    // 2x1, 32 bits: an opaque red pixel and a half-transparent blue one.
    static std::vector<uint8_t> alpha_ico()
    {
        IcoImage image{2, 1, 32, {0xFF000000 | kRed, 0x80000000 | kBlue}, {0, 0}};
        return build_ico({image});
    }

    static HICON load(int id, int cx, int cy)
    {
        return static_cast<HICON>(LoadImageW(kModule, MAKEINTRESOURCE(id), IMAGE_ICON, cx, cy, 0));
    }

    std::vector<std::vector<uint8_t>> files;
    std::vector<SimResource> table;
};

TEST_F(GdiIcons, DrawsTheMaskThenTheColourExactly)
{
    const struct {
        int id;
        int size;
        uint32_t colour;
    } cases[] = {{101, 16, kRed}, {101, 32, kBlue}, {104, 10, kRed}, {104, 20, kBlue}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " at " << c.size);
        sim::gdi::clear_screen(kGrey);
        HICON icon = load(c.id, c.size, c.size);
        ASSERT_NE(icon, nullptr);
        ScopedDc window(POINT{30, 40}, sim::gdi::screen_rect());
        EXPECT_TRUE(DrawIconEx(window.dc, 2, 3, icon, 0, 0, 0, nullptr, DI_NORMAL));
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x)
                ASSERT_EQ(sim::gdi::pixel(32 + x, 43 + y), expected_half(x, y, c.size, c.colour, kGrey))
                    << "at " << x << "," << y;
        EXPECT_EQ(ink_box(kGrey, sim::gdi::screen_rect()).right, 32 + c.size) << "nothing drawn beyond the icon";
        EXPECT_TRUE(DestroyIcon(icon));
    }
}

TEST_F(GdiIcons, LoadPicksTheSizeAskedOrScalesTheBestImage)
{
    const struct {
        const char* name;
        int dpi;
        int cx, cy;
        int size;        // the icon's size once loaded
        uint32_t right;  // colour of its right half: which image was chosen
    } cases[] = {
        {"exact small", 96, 16, 16, 16, kRed},     {"exact large", 96, 32, 32, 32, kBlue},
        {"nearest larger", 96, 20, 20, 20, kBlue}, {"smaller than all", 96, 8, 8, 8, kRed},
        {"larger than all", 96, 40, 40, 40, kBlue}, {"system size", 96, 0, 0, 32, kBlue},
        {"system size at 192 dpi", 192, 0, 0, 64, kBlue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::gdi::set_screen(240, 320, c.dpi, c.dpi);
        sim::gdi::clear_screen(kGrey);
        HICON icon = load(101, c.cx, c.cy);
        ASSERT_NE(icon, nullptr);
        ScopedDc screen;
        GdiLog log(nullptr, true);
        DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        ASSERT_EQ(log.calls.size(), 1u);
        EXPECT_EQ(log.calls[0].icon_id, 101);
        EXPECT_EQ(log.calls[0].cx, c.size);
        EXPECT_EQ(log.calls[0].cy, c.size);
        EXPECT_EQ(sim::gdi::pixel(c.size - 1, c.size - 1), c.right);
        EXPECT_EQ(sim::gdi::pixel(0, c.size - 1), kGrey) << "the transparent half scales too";
        EXPECT_EQ(sim::gdi::pixel(c.size, 0), kGrey);
        DestroyIcon(icon);
    }
}

TEST_F(GdiIcons, MaskOnlyImageOnlyAndAlpha)
{
    HICON icon = load(101, 16, 16);
    ScopedDc screen;
    DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK);
    EXPECT_EQ(sim::gdi::pixel(0, 5), 0xFFFFFFu) << "the mask is white where transparent";
    EXPECT_EQ(sim::gdi::pixel(15, 5), 0x000000u);
    DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE);
    EXPECT_EQ(sim::gdi::pixel(0, 5), 0x000000u) << "the image alone is copied";
    EXPECT_EQ(sim::gdi::pixel(15, 5), kRed);
    DestroyIcon(icon);

    HICON alpha = load(7, 2, 1);
    ASSERT_NE(alpha, nullptr);
    sim::gdi::clear_screen(kGrey);
    DrawIconEx(screen.dc, 0, 0, alpha, 0, 0, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(sim::gdi::pixel(0, 0), kRed);
    uint32_t half = sim::gdi::pixel(1, 0);
    EXPECT_NEAR(static_cast<int>(half >> 16), 0x40, 1) << "half of the grey stays";
    EXPECT_NEAR(static_cast<int>(half & 0xFF), 0xBF, 1) << "half of the blue is added";
    DestroyIcon(alpha);
}

TEST_F(GdiIcons, LoadFailures)
{
    const HINSTANCE unknown = reinterpret_cast<HINSTANCE>(uintptr_t{0x7E0000});
    SetLastError(0);
    EXPECT_EQ(LoadImageW(unknown, MAKEINTRESOURCE(101), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(load(102, 16, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(load(9, 16, 16), nullptr) << "not an icon file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

    const struct {
        const char* name;
        UINT type;
        UINT flags;
    } refused[] = {{"load flags", IMAGE_ICON, 0x10}, {"bitmaps", IMAGE_BITMAP, 0}, {"cursors", IMAGE_CURSOR, 0}};
    for (const auto& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(LoadImageW(kModule, MAKEINTRESOURCE(101), r.type, 16, 16, r.flags), nullptr);
        ExpectViolation("LoadImageW: unsupported request");
    }
    EXPECT_EQ(LoadImageW(kModule, u"GLOBE", IMAGE_ICON, 16, 16, 0), nullptr);
    ExpectViolation("named resource");
}

TEST_F(GdiIcons, DamagedFilesNeverReadOutOfBounds)
{
    // Every single-byte corruption and every truncation either loads or fails cleanly.
    std::vector<uint8_t> good = build_ico({half_image(16, 8, kRed)});
    int loaded = 0;
    for (size_t i = 0; i < 6 + 16 + 40 + 8; ++i)
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            std::vector<uint8_t> bad = good;
            bad[i] = value;
            SimResource r{SIM_RT_GROUP_ICON, 3, bad.data(), static_cast<uint32_t>(bad.size())};
            sim::register_module_resources(kModule, &r, 1);
            if (HICON icon = load(3, 16, 16)) {
                ++loaded;
                DestroyIcon(icon);
            }
        }
    for (size_t length = 0; length < good.size(); ++length) {
        SimResource r{SIM_RT_GROUP_ICON, 3, good.data(), static_cast<uint32_t>(length)};
        sim::register_module_resources(kModule, &r, 1);
        EXPECT_EQ(load(3, 16, 16), nullptr) << "truncated to " << length;
    }
    EXPECT_GT(loaded, 0) << "harmless changes (palette bytes) still load";
    sim::register_module_resources(kModule, table.data(), table.size());
}

TEST_F(GdiIcons, DrawIconExChecksItsArguments)
{
    HICON icon = load(101, 16, 16);
    ScopedDc screen;
    EXPECT_TRUE(DrawIconEx(screen.dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL)) << "its own size is fine";
    EXPECT_TRUE(DrawIconEx(screen.dc, 40, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
    ExpectViolation("DrawIconEx: asked for 32x32 of a 16x16 icon");
    EXPECT_EQ(ink_box(kGrey, RECT{40, 0, 80, 40}).right, 56) << "drawn at its own size anyway";
    EXPECT_TRUE(DrawIconEx(screen.dc, INT32_MAX, INT32_MIN, icon, 0, 0, 0, nullptr, DI_NORMAL)) << "off screen";
    EXPECT_FALSE(DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 1, nullptr, DI_NORMAL));
    ExpectViolation("DrawIconEx: unsupported step 1");
    EXPECT_FALSE(DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 0, nullptr, 0));
    ExpectViolation("DrawIconEx: unsupported");
    EXPECT_FALSE(DrawIconEx(screen.dc, 0, 0, nullptr, 0, 0, 0, nullptr, DI_NORMAL)) << "no icon, nothing drawn";

    EXPECT_FALSE(DeleteObject(icon));
    ExpectViolation("icons are released with DestroyIcon");
    EXPECT_EQ(sim::gdi::live_icons(), 1u);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    ExpectViolation("DestroyIcon: stale or unknown icon");
    EXPECT_FALSE(DrawIconEx(screen.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    ExpectViolation("DrawIconEx: stale or unknown icon");
}

}  // namespace
