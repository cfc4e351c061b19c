// SPDX-License-Identifier: MIT
// The Today host with the test plug-in: loading, polling and layout, taps, selection, unload,
// and the background it draws for the items.
#include <gtest/gtest.h>

#include <set>

#include "HostFixture.h"
#include "support/GdiLog.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimUser.h"
#include "sim/loader/SimLoader.h"

namespace {

using Events = std::vector<std::string>;
using TodayHost = HostFixture;

std::string narrow(const WCHAR* text)
{
    std::string out;
    for (; *text; ++text)
        out += char(*text);
    return out;
}

TEST_F(TodayHost, LoadFillsTheRecordAndCallsTheExport)
{
    const size_t index = LoadItem();
    ASSERT_EQ(index, 0u);
    const TODAYLISTITEM* record = host->record(index);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(narrow(record->szName) + " " + narrow(record->szDLLPath), "Test item " TESTPLUGIN_PATH);
    // Custom, first, no height yet, enabled, with options (the module has ordinal 241).
    EXPECT_EQ((std::vector<DWORD>{DWORD(record->tlit), record->dwOrder, record->cyp, DWORD(record->fEnabled),
                                  DWORD(record->fOptions), record->dwSelectability}),
              (std::vector<DWORD>{tlitCustom, 0, 0, TRUE, TRUE, TODAY_SELECTABILITY_CUSTOMSELECTION}));
    EXPECT_EQ(record->hinstDLL, reinterpret_cast<HINSTANCE>(host->module(index)));
    ASSERT_NE(record->hwndCustom, nullptr);
    EXPECT_EQ(GetParent(record->hwndCustom), host->window());
    EXPECT_EQ(testplugin::probe().last_parent, host->window());
    EXPECT_TRUE(host->options_proc(index)(nullptr, WM_INITDIALOG, 0, 0));

    // Laid out at the top, full width, as high as the record says (nothing yet): where the
    // plug-in put it already, so no move.
    EXPECT_EQ(Str(host->item_rect(index)), "0,0,240,0");
    EXPECT_EQ(listener.take(), (Events{"loaded 0 window"}));
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"attach", "init", "0:create", "options"}));

    // A disabled item is initialized but makes no window and takes no room.
    const size_t disabled = LoadItem(FALSE);
    EXPECT_EQ(host->record(disabled)->hwndCustom, nullptr);
    EXPECT_FALSE(host->record(disabled)->fEnabled);
    EXPECT_EQ(listener.take(), (Events{"loaded 1 none"}));
    EXPECT_EQ(sim::loader::module_references(host->module(index)), 2);
}

TEST_F(TodayHost, LoadFailuresLeaveNoItem)
{
    struct {
        std::u16string path;
        DWORD error;
    } cases[] = {
        {u"/no/such/Plugin.dll", ERROR_MOD_NOT_FOUND},
        {std::u16string(TESTPLUGIN_PROBE_PATH, TESTPLUGIN_PROBE_PATH + sizeof TESTPLUGIN_PROBE_PATH - 1),
         ERROR_BAD_EXE_FORMAT},
        {u"", ERROR_INVALID_PARAMETER},
        {std::u16string(MAX_PATH, u'a'), ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(host->load(c.path.c_str(), u"Broken"), c.error);
    }
    EXPECT_EQ(host->item_count(), 0u);
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
}

TEST_F(TodayHost, ScreenSizeComesFromTheDevice)
{
    sim::today::Host second;
    EXPECT_EQ(second.create(), DWORD(ERROR_CLASS_ALREADY_EXISTS)) << "one Today screen at a time";
    host.reset();
    sim::gdi::set_screen(480, 640, 192, 192);
    sim::today::Host big;
    ASSERT_EQ(big.create(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(big.size().cx, 480);
    EXPECT_EQ(big.size().cy, 640);
    RECT r;
    GetWindowRect(big.window(), &r);
    EXPECT_EQ(r.right - r.left, 480);
    EXPECT_EQ(r.bottom - r.top, 640);
}

// Each step sets the height the plug-in reports, polls, and checks the answer, the layout
// and whether the items were repainted.
TEST_F(TodayHost, PollLaysOutAndRepaintsOnlyWhenAsked)
{
    LoadItem();
    LoadItem();
    listener.take();
    testplugin::probe().take();
    struct {
        DWORD height;
        bool changed;
        Events lines;
    } steps[] = {
        {24, true, {"poll 0 1 24", "poll 1 1 24", "resize 0 0,0,240,24", "resize 1 0,24,240,48"}},
        {24, false, {"poll 0 0 24", "poll 1 0 24"}},
        {30, true, {"poll 0 1 30", "poll 1 1 30", "resize 0 0,0,240,30", "resize 1 0,30,240,60"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.height);
        testplugin::probe().height = step.height;
        EXPECT_EQ(host->poll(), step.changed);
        Events lines;
        for (const std::string& line : listener.take())
            if (line.rfind("TODAYM_", 0) != 0)
                lines.push_back(line);
        EXPECT_EQ(lines, step.lines);
        Events events = testplugin::probe().take();
        const bool painted = std::find(events.begin(), events.end(), "1:paint") != events.end();
        EXPECT_EQ(painted, step.changed) << "an unchanged poll must not repaint";
        RECT r;
        GetWindowRect(host->record(1)->hwndCustom, &r);
        EXPECT_EQ(r.top, LONG(step.height));
        EXPECT_EQ(r.bottom - r.top, LONG(step.height));
        EXPECT_EQ(r.right - r.left, 240);
    }
}

TEST_F(TodayHost, TapsGoToTheItemUnderThePointInItsCoordinates)
{
    testplugin::probe().height = 24;
    testplugin::probe().take_selection_on_tap = false;
    LoadItem();
    LoadItem();
    host->poll();
    testplugin::probe().take();
    struct {
        int x, y;
        Events events;  // empty: the point is on no item
    } taps[] = {
        {0, 0, {"0:down 0,0", "0:up 0,0"}},     {239, 23, {"0:down 239,23", "0:up 239,23"}},
        {10, 24, {"1:down 10,0", "1:up 10,0"}}, {7, 47, {"1:down 7,23", "1:up 7,23"}},
        {240, 10, {}},                          {5, 48, {}},
        {-1, 5, {}},
    };
    for (const auto& tap : taps) {
        SCOPED_TRACE(std::to_string(tap.x) + "," + std::to_string(tap.y));
        EXPECT_EQ(host->tap(tap.x, tap.y), !tap.events.empty());
        EXPECT_EQ(WithoutPaint(testplugin::probe().take()), tap.events);
    }
}

TEST_F(TodayHost, SelectionPassesBetweenItemsAndCarriesTheActionKey)
{
    testplugin::probe().height = 24;
    LoadItem();
    LoadItem();
    host->poll();
    testplugin::probe().take();
    listener.take();

    // A tap asks for the selection from inside the button-down handler.
    ASSERT_TRUE(host->tap(3, 3));
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"0:down 3,3", "0:received 40", "0:up 3,3"}));
    EXPECT_EQ(host->selected(), 0);
    Events lines = listener.take();
    lines.resize(2);
    EXPECT_EQ(lines, (Events{"selection 0 on", "TODAYM_TOOKSELECTION " +
                                                   std::to_string(reinterpret_cast<WPARAM>(host->record(0)->hwndCustom)) +
                                                   " -> 1"}));

    // The holder loses it before the next item is offered it; both are repainted.
    ASSERT_TRUE(host->tap(3, 30));
    Events events = testplugin::probe().take();
    EXPECT_EQ(WithoutPaint(events), (Events{"1:down 3,6", "0:lost", "1:received 40", "1:up 3,6"}));
    for (const char* repainted : {"0:paint", "1:paint"})
        EXPECT_NE(std::find(events.begin(), events.end(), repainted), events.end()) << repainted;
    EXPECT_EQ(host->selected(), 1);

    EXPECT_TRUE(host->action());
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"1:action 13"}));

    EXPECT_TRUE(host->select(0, VK_UP));
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"1:lost", "0:received 38"}));

    host->deselect();
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"0:lost"}));
    EXPECT_EQ(host->selected(), -1);
    EXPECT_FALSE(host->action());

    // An item may refuse; then nobody holds the selection.
    testplugin::probe().accept_selection = false;
    EXPECT_FALSE(host->select(1));
    EXPECT_EQ(host->selected(), -1);
    testplugin::probe().take();

    // Only the host's own items can take the selection.
    EXPECT_EQ(SendMessageW(host->window(), TODAYM_TOOKSELECTION, reinterpret_cast<WPARAM>(host->window()), 0), FALSE);
    EXPECT_EQ(SendMessageW(host->window(), TODAYM_TOOKSELECTION, 0, 0), FALSE);
    EXPECT_EQ(host->selected(), -1);
}

TEST_F(TodayHost, UnloadClearsTheCacheThenFreesTheModule)
{
    testplugin::probe().height = 24;
    const size_t first = LoadItem();
    const size_t second = LoadItem();
    host->poll();
    host->select(first);
    HWND window = host->record(first)->hwndCustom;
    testplugin::probe().take();
    listener.take();

    // The module stays while another item holds it; its windows are the plug-in's.
    EXPECT_TRUE(host->unload(first).empty());
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"0:clearcache"}));
    EXPECT_EQ(listener.take().front(), "selection 0 off");
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(host->is_loaded(first));

    EXPECT_TRUE(host->unload(second).empty());
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()), (Events{"1:clearcache", "detach", "1:destroy", "0:destroy"}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    EXPECT_TRUE(host->unload(second).empty()) << "a second unload does nothing";
}

TEST_F(TodayHost, UnloadReportsAndRemovesWhatThePluginLeft)
{
    const size_t windows = sim::user::live_windows();
    testplugin::probe().leave_windows = true;
    const size_t index = LoadItem();
    HWND window = host->record(index)->hwndCustom;
    listener.take();

    const std::vector<std::string> left = host->unload(index);
    EXPECT_EQ(left, (std::vector<std::string>{"item window 0 still existed after its module was unloaded",
                                              "1 window class left"}));
    EXPECT_EQ(listener.take().back(),
              "unloaded 0; item window 0 still existed after its module was unloaded; 1 window class left");
    EXPECT_FALSE(IsWindow(window)) << "the orphaned window must go without calling unloaded code";
    EXPECT_EQ(sim::user::live_windows(), windows);
}

TEST_F(TodayHost, DestroyingTheHostUnloadsEverything)
{
    const size_t windows = sim::user::live_windows();
    LoadItem();
    LoadItem();
    testplugin::probe().take();
    host.reset();
    EXPECT_EQ(WithoutPaint(testplugin::probe().take()),
              (Events{"0:clearcache", "1:clearcache", "detach", "1:destroy", "0:destroy"}));
    EXPECT_EQ(sim::loader::loaded_modules(), 0u);
    EXPECT_EQ(sim::user::live_windows(), windows - 1) << "the Today window goes too";
}

// The Today background: a picture rather than a fill, continuous across the items.
using TodayBackground = HostFixture;

std::vector<uint32_t> Screen()
{
    const uint32_t* fb = sim::gdi::framebuffer();
    return std::vector<uint32_t>(fb, fb + size_t(sim::gdi::screen_width()) * sim::gdi::screen_height());
}

TEST_F(TodayBackground, IsAPictureNotAFlatFill)
{
    const std::vector<uint32_t> screen = Screen();
    std::set<uint32_t> colours(screen.begin(), screen.end());
    EXPECT_GE(colours.size(), 20u);
    // Lighter towards the bottom, and not the same along a row that crosses the disc.
    EXPECT_NE(sim::gdi::pixel(2, 2), sim::gdi::pixel(2, 318));
    EXPECT_NE(sim::gdi::pixel(10, 300), sim::gdi::pixel(180, 300));
    EXPECT_NE(sim::gdi::pixel(5, 64), sim::gdi::pixel(5, 65)) << "the faint rule";
}

TEST_F(TodayBackground, ItemsDrawTheirSliceOfTheSamePicture)
{
    const std::vector<uint32_t> alone = Screen();
    testplugin::probe().height = 37;  // not a multiple of the gradient's band
    LoadItem();
    LoadItem();
    sim::gdi::clear_screen(0xFF00FF);
    ASSERT_TRUE(host->poll());
    // The test plug-in paints nothing but the watermark, so the screen must match exactly.
    const std::vector<uint32_t> with_items = Screen();
    size_t differing = 0;
    for (size_t i = 0; i < alone.size(); ++i)
        differing += alone[i] != with_items[i];
    EXPECT_EQ(differing, 0u);

    size_t watermarks = 0;
    for (const std::string& line : listener.take())
        watermarks += line == "TODAYM_DRAWWATERMARK 0 -> 1";
    EXPECT_GE(watermarks, 2u);
}

TEST_F(TodayBackground, ColoursAnswerTheThreeIdsOnly)
{
    struct {
        WPARAM id;
        COLORREF colour;
    } cases[] = {
        {TODAYCOLOR_TEXT, RGB(0, 0, 0)},
        {TODAYCOLOR_HIGHLIGHT, sim::today::kHighlightColor},
        {TODAYCOLOR_HIGHLIGHTEDTEXT, RGB(255, 255, 255)},
        {0x10000005, CLR_INVALID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(COLORREF(SendMessageW(host->window(), TODAYM_GETCOLOR, c.id, 0)), c.colour);
    }
    EXPECT_EQ(SendMessageW(host->window(), TODAYM_DRAWWATERMARK, 0, 0), FALSE);
}

}  // namespace
