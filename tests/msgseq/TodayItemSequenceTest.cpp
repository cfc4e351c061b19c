// SPDX-License-Identifier: MIT
// Message sequences between a Today item and its host: creation, polls, taps, paint, faults, unload.
#include <gtest/gtest.h>

#include "support/MessageLog.h"
#include "unit/framework/FrameworkFixture.h"

namespace {

class TodayItemSequence : public FrameworkFixture {
protected:
    void SetUp() override
    {
        FrameworkFixture::SetUp();
        log.reset(new MessageLog());
        log->WatchHost(host->Window());
    }

    void TearDown() override
    {
        delete item;
        log.reset();
        FrameworkFixture::TearDown();
    }

    // Makes the item and gives it the size a host would after the first poll.
    void MakeSized()
    {
        item = MakeItem();
        ASSERT_TRUE(SetWindowPos(item->Window(), NULL, 0, 0, 240, 20, SWP_NOZORDER));
        UpdateWindow(item->Window());
        log->Clear();
        item->calls.clear();
    }

    WPARAM ItemParam() const { return reinterpret_cast<WPARAM>(item->Window()); }

    std::unique_ptr<MessageLog> log;
    ProbeItem* item = NULL;
};

}  // namespace

TEST_F(TodayItemSequence, CreationRoutesWmCreateWithTheWindowKnown)
{
    item = new ProbeItem();
    ASSERT_NE(item->Create(instance, &host->Record(), host->Window()), (HWND)NULL);
    // Create on an enabled record: WM_CREATE is the first and only protocol message.
    const std::vector<ExpectedMessage> kCreate = {
        {WM_CREATE, kResult, 0, 0, 0, 0},
    };
    EXPECT_SEQUENCE(*log, kCreate, "item window created");
    EXPECT_EQ(item->hwndAtCreate, item->Window());
}

// Each poll is one QUERYREFRESHCACHE answered TRUE when the height the item set differs
// from the host's record; an item that repaints at once does so inside the poll.
TEST_F(TodayItemSequence, PollsAnswerWhetherTheHeightChangedAndMayRepaintInside)
{
    struct Case {
        const char* name;
        int height, heightOnRefresh;
        BOOL refreshAnswer;
        bool redraw;
        DWORD cyp;
        LRESULT answer;
        DWORD cypAfter;
    };
    const Case kCases[] = {
        {"same height", 40, -1, FALSE, false, 40, FALSE, 40},
        {"grown since the last poll", 40, -1, FALSE, false, 20, TRUE, 40},
        {"new content at the same height", 40, -1, TRUE, false, 40, FALSE, 40},
        {"height set during the poll", 20, 55, FALSE, false, 20, TRUE, 55},
        {"shrunk to nothing", 0, -1, FALSE, false, 20, TRUE, 0},
        {"grown and repainted at once", 0, 20, TRUE, true, 0, TRUE, 20},
    };
    MakeSized();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        item->SetHeight(c.height);
        item->heightOnRefresh = c.heightOnRefresh;
        item->refreshAnswer = c.refreshAnswer;
        item->redrawOnRefresh = c.redraw;
        host->Record().cyp = c.cyp;
        item->calls.clear();
        log->Clear();
        EXPECT_EQ(host->Poll(item->Window()), c.answer);
        std::vector<ExpectedMessage> expected = {{WM_TODAYCUSTOM_QUERYREFRESHCACHE, kResult, 0, 0, c.answer, 0}};
        if (c.redraw) {
            expected.push_back({WM_PAINT, kResult, 0, 0, 0, 1});
            expected.push_back({WM_ERASEBKGND, kInPaint | kResult, 0, 0, 1, 2});
            expected.push_back({TODAYM_DRAWWATERMARK, kToHost, 0, 0, 0, 3});
        }
        EXPECT_SEQUENCE(*log, expected, c.name);
        EXPECT_EQ(host->Record().cyp, c.cypAfter);
        EXPECT_EQ(item->calls.front(), "OnQueryRefreshCache");
    }
    // A poll without a record still refreshes, and changes nothing.
    item->redrawOnRefresh = false;
    item->calls.clear();
    EXPECT_EQ(SendMessageW(item->Window(), WM_TODAYCUSTOM_QUERYREFRESHCACHE, 0, 0), FALSE);
    EXPECT_EQ(item->calls, std::vector<std::string>{"OnQueryRefreshCache"});
}

// A tap asks the host for the selection only when the item is selectable, selects on a tap
// and does not hold the selection yet; the tap itself never changes the selection.
TEST_F(TodayItemSequence, TapAsksForTheSelectionOnlyWhenItShould)
{
    struct Case {
        const char* name;
        BOOL selectable, selectOnTap, selected;
        bool asks;
    };
    const Case kCases[] = {
        {"plain tap", TRUE, TRUE, FALSE, true},
        {"already selected", TRUE, TRUE, TRUE, false},
        {"select-on-tap off", TRUE, FALSE, FALSE, false},
        {"not selectable", FALSE, TRUE, FALSE, false},
    };
    MakeSized();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        item->SetSelectable(TRUE);
        const UINT selection = c.selected ? WM_TODAYCUSTOM_RECEIVEDSELECTION : WM_TODAYCUSTOM_LOSTSELECTION;
        SendMessageW(item->Window(), selection, 0, 0);
        item->SetSelectable(c.selectable);
        item->SetSelectOnTap(c.selectOnTap);
        item->calls.clear();
        log->Clear();
        EXPECT_EQ(SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 7)), 0);
        std::vector<ExpectedMessage> expected = {{WM_LBUTTONDOWN, kLParam | kResult, 0, MAKELPARAM(5, 7), 0, 0}};
        if (c.asks)
            expected.push_back({TODAYM_TOOKSELECTION, kToHost | kWParam | kLParam, ItemParam(), 0, 0, 1});
        EXPECT_SEQUENCE(*log, expected, c.name);
        EXPECT_EQ(item->calls, std::vector<std::string>{"OnLButtonDown 5 7"});
        EXPECT_EQ(item->Selected(), c.selected);
    }

    // A host that passes the selection does so inside the tap, with the key of a move down.
    item->SetSelectable(TRUE);
    item->SetSelectOnTap(TRUE);
    SendMessageW(item->Window(), WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
    host->SetPassSelection(true);
    log->Clear();
    const std::vector<ExpectedMessage> kPassed = {
        {WM_LBUTTONDOWN, kResult, 0, 0, 0, 0},
        {TODAYM_TOOKSELECTION, kToHost | kWParam, ItemParam(), 0, 0, 1},
        {WM_TODAYCUSTOM_RECEIVEDSELECTION, kWParam | kResult, VK_DOWN, 0, TRUE, 2},
    };
    SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(6, 8));
    EXPECT_SEQUENCE(*log, kPassed, "tap with a host that passes the selection");
    EXPECT_TRUE(item->Selected());

    // Coordinates are unsigned 16-bit halves.
    item->calls.clear();
    SendMessageW(item->Window(), WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 0x8000));
    EXPECT_EQ(item->calls, std::vector<std::string>{"OnLButtonUp 65535 32768"});
}

TEST_F(TodayItemSequence, SelectedBackgroundAsksForTheHighlight)
{
    MakeSized();
    SendMessageW(item->Window(), WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
    log->Clear();
    // Repaint of a selected item: the highlight colour instead of the watermark.
    const std::vector<ExpectedMessage> kPaintSelected = {
        {WM_PAINT, 0, 0, 0, 0, 0},
        {WM_ERASEBKGND, kInPaint | kResult, 0, 0, 1, 1},
        {TODAYM_GETCOLOR, kToHost | kWParam, TODAYCOLOR_HIGHLIGHT, 0, 0, 2},
    };
    ASSERT_TRUE(item->Redraw());
    EXPECT_SEQUENCE(*log, kPaintSelected, "repaint while selected");
}

TEST_F(TodayItemSequence, FaultingTapGetsTheDefaultAnswerAndTheNextTapRoutes)
{
    MakeSized();
    for (Fault fault : {Fault::kNullWrite, Fault::kThrow}) {
        SCOPED_TRACE(fault == Fault::kThrow ? "throw" : "null write");
        item->faultOn = WM_LBUTTONDOWN;
        item->fault = fault;
        interpose::def_proc_calls().clear();
        // The handler faults before the item could ask the host; DefWindowProcW answers.
        const std::vector<ExpectedMessage> kFaulted = {
            {WM_LBUTTONDOWN, kResult, 0, 0, 0, 0},
        };
        SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
        EXPECT_SEQUENCE(*log, kFaulted, "tap whose handler faults");
        EXPECT_EQ(interpose::def_proc_count(item->Window()), 1u);

        item->faultOn = 0;
        const std::vector<ExpectedMessage> kRouted = {
            {WM_LBUTTONDOWN, kResult, 0, 0, 0, 0},
            {TODAYM_TOOKSELECTION, kToHost, 0, 0, 0, 1},
        };
        SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
        EXPECT_SEQUENCE(*log, kRouted, "tap after the fault");
    }
}

TEST_F(TodayItemSequence, UnloadDestroysTheWindowThroughTheBaseOnly)
{
    MakeSized();
    HWND window = item->Window();
    interpose::def_proc_calls().clear();
    delete item;
    item = NULL;
    // Deleting the item: the window's last two messages, nothing to the host; the derived
    // parts are gone by then, so the base class answers both with DefWindowProcW.
    const std::vector<ExpectedMessage> kUnload = {
        {WM_DESTROY, kResult, 0, 0, 0, 0},
        {WM_NCDESTROY, kResult, 0, 0, 0, 0},
    };
    EXPECT_SEQUENCE(*log, kUnload, "item deleted");
    EXPECT_EQ(interpose::def_proc_count(window), 2u);
}
