// SPDX-License-Identifier: MIT
// The Today screen's background picture.
#ifndef LINKORY_SIM_TODAY_WATERMARK_H
#define LINKORY_SIM_TODAY_WATERMARK_H

#include "platform/win32.h"

namespace sim::today {

// Paints the part `rect` (logical coordinates of `dc`) of the background picture of a Today
// window of size `today`, where logical (0, 0) of `dc` lies at `origin` in the Today window.
// Items paint through this with their own origin, so the picture lines up across them.
void paint_watermark(HDC dc, const RECT& rect, POINT origin, SIZE today);

}  // namespace sim::today

#endif
