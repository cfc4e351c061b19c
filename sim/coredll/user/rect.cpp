// SPDX-License-Identifier: MIT
// Rectangle helpers, exported and internal.
#include <algorithm>

#include "sim/common/Violations.h"
#include "sim/coredll/user/window_manager.h"

namespace sim::user {

bool rect_is_empty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

RECT rect_intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return rect_is_empty(r) ? RECT{} : r;
}

RECT rect_union(const RECT& a, const RECT& b)
{
    if (rect_is_empty(a))
        return b;
    if (rect_is_empty(b))
        return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT rect_offset(const RECT& r, LONG dx, LONG dy)
{
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace sim::user

namespace {
BOOL null_rect(const char* api)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    sim::report_violation(api, "null rectangle");
    return FALSE;
}
}  // namespace

// PtInRect (coredll): the right and bottom edges are outside.
extern "C" BOOL WINAPI PtInRect(const RECT* rect, POINT pt)
{
    if (!rect)
        return null_rect("PtInRect");
    return pt.x >= rect->left && pt.x < rect->right && pt.y >= rect->top && pt.y < rect->bottom;
}

// SetRect (coredll).
extern "C" BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return null_rect("SetRect");
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

// SetRectEmpty (coredll).
extern "C" BOOL WINAPI SetRectEmpty(LPRECT rect)
{
    if (!rect)
        return null_rect("SetRectEmpty");
    *rect = RECT{};
    return TRUE;
}

// IsRectEmpty (coredll): a null rectangle counts as empty, as on Windows.
extern "C" BOOL WINAPI IsRectEmpty(const RECT* rect)
{
    return !rect || sim::user::rect_is_empty(*rect);
}
