// SPDX-License-Identifier: MIT
// The window-class registry: atoms, names, instances and classes that still have windows.
#include "UserTestSupport.h"

namespace {

using WindowClass = UserFixture;

LRESULT CALLBACK Plain(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(WindowClass, NamesAreCaseInsensitiveAndAtomsNameTheClass)
{
    HINSTANCE module = reinterpret_cast<HINSTANCE>(0x10000);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Plain;
    wc.hInstance = module;
    wc.lpszClassName = TEXT("CBasicWndClass");
    ATOM atom = RegisterClassW(&wc);
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(sim::user::live_classes(), 1u);

    wc.lpszClassName = TEXT("cbasicwndCLASS");
    SetLastError(0);
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    // By atom as well as by name, in any case.
    HWND byAtom = CreateWindowExW(0, MAKEINTRESOURCEW(atom), nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(byAtom, nullptr);
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassW(TEXT("CBASICWNDCLASS"), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(byAtom);

    // A different instance does not match; a null one does, as on CE.
    EXPECT_FALSE(UnregisterClassW(TEXT("CBasicWndClass"), reinterpret_cast<HINSTANCE>(0x20000)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_TRUE(UnregisterClassW(TEXT("cBasicWndClass"), nullptr));
    EXPECT_EQ(sim::user::live_classes(), 0u);

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassW(TEXT("CBasicWndClass"), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExW(0, MAKEINTRESOURCEW(atom), nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    // Registered again, as at the next load; this time unregistered by its atom.
    wc.lpszClassName = TEXT("CBasicWndClass");
    ATOM again = RegisterClassW(&wc);
    EXPECT_NE(again, 0);
    EXPECT_TRUE(UnregisterClassW(MAKEINTRESOURCEW(again), module));
    EXPECT_EQ(sim::user::live_classes(), 0u);
}

TEST_F(WindowClass, MalformedRegistrationsAreRefused)
{
    struct Case {
        const char* name;
        WNDCLASSW wc;
        const char* violation;
    } cases[] = {
        {"no procedure", WNDCLASSW{0, nullptr, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, TEXT("A")},
         "null window procedure"},
        {"no name", WNDCLASSW{0, &Plain, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
         "string name"},
        {"unsupported style", WNDCLASSW{0x0200, &Plain, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, TEXT("A")},
         "unsupported class style"},
        {"menu", WNDCLASSW{0, &Plain, 0, 0, nullptr, nullptr, nullptr, nullptr, TEXT("M"), TEXT("A")}, "menus"},
        {"negative extra", WNDCLASSW{0, &Plain, 0, -4, nullptr, nullptr, nullptr, nullptr, nullptr, TEXT("A")},
         "extra byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(RegisterClassW(&c.wc), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        ExpectViolation(c.violation);
    }
    EXPECT_EQ(sim::user::live_classes(), 0u);
}

TEST_F(WindowClass, ExtraWindowBytesAreAlignedAndBounded)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Plain;
    wc.cbWndExtra = 8;
    wc.lpszClassName = TEXT("Extra");
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND w = Make('E', 0, nullptr, RECT{0, 0, 1, 1}, TEXT("Extra"));
    EXPECT_EQ(SetWindowLongW(w, 4, 0x1234), 0);
    EXPECT_EQ(GetWindowLongW(w, 4), 0x1234);
    EXPECT_EQ(GetWindowLongW(w, 0), 0);
    EXPECT_EQ(GetWindowLongW(w, 2), 0);
    ExpectViolation("outside the extra bytes");
    EXPECT_EQ(GetWindowLongW(w, 8), 0);
    ExpectViolation("outside the extra bytes");
}

}  // namespace
