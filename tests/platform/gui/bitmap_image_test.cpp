#include "chart/gui/bitmap_image.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

TEST(BitmapImage, RoundTripKeepsEveryColourExactly)
{
    Bitmap bitmap(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap.setPixel(x, y, rgb(std::uint8_t(x * 37), std::uint8_t(y * 61), std::uint8_t(255 - x * y)));
    bitmap.setPixel(0, 0, colours::black);
    bitmap.setPixel(6, 4, colours::white);

    const QImage image = toQImage(bitmap);
    ASSERT_EQ(image.size(), QSize(7, 5));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(3, 2), qRgb(3 * 37, 2 * 61, 255 - 6));
    EXPECT_EQ(fromQImage(image), bitmap);
}

TEST(BitmapImage, OtherFormatsAndNullImages)
{
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(10, 20, 30, 255));
    argb.setPixel(1, 0, qRgba(128, 128, 0, 255));
    const Bitmap fromArgb = fromQImage(argb);
    EXPECT_EQ(fromArgb.pixel(0, 0), rgb(10, 20, 30));
    EXPECT_EQ(fromArgb.pixel(1, 0), colours::olive);

    EXPECT_TRUE(fromQImage(QImage()).empty());
    EXPECT_TRUE(toQImage(Bitmap()).isNull());
}

}  // namespace
}  // namespace tivka
