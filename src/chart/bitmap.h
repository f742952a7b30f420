#pragma once

#include <cstdint>
#include <vector>

namespace tivka {

// A colour as 0x00RRGGBB, 8 bits per channel. Colours are only ever compared
// for exact equality.
using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return (Colour(r) << 16) | (Colour(g) << 8) | Colour(b);
}

namespace colours {
constexpr Colour black = rgb(0, 0, 0);
constexpr Colour white = rgb(255, 255, 255);
constexpr Colour grey = rgb(128, 128, 128);
constexpr Colour olive = rgb(128, 128, 0);
constexpr Colour teal = rgb(0, 128, 128);
// Returned for pixels outside a bitmap: equal to no 24-bit colour.
constexpr Colour none = 0xFF000000u;
}  // namespace colours

// A plain in-memory RGB bitmap. Pixel (x, y): x from the left edge, y from the
// top edge, both from 0.
class Bitmap {
public:
    Bitmap() = default;
    // Throws std::length_error when width or height is negative.
    Bitmap(int width, int height, Colour fill = colours::white);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    bool contains(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }

    // The colour at (x, y), or colours::none outside the bitmap.
    Colour pixel(int x, int y) const
    {
        return contains(x, y) ? pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]
                              : colours::none;
    }
    // Writes are ignored outside the bitmap.
    void setPixel(int x, int y, Colour c)
    {
        if (contains(x, y))
            pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = c & 0xFFFFFFu;
    }

    // Copies the rectangle of `source` with top-left (sx, sy) into this bitmap
    // at (0, 0), over this bitmap's whole size; source pixels outside `source`
    // come out as colours::none.
    void copyFrom(const Bitmap& source, int sx, int sy);

    // Draws `source` with its top-left corner at (x, y), clipped to this bitmap.
    void draw(const Bitmap& source, int x, int y);

    const std::vector<Colour>& pixels() const { return pixels_; }
    std::vector<Colour>& pixels() { return pixels_; }

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Colour> pixels_;
};

// The quarter turn counter-clockwise used for display: chart pixel (x, y)
// becomes view pixel (y, W - 1 - x), W the chart width.
Bitmap turnQuarter(const Bitmap& chart);

}  // namespace tivka
