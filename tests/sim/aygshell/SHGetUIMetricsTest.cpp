// SPDX-License-Identifier: MIT
// SHGetUIMetrics: the three font metrics, the buffer contract and a shell without them.
#include <gtest/gtest.h>

#include "platform/aygshell.h"
#include "sim/aygshell/SimAygshell.h"
#include "support/SimFixture.h"

namespace {

class SHGetUIMetricsTest : public SimFixture {};

TEST_F(SHGetUIMetricsTest, MetricsFollowTextSizeAndDensity)
{
    struct Case {
        int pixels, dpi;
        SHUIMETRIC metric;
        DWORD value;
    } cases[] = {
        {12, 96, SHUIM_FONTSIZE_PIXEL, 12},       {12, 96, SHUIM_FONTSIZE_POINT, 900},
        {12, 96, SHUIM_FONTSIZE_PERCENTAGE, 100}, {24, 192, SHUIM_FONTSIZE_PIXEL, 24},
        {24, 192, SHUIM_FONTSIZE_POINT, 900},     {24, 192, SHUIM_FONTSIZE_PERCENTAGE, 100},
        {15, 96, SHUIM_FONTSIZE_PERCENTAGE, 125}, {16, 96, SHUIM_FONTSIZE_POINT, 1200},
        {13, 128, SHUIM_FONTSIZE_POINT, 731},     {10, 96, SHUIM_FONTSIZE_PERCENTAGE, 83},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels << " px at " << c.dpi << " dpi, metric " << c.metric);
        sim::aygshell::set_font_size_pixels(c.pixels);
        sim::aygshell::set_dpi(c.dpi);
        DWORD value = 0xDEAD, required = 0;
        EXPECT_EQ(SHGetUIMetrics(c.metric, &value, sizeof(value), &required), S_OK);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(required, 4u);
    }
}

TEST_F(SHGetUIMetricsTest, BufferContract)
{
    DWORD value[2] = {0xDEAD, 0xBEEF}, required = 0;
    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, value, 3, &required), E_INVALIDARG);
    EXPECT_EQ(value[0], 0xDEADu) << "a short buffer is not written";
    EXPECT_EQ(required, 4u) << "but the caller learns the size";

    required = 0;
    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, nullptr, 0, &required), S_OK);
    EXPECT_EQ(required, 4u);
    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, nullptr, 0, nullptr), S_OK);

    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, value, sizeof(value), nullptr), S_OK);
    EXPECT_EQ(value[0], 12u);
    EXPECT_EQ(value[1], 0xBEEFu) << "one DWORD, however large the buffer";

    for (int metric : {0, 4}) {
        EXPECT_EQ(SHGetUIMetrics(static_cast<SHUIMETRIC>(metric), value, 4, &required), E_INVALIDARG);
        ExpectViolation("unknown metric");
    }
}

TEST_F(SHGetUIMetricsTest, ShellWithoutTheMetricWritesNothing)
{
    sim::aygshell::set_writes_nothing(true);
    DWORD value = 0xDEAD, required = 0xBEEF;
    EXPECT_TRUE(FAILED(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, &value, sizeof(value), &required)));
    EXPECT_EQ(value, 0xDEADu);
    EXPECT_EQ(required, 0xBEEFu);
    sim::aygshell::set_writes_nothing(false);
    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_PIXEL, &value, sizeof(value), &required), S_OK);
    EXPECT_EQ(sim::aygshell::call_count(), 2u);
}

TEST_F(SHGetUIMetricsTest, ControlsRefuseNonsenseAndResetToBoot)
{
    sim::aygshell::set_font_size_pixels(20);
    sim::aygshell::set_font_size_pixels(0);
    ExpectViolation("set_font_size_pixels");
    EXPECT_EQ(sim::aygshell::font_size_pixels(), 20);
    sim::aygshell::set_dpi(-5);
    ExpectViolation("set_dpi");
    sim::aygshell::set_writes_nothing(true);

    sim::reset_for_tests();
    DWORD value = 0;
    EXPECT_EQ(SHGetUIMetrics(SHUIM_FONTSIZE_POINT, &value, sizeof(value), nullptr), S_OK);
    EXPECT_EQ(value, 900u);
}

}  // namespace
