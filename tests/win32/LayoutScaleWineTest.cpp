// SPDX-License-Identifier: MIT
// The item's distances are (int)(k * scale), scale = dpi * (1/96), each step a double as on the
// device. The 32-bit build must not keep the product at the x87 unit's 64-bit precision
// (mingw's start-up setting): there it is truncated before rounding and loses a pixel.
#include <gtest/gtest.h>

namespace {

// Through memory, as the item keeps its factor in a member: no constant folding.
int Scaled(double k, int dpi)
{
    volatile double perInch = 1.0 / 96.0;
    volatile double dots = dpi;
    volatile double factor = dots * perInch;
    volatile double units = k;
    return static_cast<int>(units * factor);
}

}  // namespace

TEST(WineLayoutArithmetic, DistancesAreTruncatedDoubleProducts)
{
    const struct {
        int dpi;
        double k;
        int pixels;
    } kCases[] = {
        // 3 x 1.333... and 12 x 1.333... round to 4 and 16 as doubles; unrounded they stay
        // just below and truncate to 3 and 15.
        {128, 3.0, 4},
        {128, 12.0, 16},
        {96, 19.0, 19},
        {192, 28.0, 56},
        {131, 12.0, 16},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(Scaled(c.k, c.dpi), c.pixels) << c.k << " units at " << c.dpi << " dpi";
}
