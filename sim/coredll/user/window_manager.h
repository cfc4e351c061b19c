// SPDX-License-Identifier: MIT
// State shared by the window-manager sources: classes, windows, message frames, open DCs.
//
// Rule for every source here: never keep a Window* across a call into a window procedure.
// The procedure may destroy the window (or its parent) and free the object; look the
// handle up again afterwards.
#ifndef LINKORY_SIM_COREDLL_USER_WINDOW_MANAGER_H
#define LINKORY_SIM_COREDLL_USER_WINDOW_MANAGER_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "sim/common/HandleTable.h"
#include "sim/coredll/SimUser.h"

namespace sim::user {

// Bits 40-47 of every HWND; GDI's handles use 0xD1-0xD4.
constexpr unsigned kWindowTag = 0x57;

struct WindowClass {
    ATOM atom = 0;
    std::u16string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int wnd_extra = 0;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    size_t windows = 0;  // live windows of the class; it cannot go while any remain
};

struct Window {
    WindowClass* cls = nullptr;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;        // parent (WS_CHILD) or owner (top-level)
    std::vector<HWND> children;   // bottom of the z-order first; owned windows included
    DWORD style = 0;
    DWORD ex_style = 0;
    LONG_PTR user_data = 0;
    std::vector<unsigned char> extra;  // cbWndExtra bytes
    RECT rect{};                  // child: parent client coordinates; top-level: screen
    std::u16string title;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;

    bool update_pending = false;  // update_rect holds an invalid part of the client area
    RECT update_rect{};           // client coordinates
    bool erase_pending = false;

    bool destroying = false;      // DestroyWindow has begun; nested calls do nothing
    int painting = 0;             // WM_PAINT deliveries in progress
    unsigned begin_paints = 0;    // BeginPaint calls so far, to spot a WM_PAINT without one
    HDC paint_dc = nullptr;       // the open BeginPaint context, if any
    RECT paint_rect{};            // its rcPaint, client coordinates
};

// What a pending call into a window procedure was sent from.
enum class FrameKind { Procedure, DefWindowProc, BeginPaint };

struct State {
    HandleTable<Window> windows{kWindowTag};
    std::vector<std::unique_ptr<WindowClass>> classes;
    std::map<std::u16string, std::pair<ATOM, unsigned>> atoms;  // folded name -> atom, references
    std::vector<FrameKind> frames;
    std::vector<std::pair<int, MessageObserver>> observers;
    int next_observer = 1;
    std::map<HDC, HWND> get_dcs;  // contexts from GetDC not yet released (owner may be null)
    bool fail_screen_dc = false;
};

State& state();

inline HWND to_hwnd(uintptr_t value) { return reinterpret_cast<HWND>(value); }
inline uintptr_t from_hwnd(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

// The window behind a live handle, or null without any report.
Window* peek_window(HWND hwnd);
// The window behind a live handle; for a null or stale one: null, last error 1400 and a
// violation naming `api`.
Window* find_window(HWND hwnd, const char* api);
std::string describe_handle(HWND hwnd);

// Case-insensitive (ASCII and Latin-1 letters) class-name key.
std::u16string fold_name(const WCHAR* name);
WindowClass* find_class(const WCHAR* name_or_atom);

// Calls the procedure as the window manager does: observers, depth, frames, and the checks
// on WM_PAINT. Returns 0 without a call when the window is no longer live.
LRESULT deliver(HWND hwnd, WNDPROC proc, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int procedure_depth();

// Keeps a frame of the given kind on the stack for the lifetime of the scope. Truncates on
// exit rather than popping, so a longjmp out of a nested frame cannot leave the stack long.
class FrameScope {
public:
    explicit FrameScope(FrameKind kind);
    ~FrameScope();
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

private:
    size_t size_;
};

// Geometry (winpos.cpp).
POINT client_origin(const Window& window);
RECT visible_clip(const Window& window);  // screen coordinates; empty when hidden
bool is_visible(const Window& window);
RECT client_rect(const Window& window);

// Rectangles (rect.cpp).
bool rect_is_empty(const RECT& r);
RECT rect_intersect(const RECT& a, const RECT& b);  // empty (all 0) when they do not meet
RECT rect_union(const RECT& a, const RECT& b);
RECT rect_offset(const RECT& r, LONG dx, LONG dy);

// Painting (painting.cpp).
void invalidate(Window& window, const RECT* client, bool erase);
void invalidate_tree(HWND hwnd);  // the window and its visible descendants, with erase
void close_paint(Window& window, const char* why);  // ends an open BeginPaint with a violation
void release_window_dcs(HWND hwnd, const char* api);  // DCs still out at destruction

// Window lifetime (window.cpp).
bool destroy_window(HWND hwnd);

}  // namespace sim::user

#endif
