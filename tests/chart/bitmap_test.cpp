#include "chart/bitmap.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

// The view turns the chart a quarter counter-clockwise: its left edge becomes
// the view's bottom row. A window copied past the chart's edge matches no colour there.
TEST(BitmapTest, QuarterTurnAndWindowsKeepEveryPixelInPlace)
{
    Bitmap chart(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            chart.setPixel(x, y, rgb(std::uint8_t(x), std::uint8_t(y), 7));
    const Bitmap view = turnQuarter(chart);
    ASSERT_EQ(view.width(), 3);
    ASSERT_EQ(view.height(), 5);
    EXPECT_EQ(view.pixel(0, 4), rgb(0, 0, 7));
    EXPECT_EQ(view.pixel(2, 0), rgb(4, 2, 7));
    Bitmap window(3, 3);
    window.copyFrom(chart, 3, 1);
    EXPECT_EQ(window.pixel(1, 1), rgb(4, 2, 7));
    EXPECT_EQ(window.pixel(2, 0), colours::none);
    EXPECT_EQ(window.pixel(0, 2), colours::none);
}

}  // namespace
}  // namespace tivka
