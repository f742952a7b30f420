#include "chart/gui/bitmap_image.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

// Both ways every colour is kept exactly, whatever format the image comes in.
TEST(BitmapImage, ConversionsKeepEveryColourExactly)
{
    Bitmap bitmap(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap.setPixel(x, y, rgb(std::uint8_t(x * 37), std::uint8_t(y * 61), std::uint8_t(255 - x * y)));
    const QImage image = toQImage(bitmap);
    EXPECT_EQ(image.pixel(3, 2), qRgb(3 * 37, 2 * 61, 255 - 6));
    EXPECT_EQ(fromQImage(image), bitmap);
    EXPECT_EQ(fromQImage(image.convertToFormat(QImage::Format_ARGB32)), bitmap);
    EXPECT_TRUE(fromQImage(QImage()).empty());
    EXPECT_TRUE(toQImage(Bitmap()).isNull());
}

}  // namespace
}  // namespace tivka
