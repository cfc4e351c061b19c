// SPDX-License-Identifier: MIT
// CBasicWnd: the window class, window creation and destruction, and message routing.
#include "framework/BasicWnd.h"

#include "platform/FaultGuard.h"

const WCHAR CBasicWnd::className[] = TEXT("CBasicWndClass");
WORD CBasicWnd::classAtom = 0;

namespace {

CBasicWnd* object_of(HWND hwnd)
{
    return reinterpret_cast<CBasicWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace

// One message on its way to its object, run under the fault guard.
struct CBasicWnd::Dispatch {
    CBasicWnd* object;
    HWND window;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;

    static void Run(void* context)
    {
        Dispatch* call = static_cast<Dispatch*>(context);
        if (call->msg == WM_CREATE)
            call->object->hwnd = call->window;
        call->object->PreWindowProc(call->window, call->msg, call->wParam, call->lParam);
        call->result = call->object->WindowProc(call->window, call->msg, call->wParam, call->lParam);
    }
};

CBasicWnd::CBasicWnd() : hInstance(NULL), hwnd(NULL), hwndParent(NULL) {}

CBasicWnd::~CBasicWnd()
{
    // The derived parts are gone, so the messages DestroyWindow sends now reach only
    // this class's WindowProc. If the window survives (only a window refuses), it must not
    // keep pointing here.
    if (!Destroy())
        Detach(hwnd);
}

LRESULT CBasicWnd::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CBasicWnd::PreWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT CBasicWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == NULL)
        return 0;
    return ::SendMessageW(hwnd, msg, wParam, lParam);
}

WORD CBasicWnd::RegisterWindowClass(HINSTANCE instance)
{
    hInstance = instance;
    WNDCLASSW wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = StaticWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    classAtom = RegisterClassW(&wc);
    return classAtom;
}

void CBasicWnd::UnregisterWindowClass()
{
    UnregisterClassW(className, NULL);
    classAtom = 0;
}

BOOL CBasicWnd::Create(HINSTANCE instance, HWND parent, DWORD style, DWORD exStyle, LPCWSTR title,
                       int x, int y, int cx, int cy, HMENU menu)
{
    if (classAtom == 0 && RegisterWindowClass(instance) == 0)
        return FALSE;
    // The object follows its newest window; an earlier one must not route here any more.
    if (hwnd != NULL) {
        Detach(hwnd);
        hwnd = NULL;
    }
    hInstance = instance;
    hwndParent = parent;
    HWND created = CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, menu,
                                   instance, this);
    hwnd = created;
    if (hwnd == NULL) {
        hwndParent = NULL;
        return FALSE;
    }
    return TRUE;
}

BOOL CBasicWnd::Destroy()
{
    if (hwnd == NULL)
        return TRUE;
    if (!DestroyWindow(hwnd))
        return FALSE;
    hwnd = NULL;
    return TRUE;
}

void CBasicWnd::Detach(HWND window)
{
    // The object's own window is live and bound to it while it has one; the check keeps
    // a recycled handle of another window untouched.
    if (IsWindow(window) && object_of(window) == this)  // LCOV_EXCL_BR_LINE: always true here
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

int CBasicWnd::GetScreenDeviceCaps(int index)
{
    HDC screen = GetDC(NULL);
    if (screen == NULL)
        return -1;
    int value = GetDeviceCaps(screen, index);
    ReleaseDC(NULL, screen);
    return value;
}

LRESULT CALLBACK CBasicWnd::StaticWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CBasicWnd* object = object_of(window);
    if (object == NULL) {
        // Only WM_CREATE brings the object, as the creation parameter. A window made
        // without one, or a message before WM_CREATE (Win32 sends WM_NCCREATE first),
        // stays a plain default window.
        const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (msg != WM_CREATE || cs == NULL || cs->lpCreateParams == NULL)
            return DefWindowProcW(window, msg, wParam, lParam);
        object = static_cast<CBasicWnd*>(cs->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    }

    Dispatch call = {object, window, msg, wParam, lParam, 0};
    bool completed = RunGuarded(Dispatch::Run, &call);
    LRESULT result = completed ? call.result : DefWindowProcW(window, msg, wParam, lParam);

    // WM_NCDESTROY is the window's last message: afterwards its handle is stale and may be
    // reused, so the object lets go of it even when the window was destroyed from outside.
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        // Only a window made outside Create for an object with a newer one differs.
        if (object->hwnd == window)  // LCOV_EXCL_BR_LINE: always true for windows Create made
            object->hwnd = NULL;
    }
    return result;
}
