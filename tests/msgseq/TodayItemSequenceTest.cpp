// SPDX-License-Identifier: MIT
// Message sequences between a Today item and its host: creation, polls, taps, paint, unload.
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

TEST_F(TodayItemSequence, PollsAndRepaintsInsideThePoll)
{
    MakeSized();
    // Host polls, nothing changed.
    const std::vector<ExpectedMessage> kPollUnchanged = {
        {WM_TODAYCUSTOM_QUERYREFRESHCACHE, kResult, 0, 0, FALSE, 0},
    };
    host->Record().cyp = 0;
    EXPECT_EQ(host->Poll(item->Window()), FALSE);
    EXPECT_SEQUENCE(*log, kPollUnchanged, "poll with nothing new");

    // Host polls, the item repaints at once and grows to 20 pixels.
    const std::vector<ExpectedMessage> kPollGrew = {
        {WM_TODAYCUSTOM_QUERYREFRESHCACHE, kResult, 0, 0, TRUE, 0},
        {WM_PAINT, kResult, 0, 0, 0, 1},
        {WM_ERASEBKGND, kInPaint | kResult, 0, 0, 1, 2},
        {TODAYM_DRAWWATERMARK, kToHost | kWParam, 0, 0, 0, 3},
    };
    item->redrawOnRefresh = true;
    item->heightOnRefresh = 20;
    EXPECT_EQ(host->Poll(item->Window()), TRUE);
    EXPECT_SEQUENCE(*log, kPollGrew, "poll after the content grew");
    EXPECT_EQ(host->Record().cyp, 20u);
}

TEST_F(TodayItemSequence, TapAsksForTheSelectionOnce)
{
    MakeSized();
    host->SetPassSelection(true);
    // Tap on an unselected item: the host is asked and passes the selection back.
    const std::vector<ExpectedMessage> kFirstTap = {
        {WM_LBUTTONDOWN, kLParam | kResult, 0, MAKELPARAM(5, 7), 0, 0},
        {TODAYM_TOOKSELECTION, kToHost | kWParam | kLParam, ItemParam(), 0, 0, 1},
        {WM_TODAYCUSTOM_RECEIVEDSELECTION, kWParam | kResult, VK_DOWN, 0, TRUE, 2},
    };
    SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 7));
    EXPECT_SEQUENCE(*log, kFirstTap, "tap on an unselected item");

    // Tap on the selected item: nothing is asked.
    const std::vector<ExpectedMessage> kSecondTap = {
        {WM_LBUTTONDOWN, kResult, 0, 0, 0, 0},
    };
    SendMessageW(item->Window(), WM_LBUTTONDOWN, 0, MAKELPARAM(6, 8));
    EXPECT_SEQUENCE(*log, kSecondTap, "tap on the selected item");
    EXPECT_EQ(item->calls, (std::vector<std::string>{"OnReceivedSelection", "OnLButtonDown 5 7", "OnLButtonDown 6 8"}));
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
