// SPDX-License-Identifier: MIT
// CBasicWnd: binds one platform window of the class "CBasicWndClass" to one object.
#ifndef LINKORY_FRAMEWORK_BASICWND_H
#define LINKORY_FRAMEWORK_BASICWND_H

#include "platform/win32.h"

// The object owns its window: it destroys it when it is destroyed itself. Every window
// made through Create carries a pointer to its object in GWL_USERDATA; StaticWindowProc
// finds the object there and hands each message to its virtual WindowProc under the
// fault guard. A window is detached (GWL_USERDATA cleared) before it could outlive its
// object, so no message ever reaches a freed object.
class CBasicWnd {
public:
    CBasicWnd();

    // Slot 0. Destroys the window; a window that refuses is detached instead.
    virtual ~CBasicWnd();

    // Slot 1. Handles one message of the object's window; hwnd is the receiving window.
    // The base answers DefWindowProcW(hwnd, ...).
    virtual LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Slot 2. Called before every WindowProc; its result is not used.
    virtual LRESULT PreWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Slot 3. Sends a message to the object's own window (0 while there is none).
    virtual LRESULT SendMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // Makes the object's window, registering the class first if needed; the object is the
    // creation parameter, so hwnd is set while WM_CREATE is handled. A window left from an
    // earlier Create is detached from the object. TRUE when a window was made; on failure
    // hwnd is null, and hwndParent too unless the class could not be registered.
    BOOL Create(HINSTANCE hInstance, HWND hwndParent, DWORD style, DWORD exStyle, LPCWSTR title,
                int x, int y, int cx, int cy, HMENU menu);

    // Registers "CBasicWndClass" for hInstance and returns its atom, 0 on failure.
    WORD RegisterWindowClass(HINSTANCE hInstance);

    // Removes the class if it is registered (result ignored) and forgets its atom.
    static void UnregisterWindowClass();

    // Destroys the window if there is one. TRUE when there is none afterwards; FALSE when
    // DestroyWindow refused, in which case hwnd keeps its value.
    BOOL Destroy();

    // The class's window procedure.
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // GetDeviceCaps(index) of the screen, or -1 when no screen device context is available.
    static int GetScreenDeviceCaps(int index);

    // The class atom of this load, 0 while the class is not registered.
    static WORD GetClassAtom() { return classAtom; }

protected:
    HINSTANCE hInstance;  // module that registered the class and owns the window
    HWND hwnd;            // the object's window; null while there is none
    HWND hwndParent;      // parent given to Create; valid while WM_CREATE is handled

private:
    // Not copyable: declared and never defined.
    CBasicWnd(const CBasicWnd&);
    CBasicWnd& operator=(const CBasicWnd&);

    // Clears GWL_USERDATA of window if it still points to this object.
    void Detach(HWND window);

    // One message handed to the object under the fault guard.
    struct Dispatch;
    friend struct Dispatch;

    static const WCHAR className[];
    static WORD classAtom;
};

#endif  // LINKORY_FRAMEWORK_BASICWND_H
