// SPDX-License-Identifier: MIT
// Linkory.dll on the screen: layout at three densities, pixels, language files, reloads, memory.
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

std::vector<LONG> Corners(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

TEST_F(LinkoryScreen, LayoutFollowsTheScreenDensity)
{
    struct Case {
        int width, height, dpi, font;
        DWORD collapsed, expanded;
        LONG textLeft, textTop, icon;  // header icon at (icon, icon)
        int bigIcon, toggleIcon;
        RECT box;
    };
    const Case kCases[] = {
        {240, 320, 96, 12, 20, 112, 28, 3, 2, 16, 10, {228, 2, 238, 12}},
        {240, 320, 131, 16, 26, 151, 38, 4, 2, 22, 14, {224, 2, 237, 15}},
        {480, 640, 192, 24, 39, 229, 56, 6, 4, 32, 20, {456, 4, 476, 24}},
    };
    cm::set_model(TwoDescribed());
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.dpi);
        sim::gdi::set_screen(c.width, c.height, c.dpi, c.dpi);
        sim::aygshell::set_font_size_pixels(c.font);
        StartHost();
        Load();
        // The first poll reports t(20 sy), set at creation; the paint it brings measures.
        host->poll();
        EXPECT_EQ(Height(), DWORD(20 * c.dpi / 96));
        host->poll();
        EXPECT_EQ(Height(), c.collapsed);
        ASSERT_TRUE(host->tap(c.box.left, c.box.top));
        Record();
        host->poll();
        EXPECT_EQ(Height(), c.expanded);

        std::vector<sim::gdi::GdiCall> text = Only("DrawTextW");
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(Corners(text[0].rect), (std::vector<LONG>{c.textLeft, c.textTop, c.width - 2, LONG(c.expanded) - 2}));
        std::vector<sim::gdi::GdiCall> icons = Only("DrawIconEx");
        ASSERT_EQ(icons.size(), 2u);
        EXPECT_EQ(Corners(icons[0].rect), (std::vector<LONG>{c.icon, c.icon, c.icon + c.bigIcon, c.icon + c.bigIcon}));
        EXPECT_EQ(Corners(icons[1].rect), (std::vector<LONG>{c.box.left, c.box.top, c.box.left + c.toggleIcon,
                                                             c.box.top + c.toggleIcon}));
        ASSERT_EQ(Only("DrawFrameControl").size(), 1u);
        EXPECT_EQ(Corners(Only("DrawFrameControl")[0].rect), Corners(c.box));
        StopRecording();
        host.reset();
    }
}

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
    EXPECT_EQ(Corners(inBox), Corners(kBox)) << "the push-button face fills the box";
    EXPECT_GE(inIcon.right - inIcon.left, 10);
    EXPECT_GE(inIcon.bottom - inIcon.top, 10);
    EXPECT_LE(inText.left, 30) << "the header starts at the text rectangle";
    EXPECT_GT(inText.right, 120) << "\"Active Connections: 1\" runs on";
    EXPECT_LT(inText.right, 228);
    EXPECT_GE(inText.bottom - inText.top, 7);
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
            WriteLanguage(name, "[Main]\n1=Keine (" + name.substr(8, 4) + ")\n");
        Load(library);
        Record();
        host->poll();
        EXPECT_EQ(Only("DrawTextW").at(0).text, c.shown);
        StopRecording();
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
    host->unload_all();
    EXPECT_EQ(sim::gdi::live_icons(), 0u);
}

TEST_F(LinkoryScreen, AllocationFailuresAtLoadLeaveNothingBehind)
{
    cm::set_model(TwoDescribed());
    StartHost();
    unsigned long start = sim::kernel::heap_allocation_count();
    Load();
    const unsigned long needed = sim::kernel::heap_allocation_count() - start;
    host->unload(0);

    int withoutWindow = 0;
    for (unsigned long n = 1; n <= needed; ++n) {
        SCOPED_TRACE(n);
        sim::kernel::heap_fail_nth(n);
        size_t item = Load();
        sim::kernel::heap_fail_off();
        if (Window(item)) {
            host->poll();
            EXPECT_EQ(Height(item), 20u);
        } else {
            ++withoutWindow;
        }
        host->unload(item);
    }
    EXPECT_GE(withoutWindow, 1) << "an item that cannot be made gives the host no window";
}

TEST_F(LinkoryScreen, StatusBufferThatCannotGrowIsAFailedPoll)
{
    cm::Model model = TwoDescribed();
    for (int i = 0; i < 8; ++i)
        model.connections.push_back(Up(u"Another connection with a long name", {cm::Address::ipv4(10, 1, 0, 1)}));
    cm::set_model(model);
    Load();
    Record();
    // One block per destination and one for the index that ends the list, the list's
    // storage, the first 1024 bytes, then the grown buffer.
    cm::reset_call_counts();
    sim::kernel::heap_fail_nth(5);
    host->poll();
    sim::kernel::heap_fail_off();
    EXPECT_EQ(cm::call_counts().query_detailed_status, 1u) << "no query after the failed allocation";
    EXPECT_EQ(Texts(), std::vector<std::u16string>{u"No active connections"});

    Record();
    host->poll();
    ASSERT_FALSE(Texts().empty());
    EXPECT_EQ(Texts()[0], u"Active Connections: 10");
}
