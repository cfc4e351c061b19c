// SPDX-License-Identifier: MIT
// GetWindowLong / SetWindowLong and their pointer-sized forms.
#include <cstring>
#include <string>

#include "sim/common/Violations.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {
namespace {

// Style bits that cannot change after creation: they decide what the parent is.
constexpr DWORD kFixedStyles = WS_CHILD | WS_POPUP;
constexpr DWORD kSupportedStyles =
    WS_POPUP | WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | 0xFFFF;

bool refuse(const char* api, DWORD error, const std::string& why)
{
    SetLastError(error);
    report_violation(api, why);
    return false;
}

// The 32-bit forms cannot carry a procedure pointer on a 64-bit host.
bool index_fits(const char* api, int index, size_t width)
{
    if (index == GWL_WNDPROC && width < sizeof(WNDPROC))
        return refuse(api, ERROR_INVALID_INDEX, "GWL_WNDPROC needs the pointer-sized form on this host");
    return true;
}

// Extra window bytes: CE wants offsets that are multiples of 4, inside cbWndExtra.
bool extra_slot(const char* api, const Window& window, int index, size_t width)
{
    if (index % 4 != 0 || static_cast<size_t>(index) + width > window.extra.size())
        return refuse(api, ERROR_INVALID_INDEX, "offset " + std::to_string(index) + " outside the extra bytes");
    return true;
}

bool get_long(const char* api, HWND hwnd, int index, size_t width, LONG_PTR& value)
{
    Window* window = find_window(hwnd, api);
    if (!window || !index_fits(api, index, width))
        return false;
    switch (index) {
    case GWL_WNDPROC: value = reinterpret_cast<LONG_PTR>(window->proc); return true;
    case GWL_STYLE: value = static_cast<LONG>(window->style); return true;
    case GWL_EXSTYLE: value = static_cast<LONG>(window->ex_style); return true;
    case GWL_USERDATA: value = window->user_data; return true;
    default: break;
    }
    if (index < 0)
        return refuse(api, ERROR_INVALID_INDEX, "unsupported index " + std::to_string(index));
    if (!extra_slot(api, *window, index, width))
        return false;
    if (width == sizeof(LONG)) {
        LONG v;
        std::memcpy(&v, &window->extra[static_cast<size_t>(index)], sizeof v);
        value = v;
    } else {
        std::memcpy(&value, &window->extra[static_cast<size_t>(index)], sizeof value);
    }
    return true;
}

bool check_style(const char* api, DWORD old_style, DWORD new_style)
{
    if (new_style & ~kSupportedStyles)
        return refuse(api, ERROR_INVALID_PARAMETER, "unsupported style bits " + std::to_string(new_style & ~kSupportedStyles));
    if ((new_style ^ old_style) & kFixedStyles)
        return refuse(api, ERROR_INVALID_PARAMETER, "WS_CHILD and WS_POPUP cannot change after creation");
    return true;
}

bool set_long(const char* api, HWND hwnd, int index, size_t width, LONG_PTR value, LONG_PTR& previous)
{
    if (!get_long(api, hwnd, index, width, previous))
        return false;
    Window* window = peek_window(hwnd);
    switch (index) {
    case GWL_WNDPROC:
        if (!value)
            return refuse(api, ERROR_INVALID_PARAMETER, "null window procedure");
        window->proc = reinterpret_cast<WNDPROC>(value);
        return true;
    case GWL_STYLE:
        if (!check_style(api, window->style, static_cast<DWORD>(value)))
            return false;
        window->style = static_cast<DWORD>(value);
        return true;
    case GWL_EXSTYLE:
        if (static_cast<DWORD>(value) & ~static_cast<DWORD>(WS_EX_TRANSPARENT))
            return refuse(api, ERROR_INVALID_PARAMETER, "unsupported extended style bits");
        window->ex_style = static_cast<DWORD>(value);
        return true;
    case GWL_USERDATA:
        window->user_data = value;
        return true;
    default:
        break;
    }
    if (width == sizeof(LONG)) {
        LONG v = static_cast<LONG>(value);
        std::memcpy(&window->extra[static_cast<size_t>(index)], &v, sizeof v);
    } else {
        std::memcpy(&window->extra[static_cast<size_t>(index)], &value, sizeof value);
    }
    return true;
}

// What a 32-bit read hands back; a value that does not survive the cut is a caller that
// stored a pointer and reads it with the wrong form.
LONG narrow(const char* api, int index, LONG_PTR value)
{
    if (value != static_cast<LONG_PTR>(static_cast<LONG>(value)))
        report_violation(api, "index " + std::to_string(index) +
                                  " holds a value wider than 32 bits; GetWindowLongPtrW would keep it whole");
    return static_cast<LONG>(value);
}

}  // namespace
}  // namespace sim::user

using namespace sim::user;

// GetWindowLongW (coredll): GWL_WNDPROC, GWL_STYLE, GWL_EXSTYLE, GWL_USERDATA and extra
// bytes, the indexes CE documents; GWL_WNDPROC is refused on a 64-bit host, where the
// pointer does not fit (the device is 32-bit).
extern "C" LONG WINAPI GetWindowLongW(HWND hwnd, int index)
{
    LONG_PTR value = 0;
    if (!get_long("GetWindowLongW", hwnd, index, sizeof(LONG), value))
        return 0;
    return narrow("GetWindowLongW", index, value);
}

// SetWindowLongW (coredll): stores the value sign-extended, as 64-bit Windows does.
extern "C" LONG WINAPI SetWindowLongW(HWND hwnd, int index, LONG value)
{
    LONG_PTR previous = 0;
    if (!set_long("SetWindowLongW", hwnd, index, sizeof(LONG), value, previous))
        return 0;
    return static_cast<LONG>(previous);
}

// GetWindowLongPtrW (coredll): on the 32-bit device a macro for GetWindowLongW.
extern "C" LONG_PTR WINAPI GetWindowLongPtrW(HWND hwnd, int index)
{
    LONG_PTR value = 0;
    return get_long("GetWindowLongPtrW", hwnd, index, sizeof(LONG_PTR), value) ? value : 0;
}

// SetWindowLongPtrW (coredll): on the 32-bit device a macro for SetWindowLongW.
extern "C" LONG_PTR WINAPI SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value)
{
    LONG_PTR previous = 0;
    return set_long("SetWindowLongPtrW", hwnd, index, sizeof(LONG_PTR), value, previous) ? previous : 0;
}
