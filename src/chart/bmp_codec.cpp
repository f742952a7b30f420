#include "chart/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "chart/image_file.h"

#include "chart/png_codec.h"

namespace tivka {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
enum Compression : std::uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biAlphaBitfields = 6 };

std::uint32_t le16(const Bytes& b, std::size_t at) { return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8); }
std::uint32_t le32(const Bytes& b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// What the headers say, checked before any pixel memory is allocated.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = biRgb;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bits
    std::vector<Colour> palette;
    std::uint64_t dataOffset = 0;
    std::uint64_t stride = 0;
};

class BmpReader {
public:
    BmpReader(const Bytes& bytes, const std::string& name) : b_(bytes), name_(name) {}

    Bitmap read()
    {
        readHeaders();
        return decodePixels();
    }

private:
    [[noreturn]] void fail(const std::string& what) const { throw std::runtime_error(name_ + ": " + what); }
    void need(std::uint64_t end) const
    {
        if (end > b_.size())
            fail("the BMP data is truncated");
    }

    void readHeaders()
    {
        if (b_.empty())
            fail("the file is empty");
        if (b_.size() < 2 || b_[0] != 'B' || b_[1] != 'M')
            fail("not a BMP image");
        need(kFileHeaderSize + 4);
        l_.dataOffset = le32(b_, 10);
        std::uint32_t headerSize = le32(b_, kFileHeaderSize);
        need(std::uint64_t(kFileHeaderSize) + headerSize);
        if (headerSize == kCoreHeaderSize)
            readCoreHeader();
        else if (headerSize >= kInfoHeaderSize && headerSize <= 124)
            readInfoHeader(headerSize);
        else
            fail("unsupported BMP header of " + std::to_string(headerSize) + " bytes");
        checkSize();
    }

    void readCoreHeader()
    {
        l_.width = int(le16(b_, 18));
        l_.height = int(le16(b_, 20));
        l_.bitCount = le16(b_, 24);
        readPalette(kFileHeaderSize + kCoreHeaderSize, 3, 0);
    }

    void readInfoHeader(std::uint32_t headerSize)
    {
        std::int32_t width = std::int32_t(le32(b_, 18));
        std::int32_t height = std::int32_t(le32(b_, 22));
        l_.bitCount = le16(b_, 28);
        l_.compression = le32(b_, 30);
        if (width <= 0 || height == 0 || height == INT32_MIN)
            fail("invalid image size " + std::to_string(width) + " x " + std::to_string(height));
        l_.width = width;
        l_.topDown = height < 0;
        l_.height = height < 0 ? -height : height;
        if (l_.compression == biRle8 || l_.compression == biRle4)
            fail("RLE-compressed BMP images are not supported; save the file uncompressed");
        std::uint64_t afterHeader = std::uint64_t(kFileHeaderSize) + headerSize;
        if (l_.compression == biBitfields || l_.compression == biAlphaBitfields) {
            readMasks();
            if (headerSize == kInfoHeaderSize)
                afterHeader += l_.compression == biBitfields ? 12 : 16;
        } else if (l_.compression != biRgb) {
            fail("unsupported BMP compression " + std::to_string(l_.compression));
        } else if (l_.bitCount == 16) {
            l_.masks[0] = 0x7C00, l_.masks[1] = 0x03E0, l_.masks[2] = 0x001F;  // 5-5-5
        } else if (l_.bitCount == 32) {
            l_.masks[0] = 0xFF0000, l_.masks[1] = 0x00FF00, l_.masks[2] = 0x0000FF;
        }
        readPalette(afterHeader, 4, le32(b_, 46));
    }

    // The masks follow a 40-byte header and sit inside the longer ones, at the
    // same place in the file either way.
    void readMasks()
    {
        std::uint64_t at = kFileHeaderSize + kInfoHeaderSize;
        need(at + 12);
        for (int i = 0; i < 3; ++i)
            l_.masks[i] = le32(b_, std::size_t(at) + 4 * std::size_t(i));
        if (l_.bitCount != 16 && l_.bitCount != 32)
            fail("bit fields need 16 or 32 bits per pixel, not " + std::to_string(l_.bitCount));
        for (std::uint32_t mask : l_.masks)
            if (mask != 0 && !contiguous(mask))
                fail("invalid colour mask in the BMP header");
    }

    static bool contiguous(std::uint32_t mask)
    {
        std::uint32_t shifted = mask >> std::countr_zero(mask);
        return (shifted & (shifted + 1)) == 0;
    }

    void readPalette(std::uint64_t at, std::uint32_t entrySize, std::uint32_t used)
    {
        if (l_.bitCount != 1 && l_.bitCount != 4 && l_.bitCount != 8 && l_.bitCount != 16 && l_.bitCount != 24 &&
            l_.bitCount != 32)
            fail("unsupported BMP bit depth " + std::to_string(l_.bitCount));
        if (l_.bitCount > 8)
            return;
        std::uint32_t full = 1u << l_.bitCount;
        std::uint32_t entries = used == 0 || used > full ? full : used;
        if (entrySize == 3)
            entries = std::uint32_t(std::min<std::uint64_t>(full, (l_.dataOffset - std::min(l_.dataOffset, at)) / 3));
        need(at + std::uint64_t(entries) * entrySize);
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::size_t p = std::size_t(at) + std::size_t(i) * entrySize;
            l_.palette.push_back(rgb(b_[p + 2], b_[p + 1], b_[p]));
        }
    }

    void checkSize()
    {
        if (l_.width <= 0 || l_.height <= 0)
            fail("invalid image size " + std::to_string(l_.width) + " x " + std::to_string(l_.height));
        if (l_.width > kMaxImageSide || l_.height > kMaxImageSide ||
            std::int64_t(l_.width) * l_.height > kMaxImagePixels)
            fail("the image claims " + std::to_string(l_.width) + " x " + std::to_string(l_.height) +
                 " pixels, more than accepted");
        l_.stride = (std::uint64_t(l_.width) * l_.bitCount + 31) / 32 * 4;
        need(l_.dataOffset + l_.stride * std::uint64_t(l_.height));
    }

    Colour paletteColour(std::uint32_t index) const
    {
        // An index past the palette reads as black, like a zero-filled colour table.
        return index < l_.palette.size() ? l_.palette[index] : colours::black;
    }

    static std::uint8_t widen(std::uint32_t value, std::uint32_t mask)
    {
        if (mask == 0)
            return 0;
        int bits = std::popcount(mask);
        std::uint32_t v = (value & mask) >> std::countr_zero(mask);
        if (bits >= 8)
            return std::uint8_t(v >> (bits - 8));
        // Repeat the bits down to 8: 5 bits give (v << 3) | (v >> 2).
        std::uint32_t wide = 0;
        for (int filled = 0; filled < 8; filled += bits)
            wide = (wide << bits) | v;
        int total = ((8 + bits - 1) / bits) * bits;
        return std::uint8_t(wide >> (total - 8));
    }

    Colour maskedColour(std::uint32_t value) const
    {
        return rgb(widen(value, l_.masks[0]), widen(value, l_.masks[1]), widen(value, l_.masks[2]));
    }

    Colour pixelAt(const std::uint8_t* row, int x) const
    {
        switch (l_.bitCount) {
        case 1:
        case 4:
        case 8: {
            std::size_t bit = std::size_t(x) * l_.bitCount;
            std::uint32_t byte = row[bit / 8];
            std::uint32_t index = (byte >> (8 - l_.bitCount - bit % 8)) & ((1u << l_.bitCount) - 1);
            return paletteColour(index);
        }
        case 16:
            return maskedColour(std::uint32_t(row[2 * x]) | (std::uint32_t(row[2 * x + 1]) << 8));
        case 24:
            return rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        default: {
            const std::uint8_t* p = row + 4 * std::size_t(x);
            return maskedColour(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                                (std::uint32_t(p[3]) << 24));
        }
        }
    }

    Bitmap decodePixels() const
    {
        Bitmap bitmap(l_.width, l_.height);
        for (int y = 0; y < l_.height; ++y) {
            int stored = l_.topDown ? y : l_.height - 1 - y;
            const std::uint8_t* row = b_.data() + l_.dataOffset + std::uint64_t(stored) * l_.stride;
            for (int x = 0; x < l_.width; ++x)
                bitmap.setPixel(x, y, pixelAt(row, x));
        }
        return bitmap;
    }

    const Bytes& b_;
    const std::string& name_;
    BmpLayout l_;
};

void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

Bytes bmpHeaders(const Bitmap& bitmap, std::uint32_t imageSize)
{
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, kFileHeaderSize + kInfoHeaderSize + imageSize);
    put32(b, 0);
    put32(b, kFileHeaderSize + kInfoHeaderSize);
    put32(b, kInfoHeaderSize);
    put32(b, std::uint32_t(bitmap.width()));
    put32(b, std::uint32_t(bitmap.height()));  // positive: bottom-up
    put16(b, 1);
    put16(b, 24);
    put32(b, biRgb);
    put32(b, imageSize);
    put32(b, 2835);  // 72 dots per inch
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    return b;
}

}  // namespace

Bitmap LoadBmpFile(const std::string& path)
{
    Bytes bytes = ReadImageFile(path, "BMP");
    return BmpReader(bytes, path).read();
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap)
{
    std::size_t stride = (std::size_t(bitmap.width()) * 3 + 3) / 4 * 4;
    Bytes bytes = bmpHeaders(bitmap, std::uint32_t(stride * std::size_t(bitmap.height())));
    for (int y = bitmap.height() - 1; y >= 0; --y) {
        std::size_t rowStart = bytes.size();
        for (int x = 0; x < bitmap.width(); ++x) {
            Colour c = bitmap.pixel(x, y);
            bytes.insert(bytes.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
        }
        bytes.resize(rowStart + stride, 0);
    }
    return bytes;
}

void WriteBmpFile(const Bitmap& bitmap, const std::string& path)
{
    WriteImageFile(path, EncodeBmp(bitmap));
}

}  // namespace tivka
