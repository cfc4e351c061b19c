// SPDX-License-Identifier: MIT
// Linkory.dll in the Today host: load, polls, connections coming and going, taps and keys.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/E2EFixture.h"
#include "sim/coredll/SimAcquire.h"

namespace {

using Linkory = E2EFixture;
using Lines = std::vector<std::u16string>;

cm::Model OneUp()
{
    cm::Model model;
    model.destinations = {{cm::kDestInternet, u"The Internet"}};
    model.connections = {Up(u"GPRS line", {cm::Address::ipv4(10, 0, 0, 5)})};
    return model;
}

}  // namespace

TEST_F(Linkory, LoadPollAndUnloadLeaveNothingBehind)
{
    StartHost();
    auto counts = [] {
        const sim::kernel::HeapStats heap = sim::kernel::heap_stats();
        return std::vector<size_t>{heap.live_blocks, heap.live_bytes, sim::gdi::live_objects(), sim::gdi::live_icons(),
                                   sim::user::live_windows(), sim::user::live_classes(), sim::loader::loaded_modules()};
    };
    const std::vector<size_t> before = counts();

    size_t item = Load();
    ASSERT_NE(Window(item), (HWND)NULL);
    EXPECT_EQ(GetParent(Window(item)), host->window());
    EXPECT_EQ(sim::gdi::live_icons(), 4u);
    EXPECT_EQ(Height(item), 0u) << "the host learns the height at its first poll";
    EXPECT_TRUE(host->options_proc(item)(nullptr, WM_INITDIALOG, 0, 0));

    Record();
    EXPECT_TRUE(host->poll());
    EXPECT_EQ(Height(item), 20u);
    EXPECT_EQ(Str(host->item_rect(item)), "0,0,240,20");
    EXPECT_EQ(Texts(), Lines{u"No active connections"});
    EXPECT_FALSE(host->poll()) << "nothing changed";

    // Heap, GDI objects, icons, windows, the window class and the module all go with it.
    EXPECT_EQ(host->unload(item), std::vector<std::string>{});
    EXPECT_EQ(counts(), before);
}

TEST_F(Linkory, AClassLeftRegisteredUnderItsNameIsReplacedAtLoad)
{
    // As an earlier load that could not unregister would leave it, with a stale procedure.
    WNDCLASSW stale = {};
    stale.lpfnWndProc = DefWindowProcW;
    stale.lpszClassName = TEXT("CBasicWndClass");
    ASSERT_NE(RegisterClassW(&stale), 0);
    const size_t item = Load();
    ASSERT_NE(Window(item), (HWND)NULL);
    EXPECT_TRUE(host->poll());
    EXPECT_EQ(Height(item), 20u) << "the window routes to the item";
}

TEST_F(Linkory, DisabledRecordsGetNoWindowAndTheEnabledOneKeepsIts)
{
    // Loaded and unloaded without ever being asked for an item.
    HMODULE module = LoadLibraryW(Wide(LINKORY_DLL_PATH).c_str());
    ASSERT_NE(module, (HMODULE)NULL);
    EXPECT_TRUE(FreeLibrary(module));

    StartHost();
    const size_t blocks = sim::kernel::heap_stats().live_blocks;
    Load(LINKORY_DLL_PATH, FALSE);
    EXPECT_EQ(Window(0), (HWND)NULL);
    EXPECT_GT(sim::kernel::heap_stats().live_blocks, blocks) << "the table and the item exist all the same";
    size_t item = Load();
    HWND window = Window(item);
    ASSERT_NE(window, (HWND)NULL);
    Load(LINKORY_DLL_PATH, FALSE);
    EXPECT_TRUE(IsWindow(window)) << "no new window, so the item keeps its own";
    EXPECT_TRUE(host->poll());
    host->unload_all();
    EXPECT_EQ(sim::kernel::heap_stats().live_blocks, blocks);
}

TEST_F(Linkory, AConnectionComingUpIsPaintedBeforeThePollReturns)
{
    Load();
    host->poll();
    cm::set_model(OneUp());
    Record();
    Lines seenAtAnswer;
    BOOL answer = TRUE;
    listener.onPoll = [&](size_t, BOOL a, DWORD) {
        seenAtAnswer = Texts();
        answer = a;
    };
    host->poll();
    EXPECT_EQ(seenAtAnswer, Lines{u"Active Connections: 1"});
    EXPECT_EQ(answer, FALSE) << "collapsed, the height is the same";
    EXPECT_EQ(Height(), 20u);
    ASSERT_EQ(Only("DrawFrameControl").size(), 1u);
    ASSERT_EQ(Only("DrawIconEx").size(), 2u);
    EXPECT_EQ(Only("DrawIconEx")[0].icon_id, 101);
    EXPECT_EQ(Only("DrawIconEx")[1].icon_id, 104) << "the plus sign while collapsed";

    // New details, the same count: left for the next paint.
    cm::Model moved = OneUp();
    moved.connections[0].addresses = {cm::Address::ipv4(10, 0, 0, 6)};
    cm::set_model(moved);
    Record();
    EXPECT_FALSE(host->poll());
    EXPECT_EQ(Texts(), Lines{});
}

TEST_F(Linkory, TapsToggleOnlyInsideTheToggleBox)
{
    cm::set_model(OneUp());
    Load();
    host->poll();
    // Collapsed, one described connection: 20 high; expanded: 3 + 12 + 48 + 1.
    struct Tap {
        int x, y;
        DWORD height;
        bool selects;
    };
    const Tap kTaps[] = {
        {228, 2, 64, false},  // top left corner of the box (228, 2, 238, 12)
        {237, 11, 20, false}, // its last pixel
        {238, 5, 20, true},   // right edge line: outside
        {230, 12, 20, true},  // bottom edge line: outside
        {100, 8, 20, true},   // the header line
    };
    for (const Tap& t : kTaps) {
        SCOPED_TRACE(std::to_string(t.x) + "," + std::to_string(t.y));
        host->deselect();
        ASSERT_TRUE(host->tap(t.x, t.y));
        EXPECT_EQ(host->selected(), t.selects ? 0 : -1);
        host->poll();
        EXPECT_EQ(Height(), t.height);
    }
}

TEST_F(Linkory, ActionKeyWhileNothingIsUpExpandsTheNextConnection)
{
    Load();
    host->poll();
    ASSERT_TRUE(host->select(0));
    Record();
    ASSERT_TRUE(host->action());
    EXPECT_EQ(Texts(), Lines{u"No active connections"}) << "repainted at once";
    EXPECT_FALSE(host->poll());
    EXPECT_EQ(Height(), 20u);

    cm::set_model(OneUp());
    Record();
    EXPECT_TRUE(host->poll());
    EXPECT_EQ(Height(), 64u);
    const Lines kExpanded = {u"Active Connections: 1", u"GPRS line", u"IP Address: 10.0.0.5",
                             u"Type: Cellular/GPRS", u"Connected to: The Internet"};
    Lines drawn = Texts();
    ASSERT_GE(drawn.size(), kExpanded.size());
    EXPECT_EQ(Lines(drawn.end() - kExpanded.size(), drawn.end()), kExpanded);
    EXPECT_EQ(Only("DrawIconEx").back().icon_id, 105) << "the minus sign while expanded";
}

TEST_F(Linkory, TheWindowOfASecondInitializationStartsUnselected)
{
    cm::set_model(OneUp());
    Load();
    host->poll();
    ASSERT_TRUE(host->select(0));
    // The second initialization replaces the selected window; the host offers the new one nothing.
    const size_t item = Load();
    HWND window = Window(item);
    ASSERT_NE(window, (HWND)NULL);
    EXPECT_FALSE(IsWindow(Window(0)));
    host->poll();
    auto sent = [&](const std::string& request) {
        return std::count(listener.requests.begin(), listener.requests.end(), request);
    };
    const std::string highlight = "TODAYM_GETCOLOR " + std::to_string(TODAYCOLOR_HIGHLIGHT);
    const std::string highlightedText = "TODAYM_GETCOLOR " + std::to_string(TODAYCOLOR_HIGHLIGHTEDTEXT);
    const std::string text = "TODAYM_GETCOLOR " + std::to_string(TODAYCOLOR_TEXT);

    listener.requests.clear();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    EXPECT_EQ(sent("TODAYM_DRAWWATERMARK 0"), 1) << "the background is the watermark";
    EXPECT_EQ(sent(text), 1);
    EXPECT_EQ(sent(highlight) + sent(highlightedText), 0) << "nothing is drawn highlighted";

    // A tap beside the toggle box asks for the selection, which the host then gives.
    listener.requests.clear();
    const RECT where = host->item_rect(item);
    ASSERT_TRUE(host->tap(where.left + 100, where.top + 8));
    EXPECT_EQ(sent("TODAYM_TOOKSELECTION " + std::to_string(reinterpret_cast<WPARAM>(window))), 1);
    EXPECT_EQ(host->selected(), int(item));
}

TEST_F(Linkory, InitializationWithoutARecordMakesNothing)
{
    StartHost();
    HMODULE module = LoadLibraryW(Wide(LINKORY_DLL_PATH).c_str());
    ASSERT_NE(module, (HMODULE)NULL);
    auto init = reinterpret_cast<PFNCUSTOMINITIALIZEITEM>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ORDINAL_INITIALIZEITEM))));
    ASSERT_NE(init, nullptr);
    const size_t blocks = sim::kernel::heap_stats().live_blocks;
    EXPECT_EQ(init(nullptr, host->window()), (HWND)NULL);
    EXPECT_EQ(sim::kernel::heap_stats().live_blocks, blocks) << "no table and no item for a missing record";
    EXPECT_EQ(sim::user::live_classes(), 1u) << "only the host's class";
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Linkory, IconsOfTheNextWindowHaveTheirSizeWhateverFailedForTheFirst)
{
    // Each GDI or window acquisition of the first load fails in turn; the icons of the window
    // that a second initialization makes are 16 and 10 pixels at 96 dpi all the same.
    StartHost();
    unsigned long count = 0;
    for (unsigned long n = 1; n == 1 || n <= count; ++n) {
        SCOPED_TRACE("acquisition " + std::to_string(n) + " of the first load fails");
        const unsigned long before = sim::acquire::acquisition_count();
        sim::acquire::fail_nth(n);
        Load();
        sim::acquire::fail_off();
        if (n == 1)
            count = sim::acquire::acquisition_count() - before;
        const size_t item = Load();
        ASSERT_NE(Window(item), (HWND)NULL);
        host->poll();
        log.Start(Window(item));
        InvalidateRect(Window(item), nullptr, TRUE);
        UpdateWindow(Window(item));
        const std::vector<sim::gdi::GdiCall> icons = Only("DrawIconEx");
        ASSERT_EQ(icons.size(), 1u) << "the idle icon, without a toggle box";
        EXPECT_EQ(icons[0].cx, 16);
        EXPECT_EQ(icons[0].cy, 16);
        log.Stop();
        host->unload_all();
        EXPECT_EQ(listener.leftovers, std::vector<std::string>{});
    }
    EXPECT_GE(count, 5u) << "window class, window, screen contexts and icons";
}
