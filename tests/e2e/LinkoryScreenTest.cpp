// SPDX-License-Identifier: MIT
// Linkory.dll on the screen: pixels, language files, reloads, memory.
#include <gtest/gtest.h>

#include "e2e/E2EFixture.h"

namespace {

using LinkoryScreen = E2EFixture;

cm::Model TwoDescribed()
{
    cm::Model model;
    model.destinations = {{cm::kDestInternet, u"The Internet"}};
    model.connections = {Up(u"GPRS line", {cm::Address::ipv4(10, 0, 0, 5)}), Up(u"Office")};
    return model;
}

}  // namespace

// The layout figures at each density are checked through todaysim's traces.
TEST_F(LinkoryScreen, HeaderIconsAndToggleBoxArePaintedWhereTheLayoutPutsThem)
{
    cm::Model model = TwoDescribed();
    model.connections.resize(1);
    cm::set_model(model);
    StartHost();
    const int width = sim::gdi::screen_width();
    const std::vector<uint32_t> before(sim::gdi::framebuffer(), sim::gdi::framebuffer() + width * 20);
    Load();
    host->poll();
    ASSERT_EQ(Height(), 20u);

    // The item's background is the Today watermark, so what differs is what the item drew.
    const RECT kIcon = {2, 2, 18, 18}, kText = {28, 3, 238, 18}, kBox = {228, 2, 238, 12};
    RECT inIcon = {width, 20, 0, 0}, inText = inIcon, inBox = inIcon;
    int elsewhere = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < width; ++x) {
            if (sim::gdi::pixel(x, y) == before[size_t(y) * width + x])
                continue;
            const POINT p = {x, y};
            RECT* in = PtInRect(&kBox, p) ? &inBox : PtInRect(&kIcon, p) ? &inIcon : PtInRect(&kText, p) ? &inText : nullptr;
            if (!in) {
                ++elsewhere;
                continue;
            }
            in->left = std::min<LONG>(in->left, x), in->top = std::min<LONG>(in->top, y);
            in->right = std::max<LONG>(in->right, x + 1), in->bottom = std::max<LONG>(in->bottom, y + 1);
        }
    }
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(Str(inBox), Str(kBox)) << "the push-button face fills the box";
    EXPECT_GE(inIcon.right - inIcon.left, 10);
    EXPECT_GE(inIcon.bottom - inIcon.top, 10);
    EXPECT_LE(inText.left, 30) << "the header starts at the text rectangle";
    EXPECT_GT(inText.right, 120) << "\"Active Connections: 1\" runs on";
    EXPECT_LT(inText.right, 228);
    EXPECT_GE(inText.bottom - inText.top, 7);
}

TEST_F(LinkoryScreen, IconSizesAreTheDensityRoundedHalfUp)
{
    // The header icon is 16 and the toggle box's icon 10 pixels at 96 dpi, each axis scaled
    // by its own density and rounded half up (99 and 120 dpi land on halves).
    cm::set_model(TwoDescribed());
    const int kDensities[][2] = {{91, 91}, {92, 93}, {93, 92}, {98, 99}, {99, 98}, {72, 120}, {120, 72}, {131, 192}};
    for (const auto& dpi : kDensities) {
        SCOPED_TRACE(testing::Message() << dpi[0] << " x " << dpi[1] << " dpi");
        host.reset();
        sim::gdi::set_screen(240, 320, dpi[0], dpi[1]);
        const size_t item = Load();
        host->poll();
        log.Start(Window(item));
        InvalidateRect(Window(item), nullptr, TRUE);
        UpdateWindow(Window(item));
        const std::vector<sim::gdi::GdiCall> icons = Only("DrawIconEx");
        const std::vector<sim::gdi::GdiCall> lines = Only("DrawTextW");
        log.Stop();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rect.left, static_cast<int>(28 * dpi[0] / 96.0)) << "the header's place scales too";
        EXPECT_EQ(lines[0].rect.top, static_cast<int>(3 * dpi[1] / 96.0));
        ASSERT_EQ(icons.size(), 2u) << "the connected icon and the toggle box's";
        auto rounded = [](int size, int dpi) { return static_cast<int>(size * dpi / 96.0 + 0.5); };
        EXPECT_EQ(icons[0].cx, rounded(16, dpi[0]));
        EXPECT_EQ(icons[0].cy, rounded(16, dpi[1]));
        EXPECT_EQ(icons[1].cx, rounded(10, dpi[0]));
        EXPECT_EQ(icons[1].cy, rounded(10, dpi[1]));
        host->unload_all();
    }
    // Without a connection no poll repaints: the height is the one the new window set.
    cm::set_model(cm::Model{});
    host.reset();
    sim::gdi::set_screen(240, 320, 96, 144);
    Load();
    host->poll();
    EXPECT_EQ(Height(), 30u);
}

TEST_F(LinkoryScreen, LanguageFileIsChosenByTheDeviceLanguage)
{
    struct Case {
        LANGID language;
        std::vector<std::string> files;
        const char16_t* shown;
    };
    const Case kCases[] = {
        {0x0407, {"Linkory.0407.intl", "Linkory.0007.intl"}, u"Keine (0407)"},
        {0x0407, {"Linkory.0007.intl"}, u"Keine (0007)"},
        {0x0C07, {"Linkory.0007.intl", "Linkory.0409.intl"}, u"Keine (0007)"},
        {0x0409, {"Linkory.0407.intl"}, u"No active connections"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.files.size());
        sim::kernel::set_device_language(c.language);
        std::string library = CopyLibrary();
        for (const std::string& name : c.files)
            folders.back().WriteLanguage(name, "[Main]\n1=Keine (" + name.substr(8, 4) + ")\n");
        Load(library);
        Record();
        host->poll();
        EXPECT_EQ(Only("DrawTextW").at(0).text, c.shown);
        log.Stop();
        host.reset();
    }
}

TEST_F(LinkoryScreen, SecondInitializationMovesTheItemToANewWindow)
{
    Load();
    HWND first = Window(0);
    EXPECT_EQ(sim::gdi::live_icons(), 4u);
    Load();
    EXPECT_EQ(sim::gdi::live_icons(), 4u) << "the first window's icons are released";
    EXPECT_FALSE(IsWindow(first)) << "an old window would outlive the library";
    ASSERT_NE(Window(1), (HWND)NULL);
    cm::set_model(TwoDescribed());
    EXPECT_TRUE(host->poll());
    EXPECT_EQ(Height(1), 20u);
}
