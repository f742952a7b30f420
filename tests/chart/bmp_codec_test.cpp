#include "chart/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "chart/picture_bytes.h"
#include "reading/digit_template.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::Bytes;

void putLittle(Bytes& b, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
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
    const bool core = s.headerSize == 12;
    Bytes header;
    putLittle(header, s.headerSize, 4);
    putLittle(header, std::uint32_t(s.width), core ? 2 : 4);
    putLittle(header, std::uint32_t(s.height), core ? 2 : 4);
    putLittle(header, 1, 2);
    putLittle(header, std::uint32_t(s.bitCount), 2);
    if (!core) {
        for (std::uint32_t v : {s.compression, 0u, 2835u, 2835u, s.coloursUsed, 0u})
            putLittle(header, v, 4);
        for (std::uint32_t m : s.masks)
            putLittle(header, m, 4);
        header.resize(std::max<std::size_t>(header.size(), s.headerSize), 0);
    }
    Bytes pixels;
    for (const Bytes& row : s.rows) {
        pixels.insert(pixels.end(), row.begin(), row.end());
        pixels.resize((pixels.size() + 3) / 4 * 4, 0);
    }
    const auto offset = std::uint32_t(14 + header.size() + s.palette.size());
    Bytes file{'B', 'M'};
    for (std::uint32_t v : {offset + std::uint32_t(pixels.size()), 0u, offset})
        putLittle(file, v, 4);
    for (const Bytes* part : std::initializer_list<const Bytes*>{&header, &s.palette, &pixels})
        file.insert(file.end(), part->begin(), part->end());
    return file;
}

// The file's path: only files are loaded, as the template is.
std::string saved(const test::TempDir& dir, const Bytes& bytes)
{
    const std::string path = (dir / "ndata.bmp").string();
    test::writeFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

constexpr Colour red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255), odd = rgb(1, 130, 254);
constexpr Colour black = colours::black, white = colours::white, teal = colours::teal;

// A template saved at another depth reads exactly as the 24-bit file.
TEST(BmpTest, EveryFormatConvertsExactlyToRgb)
{
    const std::vector<Bytes> rgbRows = {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {254, 130, 1, 0, 0, 0, 255, 255, 255}};
    const Bytes palette{0, 0, 255, 0, /**/ 254, 130, 1, 0, /**/ 128, 128, 0, 0};
    const std::pair<BmpLayout, std::vector<Colour>> cases[] = {  // colours row after row
        // 3 pixels wide, so rows are padded; stored bottom row first.
        {{40, 3, 2, 24, 0, 0, {}, {}, rgbRows}, {odd, black, white, red, green, blue}},
        {{40, 3, -2, 24, 0, 0, {}, {}, rgbRows}, {red, green, blue, odd, black, white}},
        {{40, 2, 1, 32, 0, 0, {}, {}, {{254, 130, 1, 99, 0, 0, 255, 7}}}, {odd, red}},
        // Alpha ignored; a channel without a mask is zero.
        {{40, 2, 1, 32, 3, 0, {0xFF000000, 0x00FF0000, 0}, {}, {{9, 254, 130, 1, 9, 0, 0, 255}}},
         {rgb(1, 130, 0), red}},
        // 5-5-5: blue 1 -> 8, green 16 -> 132, the top bit ignored.
        {{40, 4, 1, 16, 0, 0, {}, {}, {{0x00, 0x7C, 0x01, 0x00, 0x00, 0x02, 0x00, 0x80}}},
         {red, rgb(0, 0, 8), rgb(0, 132, 0), black}},
        // 1-7-8: a one-bit red is all or nothing, green 64 -> 129.
        {{40, 1, 1, 16, 3, 0, {0x8000, 0x7F00, 0x00FF}, {}, {{0x12, 0xC0}}}, {rgb(255, 129, 18)}},
        // 5-6-5: green 1 -> 4.
        {{40, 3, 1, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, {}, {{0xFF, 0xFF, 0xE0, 0x07, 0x20, 0x00}}},
         {white, green, rgb(0, 4, 0)}},
        // 3 colours used: an index past them is black.
        {{40, 4, 1, 8, 0, 3, {}, palette, {{2, 1, 0, 200}}}, {teal, odd, red, black}},
        {{40, 5, 1, 4, 0, 3, {}, palette, {{0x21, 0x02, 0x10}}}, {teal, odd, red, teal, odd}},
        {{40, 9, 1, 1, 0, 0, {}, Bytes{0, 0, 0, 0, 255, 255, 255, 0}, {{0b10110000, 0b10000000}}},
         {white, black, white, white, black, black, black, black, white}},
        {{12, 2, 1, 8, 0, 0, {}, Bytes{0, 0, 255, 254, 130, 1}, {{1, 0}}}, {odd, red}},
        {{124, 2, -1, 32, 3, 0, {0x0000FF00, 0x00FF0000, 0xFF000000}, {}, {{0, 255, 0, 0, 0, 1, 130, 254}}},
         {red, odd}},
    };
    test::TempDir dir;
    for (const auto& [layout, colours] : cases) {
        Bitmap expected(layout.width, std::abs(layout.height));
        expected.pixels() = colours;
        EXPECT_EQ(LoadBmpFile(saved(dir, makeBmp(layout))), expected) << layout.bitCount << " bits";
    }
    Bitmap glyphs(95, 10, odd);  // as the program writes it, at an odd width: rows are padded
    glyphs.setPixel(94, 9, red);
    WriteBmpFile(glyphs, (dir / "written.bmp").string());
    EXPECT_EQ(DigitTemplate::load((dir / "written.bmp").string()).glyphs(), glyphs);
    EXPECT_EQ(test::readFile(dir / "written.bmp").size(), 54u + 288u * 10u);  // 95 * 3 = 285, padded to 288
    // Byte for byte the plain file other programs write: 72 dpi, rows padded with zeros.
    Bytes plain = makeBmp({40, 1, 1, 24, 0, 0, {}, {}, {{254, 130, 1}}});
    plain[34] = 4;  // the image's size, which the hand-made file leaves 0
    EXPECT_EQ(EncodeBmp(Bitmap(1, 1, odd)), plain);
    test::expectErrorNaming([&] { WriteBmpFile(glyphs, (dir / "no" / "x.bmp").string()); }, "cannot write");
}

// A template that cannot be used is refused at start-up by name, saying what is wrong.
TEST(BmpTest, BadTemplatesAreRefusedByNameSayingWhy)
{
    const Bytes good = makeBmp({40, 3, 2, 24, 0, 0, {}, {}, {Bytes(9, 1), Bytes(9, 2)}});
    const std::pair<Bytes, std::string> cases[] = {
        {{}, "the file is empty"},
        {{'<', 'h', 't', 'm', 'l', '>'}, "not a BMP"},
        {[&] { Bytes b = good; return b[0] = 'X', b; }(), "not a BMP"},
        {{'B', 'M'}, "truncated"},
        {Bytes(good.begin(), good.end() - 1), "truncated"},
        {makeBmp({40, 2, 1, 8, 1, 0, {}, Bytes(1024, 0), {{0, 0}}}), "RLE"},
        {makeBmp({40, 100000, 100000, 24, 0, 0, {}, {}, {}}), "100000 x 100000"},
        {makeBmp({40, 8000, 8000, 24, 0, 0, {}, {}, {}}), "8000 x 8000"},  // each side allowed, not both
        {makeBmp({40, 0, 1, 24, 0, 0, {}, {}, {}}), "invalid image size 0 x 1"},
        {makeBmp({40, 1, 1, 7, 0, 0, {}, {}, {{0}}}), "bit depth 7"},
        {makeBmp({40, 1, 1, 16, 3, 0, {0xF0F0, 0x0F00, 0x000F}, {}, {{0, 0}}}), "mask"},
        {makeBmp({20, 1, 1, 24, 0, 0, {}, {}, {}}), "header of 20 bytes"},
        {EncodeBmp(Bitmap(93, 10)), "the digit template is 93 x 10 pixels; it must be at least 94 x 10"},
        {EncodeBmp(Bitmap(94, 9)), "the digit template is 94 x 9 pixels; it must be at least 94 x 10"},
    };
    test::TempDir dir;
    for (const auto& [bytes, fragment] : cases) {
        const std::string path = saved(dir, bytes);
        test::expectErrorNaming([&] { DigitTemplate::load(path); }, path + ": ", fragment);
    }
    test::expectErrorNaming([&] { DigitTemplate::load(dir.path().string()); }, dir.path().string(), "folder");
    // A pipe nobody writes to is refused at once; the child would be ended if it waited.
    std::filesystem::create_directory(dir / "pipe");
    const std::string pipe = (dir / "pipe" / "ndata.bmp").string();
    test::MakeFifo(pipe);
    const std::optional<std::string> said = test::RunInChild([&]() -> std::string {
        try {
            DigitTemplate::load(pipe);
            return "loaded";
        } catch (const std::runtime_error& error) {
            return error.what();
        }
    });
    EXPECT_EQ(said.value_or("did not finish"), pipe + ": is a pipe, not a regular file");
    test::expectErrorNaming([&] { LoadBmpFile((dir / "absent.bmp").string()); }, (dir / "absent.bmp").string());
}

}  // namespace
}  // namespace tivka
