// SPDX-License-Identifier: MIT
// Tests of the counters behind the budgets and of the rig's Connection Manager model.
#include <gtest/gtest.h>

#include "bench/Probes.h"
#include "bench/TodayRig.h"
#include "support/SimFixture.h"

namespace {

const WCHAR kProbeClass[] = TEXT("BenchProbe");

class ProbesTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = kProbeClass;
        RegisterClassW(&wc);
    }
    void TearDown() override
    {
        UnregisterClassW(kProbeClass, nullptr);
        SimFixture::TearDown();
    }
    HWND MakeWindow(DWORD style)
    {
        return CreateWindowExW(0, kProbeClass, TEXT(""), WS_POPUP | style, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
    }
};

TEST_F(ProbesTest, AllocationsAreSortedBySize)
{
    const bench::Counts before = bench::snapshot();
    const SIZE_T sizes[] = {sizeof(CONNMGR_DESTINATION_INFO), sizeof(CONNMGR_DESTINATION_INFO) + 16, 64, 1024, 4096};
    for (SIZE_T size : sizes)
        LocalFree(LocalAlloc(LMEM_FIXED, size));
    const bench::Counts d = bench::snapshot() - before;
    EXPECT_EQ(d.record_blocks, 2);
    EXPECT_EQ(d.allocations, 5);
    EXPECT_EQ(d.frees, 5);
    EXPECT_EQ(d.live_blocks, 0);
}

TEST_F(ProbesTest, StatusBufferChangesAndResizesAreSeen)
{
    BYTE* first = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, 1024));
    DWORD size = 1024;
    ConnMgrQueryDetailedStatus(reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(first), &size);

    struct Step {
        const char* what;
        bool realloc_buffer;
        bool free_buffer;
        double changes;
        double resizes;
    } steps[] = {
        {"same buffer again", false, false, 0, 0},
        {"buffer resized in place", true, false, 1, 1},
        {"buffer freed and another made", false, true, 1, 1},
    };
    BYTE* buffer = first;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const bench::Counts before = bench::snapshot();
        if (step.realloc_buffer)
            buffer = static_cast<BYTE*>(LocalReAlloc(buffer, 2048, LMEM_MOVEABLE));
        if (step.free_buffer) {
            LocalFree(buffer);
            buffer = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, 1024));
        }
        size = 1024;
        ConnMgrQueryDetailedStatus(reinterpret_cast<CONNMGR_CONNECTION_DETAILED_STATUS*>(buffer), &size);
        const bench::Counts d = bench::snapshot() - before;
        EXPECT_EQ(d.status_buffer_changes, step.changes);
        EXPECT_EQ(d.status_buffer_resizes, step.resizes);
        EXPECT_EQ(d.status_queries, 1);
    }
    LocalFree(buffer);
}

TEST_F(ProbesTest, OnlyFontsThatAreReallyDeletedCount)
{
    LOGFONTW font = {};
    font.lfHeight = -12;
    HFONT a = CreateFontIndirectW(&font);
    HFONT b = CreateFontIndirectW(&font);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HWND window = MakeWindow(0);
    HDC dc = GetDC(window);
    HGDIOBJ original = SelectObject(dc, b);

    const bench::Counts before = bench::snapshot();
    DeleteObject(a);
    DeleteObject(brush);
    DeleteObject(b);  // still selected: refused
    ExpectViolation("still selected");
    bench::Counts d = bench::snapshot() - before;
    EXPECT_EQ(d.fonts_deleted, 1);
    EXPECT_EQ(d.live_gdi_objects, -2);

    SelectObject(dc, original);
    DeleteObject(b);
    d = bench::snapshot() - before;
    EXPECT_EQ(d.fonts_deleted, 2);
    ReleaseDC(window, dc);
    DestroyWindow(window);
}

TEST_F(ProbesTest, PaintsAreCountedForTheWatchedWindowOnly)
{
    HWND windows[2];
    for (HWND& w : windows)
        w = MakeWindow(WS_VISIBLE);
    bench::watch_paints(windows[1]);
    const bench::Counts before = bench::snapshot();
    for (HWND w : windows) {
        InvalidateRect(w, nullptr, TRUE);
        UpdateWindow(w);
    }
    EXPECT_EQ((bench::snapshot() - before).paints, 1);
    bench::watch_paints(nullptr);
    InvalidateRect(windows[1], nullptr, TRUE);
    UpdateWindow(windows[1]);
    EXPECT_EQ((bench::snapshot() - before).paints, 1);
    for (HWND w : windows)
        DestroyWindow(w);
}

TEST(BenchModel, ConnectionsLeadToTheLastDestination)
{
    const sim::cellcore::Model model = bench::make_model(5, 4, 3);
    ASSERT_EQ(model.destinations.size(), 5u);
    ASSERT_EQ(model.connections.size(), 4u);
    for (size_t i = 0; i < model.destinations.size(); ++i) {
        for (size_t j = i + 1; j < model.destinations.size(); ++j)
            EXPECT_FALSE(sim::cellcore::same_guid(model.destinations[i].guid, model.destinations[j].guid));
    }
    for (size_t i = 0; i < model.connections.size(); ++i) {
        SCOPED_TRACE(i);
        const sim::cellcore::Connection& c = model.connections[i];
        EXPECT_TRUE(sim::cellcore::same_guid(c.destination, model.destinations.back().guid));
        EXPECT_EQ(c.status, i < 3 ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_DISCONNECTED);
        EXPECT_EQ(c.addresses.size(), 1u);
    }
}

}  // namespace
