#include "chart/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/picture_bytes.h"
#include "reading/digit_template.h"
#include "support/test_support.h"

namespace tivka {

// Readable failure output: size and pixels in hex.
void PrintTo(const Bitmap& b, std::ostream* os)
{
    *os << b.width() << "x" << b.height() << std::hex;
    for (Colour c : b.pixels())
        *os << " " << c;
    *os << std::dec;
}

namespace {

using test::Bytes;

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

// A BMP file made by hand; rows are given in stored order and padded here.
struct BmpLayout {
    std::uint32_t headerSize = 40;
    int width = 0;
    int height = 0;  // negative: top-down
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;  // after a 40-byte header, inside longer ones
    Bytes palette;                     // entries as stored (BGRx, or BGR for the core header)
    std::vector<Bytes> rows;
};

Bytes makeBmp(const BmpLayout& s)
{
    Bytes header;
    put32(header, s.headerSize);
    if (s.headerSize == 12) {
        put16(header, std::uint32_t(s.width));
        put16(header, std::uint32_t(s.height));
        put16(header, 1);
        put16(header, std::uint32_t(s.bitCount));
    } else {
        put32(header, std::uint32_t(s.width));
        put32(header, std::uint32_t(s.height));
        put16(header, 1);
        put16(header, std::uint32_t(s.bitCount));
        put32(header, s.compression);
        for (std::uint32_t v : {0u, 2835u, 2835u, s.coloursUsed, 0u})
            put32(header, v);
        for (std::uint32_t m : s.masks)
            put32(header, m);
        header.resize(std::max<std::size_t>(header.size(), s.headerSize), 0);
    }
    Bytes pixels;
    for (const Bytes& row : s.rows) {
        pixels.insert(pixels.end(), row.begin(), row.end());
        pixels.resize((pixels.size() + 3) / 4 * 4, 0);
    }
    std::uint32_t offset = std::uint32_t(14 + header.size() + s.palette.size());
    Bytes file{'B', 'M'};
    put32(file, offset + std::uint32_t(pixels.size()));
    put32(file, 0);
    put32(file, offset);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), s.palette.begin(), s.palette.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

Bitmap load(const Bytes& bytes)
{
    test::TempDir dir;
    std::string path = (dir / "t.bmp").string();
    test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    return LoadBmpFile(path);
}

Bitmap expectedBitmap(int width, const std::vector<Colour>& pixels)
{
    Bitmap b(width, int(pixels.size()) / width);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        b.setPixel(int(i) % width, int(i) / width, pixels[i]);
    return b;
}

constexpr Colour red = rgb(255, 0, 0);
constexpr Colour green = rgb(0, 255, 0);
constexpr Colour blue = rgb(0, 0, 255);
constexpr Colour odd = rgb(1, 130, 254);

struct LoadCase {
    const char* title;
    BmpLayout layout;
    Bitmap expected;
};

std::vector<LoadCase> loadCases()
{
    std::vector<LoadCase> cases;
    // 3 pixels wide: rows need padding. Stored bottom row first.
    cases.push_back({"24-bit bottom-up",
                     {40, 3, 2, 24, 0, 0, {}, {}, {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {254, 130, 1, 0, 0, 0, 255, 255, 255}}},
                     expectedBitmap(3, {odd, colours::black, colours::white, red, green, blue})});
    cases.push_back({"24-bit top-down",
                     {40, 3, -2, 24, 0, 0, {}, {}, {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {254, 130, 1, 0, 0, 0, 255, 255, 255}}},
                     expectedBitmap(3, {red, green, blue, odd, colours::black, colours::white})});
    cases.push_back({"32-bit", {40, 2, 1, 32, 0, 0, {}, {}, {{254, 130, 1, 99, 0, 0, 255, 7}}},
                     expectedBitmap(2, {odd, red})});
    cases.push_back({"32-bit bit fields, alpha ignored",
                     {40, 2, 1, 32, 3, 0, {0xFF000000, 0x00FF0000, 0x0000FF00}, {}, {{9, 254, 130, 1, 9, 0, 0, 255}}},
                     expectedBitmap(2, {odd, red})});
    // 5-5-5: 0x7C00 red, 0x0001 blue 1 -> 8, 0x0200 green 16 -> 132, 0x8000 top bit ignored.
    cases.push_back({"16-bit 5-5-5", {40, 4, 1, 16, 0, 0, {}, {}, {{0x00, 0x7C, 0x01, 0x00, 0x00, 0x02, 0x00, 0x80}}},
                     expectedBitmap(4, {red, rgb(0, 0, 8), rgb(0, 132, 0), colours::black})});
    // 5-6-5 bit fields: 0xFFFF white, 0x07E0 green, 0x0020 green 1 -> 4.
    cases.push_back({"16-bit 5-6-5 bit fields",
                     {40, 3, 1, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, {}, {{0xFF, 0xFF, 0xE0, 0x07, 0x20, 0x00}}},
                     expectedBitmap(3, {colours::white, green, rgb(0, 4, 0)})});
    Bytes palette{0, 0, 255, 0, /**/ 254, 130, 1, 0, /**/ 128, 128, 0, 0};
    cases.push_back({"8-bit palette, colours used 3, index past the palette black",
                     {40, 4, 1, 8, 0, 3, {}, palette, {{2, 1, 0, 200}}},
                     expectedBitmap(4, {colours::teal, odd, red, colours::black})});
    cases.push_back({"4-bit palette", {40, 5, 1, 4, 0, 3, {}, palette, {{0x21, 0x02, 0x10}}},
                     expectedBitmap(5, {colours::teal, odd, red, colours::teal, odd})});
    cases.push_back({"1-bit palette, 9 wide",
                     {40, 9, 2, 1, 0, 0, {}, Bytes{0, 0, 0, 0, 255, 255, 255, 0}, {{0b10110000, 0b10000000}, {0, 0x80}}},
                     expectedBitmap(9, {colours::black, colours::black, colours::black, colours::black, colours::black,
                                        colours::black, colours::black, colours::black, colours::white,
                                        colours::white, colours::black, colours::white, colours::white, colours::black,
                                        colours::black, colours::black, colours::black, colours::white})});
    cases.push_back({"OS/2 core header, 8-bit", {12, 2, 1, 8, 0, 0, {}, Bytes{0, 0, 255, 254, 130, 1}, {{1, 0}}},
                     expectedBitmap(2, {odd, red})});
    BmpLayout v5{124, 2, -1, 32, 3, 0, {0x0000FF00, 0x00FF0000, 0xFF000000}, {}, {{0, 255, 0, 0, 0, 1, 130, 254}}};
    cases.push_back({"V5 header with masks inside it", v5, expectedBitmap(2, {red, odd})});
    cases.push_back({"1x1", {40, 1, 1, 24, 0, 0, {}, {}, {{254, 130, 1}}}, expectedBitmap(1, {odd})});
    return cases;
}

TEST(BmpLoadTest, EveryFormatConvertsExactlyToRgb)
{
    for (const LoadCase& c : loadCases())
        EXPECT_EQ(load(makeBmp(c.layout)), c.expected) << c.title;
}

void expectLoadError(const Bytes& bytes, const std::string& fragment)
{
    test::TempDir dir;
    std::string path = (dir / "ndata.bmp").string();
    test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    test::expectErrorNaming([&] { LoadBmpFile(path); }, path, fragment);
}

TEST(BmpLoadTest, BadFilesGiveCleanErrors)
{
    Bytes good = makeBmp({40, 3, 2, 24, 0, 0, {}, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}}});
    expectLoadError(Bytes{}, "empty");
    expectLoadError(Bytes{'B'}, "not a BMP");
    expectLoadError(Bytes{'<', 'h', 't', 'm', 'l', '>'}, "not a BMP");
    for (std::size_t cut : {std::size_t(10), std::size_t(30), good.size() - 1})
        expectLoadError(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut)), "truncated");
    expectLoadError(makeBmp({40, 2, 1, 8, 1, 0, {}, Bytes(1024, 0), {{0, 0}}}), "RLE");
    expectLoadError(makeBmp({40, 100000, 100000, 24, 0, 0, {}, {}, {}}), "100000 x 100000");
    expectLoadError(makeBmp({40, 8000, 8000, 24, 0, 0, {}, {}, {}}), "8000 x 8000");  // each side allowed
    expectLoadError(makeBmp({40, 0, 1, 24, 0, 0, {}, {}, {}}), "size");
    expectLoadError(makeBmp({40, 1, 1, 7, 0, 0, {}, {}, {{0}}}), "bit depth");
    expectLoadError(makeBmp({40, 1, 1, 16, 3, 0, {0xF0F0, 0x0F00, 0x000F}, {}, {{0, 0}}}), "mask");
    Bytes oddHeader = good;
    oddHeader[14] = 20;
    expectLoadError(oddHeader, "header");

    test::TempDir dir;
    EXPECT_THROW(LoadBmpFile(dir.path().string()), std::runtime_error);
    EXPECT_THROW(LoadBmpFile((dir / "absent.bmp").string()), std::runtime_error);
    EXPECT_THROW(DigitTemplate::load((dir / "ndata.bmp").string()), std::runtime_error);
}

TEST(BmpWriteTest, RoundTripAndTemplateLoad)
{
    Bitmap glyphs(95, 10, colours::white);  // odd width: rows are padded
    for (int x = 0; x < 95; ++x)
        glyphs.setPixel(x, x % 10, rgb(std::uint8_t(x), std::uint8_t(255 - x), std::uint8_t(x * 2)));
    test::TempDir dir;
    std::string path = (dir / "ndata.bmp").string();
    WriteBmpFile(glyphs, path);
    EXPECT_EQ(LoadBmpFile(path), glyphs);
    EXPECT_EQ(DigitTemplate::load(path).glyphs(), glyphs);
    EXPECT_EQ(test::readFile(path).size(), 54u + 288u * 10u);  // 95 * 3 = 285, padded to 288
    EXPECT_THROW(WriteBmpFile(glyphs, (dir / "missing" / "x.bmp").string()), std::runtime_error);
}

}  // namespace
}  // namespace tivka
