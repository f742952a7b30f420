#include "chart/gui/bitmap_image.h"

namespace tivka {

QImage toQImage(const Bitmap& bitmap)
{
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x)
            line[x] = 0xFF000000u | bitmap.pixel(x, y);
    }
    return image;
}

Bitmap fromQImage(const QImage& image)
{
    if (image.isNull())
        return Bitmap();
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image
                                                              : image.convertToFormat(QImage::Format_RGB32);
    Bitmap bitmap(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            bitmap.setPixel(x, y, Colour(line[x] & 0xFFFFFFu));
    }
    return bitmap;
}

}  // namespace tivka
