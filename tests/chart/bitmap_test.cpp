#include "chart/bitmap.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

// The view turns the chart a quarter counter-clockwise: its left edge becomes
// the view's bottom row. A window copied past the chart's edge matches no
// colour there.
TEST(BitmapTest, QuarterTurnAndWindowsKeepEveryPixelInPlace)
{
    Bitmap chart(5, 3, colours::white), view(3, 5, colours::white), window(3, 3);
    chart.setPixel(0, 0, colours::teal);
    chart.setPixel(4, 2, colours::olive);
    view.setPixel(0, 4, colours::teal);
    view.setPixel(2, 0, colours::olive);
    EXPECT_EQ(turnQuarter(chart), view);
    window.pixels().assign(9, colours::none);
    window.draw(Bitmap(2, 2, colours::white), 0, 0);
    window.setPixel(1, 1, colours::olive);
    Bitmap copied(3, 3);
    copied.copyFrom(chart, 3, 1);
    EXPECT_EQ(copied, window);
}

}  // namespace
}  // namespace tivka
