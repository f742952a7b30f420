#include "chart/bitmap.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

TEST(BitmapTest, PixelsOutsideMatchNoColour)
{
    Bitmap b(3, 2, colours::black);
    EXPECT_EQ(b.pixel(2, 1), colours::black);
    EXPECT_EQ(b.pixel(3, 0), colours::none);
    EXPECT_EQ(b.pixel(-1, 0), colours::none);
    EXPECT_NE(b.pixel(0, 2), colours::black);
}

TEST(BitmapTest, CopyFromKeepsOutsideAsNone)
{
    Bitmap chart(4, 4, colours::teal);
    Bitmap window(3, 3);
    window.copyFrom(chart, 2, 2);
    EXPECT_EQ(window.pixel(0, 0), colours::teal);
    EXPECT_EQ(window.pixel(1, 1), colours::teal);
    EXPECT_EQ(window.pixel(2, 2), colours::none);
}

// A chart of 500 x 250 gives a view of 250 x 500.
TEST(BitmapTest, QuarterTurnMapsCorners)
{
    Bitmap chart(500, 250);
    chart.setPixel(0, 0, rgb(1, 0, 0));
    chart.setPixel(499, 0, rgb(2, 0, 0));
    chart.setPixel(499, 249, rgb(3, 0, 0));
    const Bitmap view = turnQuarter(chart);
    ASSERT_EQ(view.width(), 250);
    ASSERT_EQ(view.height(), 500);
    EXPECT_EQ(view.pixel(0, 499), rgb(1, 0, 0));
    EXPECT_EQ(view.pixel(0, 0), rgb(2, 0, 0));
    EXPECT_EQ(view.pixel(249, 0), rgb(3, 0, 0));
}

}  // namespace
}  // namespace tivka
