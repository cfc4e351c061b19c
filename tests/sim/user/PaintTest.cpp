// SPDX-License-Identifier: MIT
// Invalidation, WM_PAINT and WM_ERASEBKGND, device contexts, and what SetWindowPos changes.
#include "UserTestSupport.h"

namespace {

class Paint : public UserFixture {
protected:
    void SetUp() override
    {
        UserFixture::SetUp();
        ASSERT_NE(RegisterTestClass(), 0);
        ASSERT_NE(RegisterTestClass(TEXT("Redraw"), CS_HREDRAW | CS_VREDRAW), 0);
    }

    // A procedure that paints properly and answers WM_ERASEBKGND with `eraseAnswer`.
    void PaintScript()
    {
        script = [this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
            if (msg == WM_ERASEBKGND) {
                eraseDc = reinterpret_cast<HDC>(wParam);
                result = eraseAnswer;
                return true;
            }
            if (msg != WM_PAINT)
                return false;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return true;
        };
    }

    std::string UpdateRect(HWND hwnd)
    {
        sim::user::WindowInfo info;
        if (!sim::user::describe_window(hwnd, info))
            return "gone";
        return info.update_pending ? Str(info.update_rect) : "valid";
    }

    PAINTSTRUCT ps{};
    HDC eraseDc = nullptr;
    LRESULT eraseAnswer = 0;
};

TEST_F(Paint, UpdateWindowPaintsOnlyWhatIsInvalid)
{
    PaintScript();
    HWND w = Make('W', WS_VISIBLE, nullptr, RECT{0, 0, 100, 50});
    Log();
    EXPECT_EQ(UpdateRect(w), "0,0,100,50");  // shown: all of it is invalid

    ASSERT_TRUE(UpdateWindow(w));
    EXPECT_EQ(Log(), "W:WM_PAINT/0 W:WM_ERASEBKGND/1+p");
    EXPECT_EQ(Str(ps.rcPaint), "0,0,100,50");
    EXPECT_EQ(eraseDc, ps.hdc);
    EXPECT_TRUE(ps.fErase);  // the erase handler answered 0
    UpdateWindow(w);
    EXPECT_EQ(Log(), "");

    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(Log(), "W:WM_PAINT/0");
    EXPECT_EQ(Str(ps.rcPaint), "10,5,40,20");
    EXPECT_FALSE(ps.fErase);

    eraseAnswer = 1;
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_EQ(Log(), "W:WM_PAINT/0 W:WM_ERASEBKGND/1+p");
    EXPECT_FALSE(ps.fErase);

    ShowWindow(w, SW_HIDE);
    EXPECT_EQ(Log(), "W:WM_SHOWWINDOW/0 W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0");
    InvalidateRect(w, nullptr, TRUE);
    UpdateWindow(w);
    EXPECT_EQ(Log(), "");  // hidden windows are not painted
    EXPECT_FALSE(InvalidateRect(nullptr, nullptr, TRUE));
    ExpectViolation("would repaint every window");
}

TEST_F(Paint, DefaultEraseFillsWithTheClassBrushInsideTheParents)
{
    const size_t objects = sim::gdi::live_objects();
    ASSERT_NE(RegisterTestClass(TEXT("Brushed"), 0, CreateSolidBrush(RGB(255, 0, 0))), 0);
    HWND p = Make('P', WS_VISIBLE, nullptr, RECT{10, 10, 110, 60});
    HWND c = Make('C', WS_CHILD | WS_VISIBLE, p, RECT{80, 20, 130, 70}, TEXT("Brushed"));
    sim::gdi::clear_screen(0x000000);
    UpdateWindow(c);
    EXPECT_EQ(Log(), "P:WM_CREATE/0 C:WM_CREATE/0 C:WM_PAINT/0 C:WM_ERASEBKGND/1+d+p");
    // Screen pixels: inside both; inside the child but right of the parent; parent only.
    EXPECT_EQ(sim::gdi::pixel(90, 30), 0xFF0000u);
    EXPECT_EQ(sim::gdi::pixel(109, 59), 0xFF0000u);
    EXPECT_EQ(sim::gdi::pixel(110, 30), 0x000000u);
    EXPECT_EQ(sim::gdi::pixel(95, 60), 0x000000u);
    EXPECT_EQ(sim::gdi::pixel(89, 30), 0x000000u);

    DestroyWindow(p);
    EXPECT_TRUE(UnregisterClassW(TEXT("Brushed"), nullptr));
    EXPECT_EQ(sim::gdi::live_objects(), objects);  // the class brush went with the class
}

TEST_F(Paint, ParentPaintRepaintsTheChildrenUnderIt)
{
    PaintScript();
    HWND p = Make('P', WS_VISIBLE, nullptr, RECT{0, 0, 200, 100});
    Make('C', WS_CHILD | WS_VISIBLE, p, RECT{0, 50, 200, 100});
    Log();
    UpdateWindow(p);
    EXPECT_EQ(Log(), "P:WM_PAINT/0 P:WM_ERASEBKGND/1+p C:WM_PAINT/0 C:WM_ERASEBKGND/1+p");

    RECT above{0, 0, 200, 40}, across{0, 30, 10, 60};
    InvalidateRect(p, &above, TRUE);
    UpdateWindow(p);
    EXPECT_EQ(Log(), "P:WM_PAINT/0 P:WM_ERASEBKGND/1+p");
    InvalidateRect(p, &across, FALSE);
    UpdateWindow(p);
    EXPECT_EQ(Log(), "P:WM_PAINT/0 C:WM_PAINT/0 C:WM_ERASEBKGND/1+p");
    EXPECT_EQ(Str(ps.rcPaint), "0,0,10,10");  // the child's part of the painted rectangle
}

TEST_F(Paint, PaintingMisuseIsReportedAndDoesNotLoop)
{
    HWND w = Make('W', WS_VISIBLE);
    Log();
    // No BeginPaint at all: reported, and the window is validated all the same.
    script = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT&) { return msg == WM_PAINT; };
    UpdateWindow(w);
    ExpectViolation("without BeginPaint");
    UpdateWindow(w);
    EXPECT_EQ(Log(), "W:WM_PAINT/0");

    // BeginPaint without EndPaint: reported and the context closed.
    script = [](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT&) {
        PAINTSTRUCT ps;
        return msg == WM_PAINT && BeginPaint(hwnd, &ps) != nullptr;
    };
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    ExpectViolation("without EndPaint");
    EXPECT_EQ(sim::gdi::live_dcs(), 0u);

    PAINTSTRUCT stray{};
    EXPECT_FALSE(EndPaint(w, &stray));
    ExpectViolation("no matching BeginPaint");
}

TEST_F(Paint, DeviceContextsAreAccountedFor)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
    ExpectViolation("did not come from GetDC");

    sim::user::fail_screen_dc(true);
    EXPECT_EQ(GetDC(nullptr), nullptr);
    sim::user::fail_screen_dc(false);

    HWND w = Make('W', WS_VISIBLE);
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    DestroyWindow(w);
    ExpectViolation("GetDC context not released");
    EXPECT_EQ(sim::gdi::live_dcs(), 0u);
}

TEST_F(Paint, SetWindowPosSendsAndInvalidates)
{
    // A child of a validated parent, itself validated, then one SetWindowPos.
    struct Case {
        const char* name;
        const WCHAR* cls;
        int x, y, cx, cy;
        UINT flags;
        const char* log;
        const char* update;
        const char* parentUpdate;
    } cases[] = {
        {"grow, redraw class", TEXT("Redraw"), 0, 0, 100, 80, SWP_NOMOVE,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0 W:WM_SIZE/1+d", "0,0,100,80", "valid"},
        {"grow, plain class", TEXT("TestWnd"), 0, 0, 100, 80, SWP_NOMOVE,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0 W:WM_SIZE/1+d", "0,50,100,80", "valid"},
        {"shrink", TEXT("TestWnd"), 0, 0, 100, 20, SWP_NOMOVE,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0 W:WM_SIZE/1+d", "valid", "0,20,100,50"},
        {"grow without redraw", TEXT("Redraw"), 0, 0, 100, 80, SWP_NOMOVE | SWP_NOREDRAW,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0 W:WM_SIZE/1+d", "valid", "valid"},
        {"move", TEXT("TestWnd"), 0, 30, 0, 0, SWP_NOSIZE,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0 W:WM_MOVE/1+d", "0,0,100,50", "0,0,100,30"},
        {"unchanged", TEXT("Redraw"), 0, 0, 100, 50, 0,
         "W:WM_WINDOWPOSCHANGING/0 W:WM_WINDOWPOSCHANGED/0", "valid", "valid"},
    };
    PaintScript();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND p = Make('P', WS_VISIBLE, nullptr, RECT{0, 0, 240, 320});
        HWND w = Make('W', WS_CHILD | WS_VISIBLE, p, RECT{0, 0, 100, 50}, c.cls);
        UpdateWindow(p);
        Log();
        EXPECT_TRUE(SetWindowPos(w, nullptr, c.x, c.y, c.cx, c.cy, c.flags | SWP_NOZORDER));
        EXPECT_EQ(Log(), c.log);
        EXPECT_EQ(UpdateRect(w), c.update);
        EXPECT_EQ(UpdateRect(p), c.parentUpdate);
        DestroyWindow(p);
    }
    EXPECT_FALSE(SetWindowPos(Make('W', 0), nullptr, 0, 0, 1, 1, SWP_NOZORDER | 0x0200));
    ExpectViolation("unsupported flags");
}

TEST_F(Paint, WindowPosChangingMayAlterTheChange)
{
    HWND w = Make('W', 0, nullptr, RECT{0, 0, 100, 50});
    LPARAM changedSize = 0;
    script = [&](HWND, UINT msg, WPARAM, LPARAM lParam, LRESULT&) {
        if (msg == WM_WINDOWPOSCHANGING)
            reinterpret_cast<WINDOWPOS*>(lParam)->cx = 77;
        if (msg == WM_SIZE)
            changedSize = lParam;
        return false;
    };
    MoveWindow(w, 5, 6, 200, 60, TRUE);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(Str(r), "5,6,82,66");
    EXPECT_EQ(changedSize, MAKELPARAM(77, 60));
}

TEST(Rect, EdgesAndEmptiness)
{
    RECT r;
    SetRect(&r, 10, 20, 30, 40);
    struct Case {
        LONG x, y;
        BOOL inside;
    } points[] = {{10, 20, TRUE}, {29, 39, TRUE}, {30, 20, FALSE}, {10, 40, FALSE}, {9, 25, FALSE}};
    for (const Case& c : points) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(PtInRect(&r, POINT{c.x, c.y}), c.inside);
    }
    EXPECT_FALSE(IsRectEmpty(&r));
    RECT flat{5, 5, 5, 9}, inverted{5, 9, 9, 5};
    EXPECT_TRUE(IsRectEmpty(&flat));
    EXPECT_TRUE(IsRectEmpty(&inverted));
    SetRectEmpty(&r);
    EXPECT_TRUE(IsRectEmpty(&r));
    EXPECT_EQ(Str(r), "0,0,0,0");
}

}  // namespace
