#include "chart/bitmap.h"

#include <stdexcept>

namespace tivka {

Bitmap::Bitmap(int width, int height, Colour fill)
{
    if (width < 0 || height < 0)
        throw std::length_error("bitmap size must not be negative");
    width_ = width;
    height_ = height;
    pixels_.assign(std::size_t(width) * std::size_t(height), fill & 0xFFFFFFu);
}

void Bitmap::copyFrom(const Bitmap& source, int sx, int sy)
{
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = source.pixel(sx + x, sy + y);
}

void Bitmap::draw(const Bitmap& source, int x, int y)
{
    for (int sy = 0; sy < source.height(); ++sy)
        for (int sx = 0; sx < source.width(); ++sx)
            setPixel(x + sx, y + sy, source.pixel(sx, sy));
}

Bitmap turnQuarter(const Bitmap& chart)
{
    const int w = chart.width();
    const int h = chart.height();
    Bitmap view(h, w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            view.setPixel(y, w - 1 - x, chart.pixel(x, y));
    return view;
}

}  // namespace tivka
