#include "chart/png_codec.h"

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "chart/picture_bytes.h"
#include "support/file_size_limit.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::Bytes;

constexpr Colour red = rgb(255, 0, 0), odd = rgb(1, 130, 254), teal = colours::teal, white = colours::white;

Colour grey(std::uint8_t g) { return rgb(g, g, g); }

// Decoding is exact: palette entries as stored, grey below 8 bits scaled up by
// bit replication, 16-bit samples keep their high byte, alpha and transparency
// dropped without compositing, no gamma or colour-space correction.
TEST(PngTest, EveryColourTypeAndDepthGivesExactColours)
{
    const Bytes palette = test::pngChunk("PLTE", {255, 0, 0, 1, 130, 254, 0, 128, 128});
    const Bytes gamma = test::pngChunk("gAMA", {0, 0, 0x4E, 0x20}), srgb = test::pngChunk("sRGB", {0});
    struct Case {
        int depth, colourType;
        std::vector<Bytes> rows;
        std::vector<Colour> expected;  // row after row
        std::vector<Bytes> before = {};
        bool interlaced = false;
    };
    const Case cases[] = {
        {1, 3, {{0b10100000}}, {odd, red, odd}, {palette}},
        {2, 3, {{0b10010000}}, {teal, odd, red}, {palette}},
        {4, 3, {{0x21, 0x00}}, {teal, odd, red}, {palette}},
        {8, 3, {{2, 1, 0}}, {teal, odd, red}, {palette, test::pngChunk("tRNS", {0, 0})}},
        {1, 0, {{0b10100000}}, {white, colours::black, white}},
        {2, 0, {{0b00011011}}, {grey(0), grey(0x55), grey(0xAA), white}, {test::pngChunk("tRNS", {0, 0})}},
        {4, 0, {{0x0F, 0x70}}, {grey(0), white, grey(0x77)}},
        {8, 0, {{0, 130, 255}}, {grey(0), grey(130), white}},
        {16, 0, {{0xAB, 0xCD, 0x01, 0xFF}}, {grey(0xAB), grey(0x01)}},
        {8, 4, {{130, 0, 255, 7}}, {grey(130), white}},
        {16, 4, {{0x12, 0x34, 0, 0}}, {grey(0x12)}},
        {8, 2, {{1, 130, 254, 255, 0, 0}}, {odd, red}, {gamma, srgb, test::pngChunk("tRNS", {0, 1, 0, 130, 0, 254})}},
        {16, 2, {{0x01, 0xFF, 0x82, 0x00, 0xFE, 0x11}}, {odd}},
        {8, 6, {{1, 130, 254, 0, 255, 0, 0, 255}}, {odd, red}},
        {16, 6, {{0x01, 0, 0x82, 0, 0xFE, 0, 0, 0}}, {odd}},
        // Interlaced 2 x 2: the first pass holds (0, 0), the sixth (1, 0), the seventh the second row.
        {8, 2, {{1, 130, 254}, {255, 0, 0}, {0, 128, 128, 255, 255, 255}}, {odd, red, teal, white}, {}, true},
    };
    for (const Case& c : cases) {
        const auto height = std::uint32_t(c.interlaced ? 2 : c.rows.size());
        const auto width = std::uint32_t(c.expected.size() / height);
        const Bitmap bitmap =
            DecodePng(test::makePng(width, height, c.depth, c.colourType, c.rows, c.before, c.interlaced), "chart.png");
        Bitmap expected{int(width), int(height)};
        expected.pixels() = c.expected;
        EXPECT_EQ(bitmap, expected) << "colour type " << c.colourType << ", depth " << c.depth;
    }
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A small file claiming a huge image is refused from its header, before any
// pixel memory is taken (decoded, 16000 x 16000 would take 768 MiB of RGB and
// 1 GiB of bitmap); a broken one is named with its fault.
TEST(BadPicture, RefusedChartsAreNamedWithTheirFault)
{
    const Bytes chart = test::makePng(40, 30, 8, 2, std::vector<Bytes>(30, Bytes(120, 7)));
    Bytes damaged = chart;
    damaged[chart.size() / 2] ^= 0xFF;  // inside the image data: its checksum fails
    const std::string html = "<html>\n<body>404 Not Found</body></html>";
    const long before = peakResidentKiB();
    const std::pair<Bytes, std::string> cases[] = {
        {test::whitePng(100000, 100000, 1),
         "the image claims 100000 x 100000 pixels; at most 16384 are accepted on either side"},
        {test::whitePng(1, 100000, 1), "the image claims 1 x 100000 pixels; at most 16384"},
        {test::whitePng(16384, 16384, 1), "at most 4 megapixels are accepted"},  // each side allowed, not both
        {test::whitePng(16000, 16000, 1), "the image claims 16000 x 16000 pixels; at most 4 megapixels are accepted"},
        {test::whitePng(2049, 2048), "the image claims 2049 x 2048 pixels; at most 4 megapixels"},
        {Bytes(html.begin(), html.end()), "not a PNG image (starts with '<html>')"},
        {{0x7F, 'E', 'L', 'F', 0}, "not a PNG image (starts with '\\x7FELF\\x00')"},
        {{}, "the file is empty"},
        {{0x89, 'P', 'N'}, "truncated"},
        {Bytes(chart.begin(), chart.begin() + 20), "truncated"},
        {Bytes(chart.begin(), chart.begin() + 40), "truncated"},
        {Bytes(chart.begin(), chart.end() - 13), "truncated"},
        {damaged, "damaged PNG data (IDAT: "},  // and the decoder's own reason
    };
    for (const auto& [png, message] : cases) {
        EXPECT_LT(png.size(), 512u * 1024u);
        test::expectErrorNaming([&] { DecodePng(png, "pn_GBPUSD.png"); }, "pn_GBPUSD.png: ", message);
    }
    EXPECT_LT(peakResidentKiB() - before, 16 * 1024) << "peak memory grew by more than 16 MiB";
    EXPECT_EQ(DecodePng(test::whitePng(2048, 2048), "big.png").pixel(2047, 2047), white);
    EXPECT_EQ(DecodePng(test::whitePng(16384, 1), "wide.png").pixel(16383, 0), white) << "the widest side accepted";
    EXPECT_EQ(DecodePng(test::whitePng(1, 16384), "tall.png").pixel(0, 16383), white) << "the tallest side accepted";
}

TEST(PngTest, EncodingIsLosslessAndFailuresAreReported)
{
    Bitmap chart(531, 256);
    for (int y = 0; y < chart.height(); ++y)
        for (int x = 0; x < chart.width(); ++x)
            chart.setPixel(x, y, rgb(std::uint8_t(x), std::uint8_t(y * 7), std::uint8_t(x ^ y)));
    test::TempDir dir;
    EncodePngFile(chart, (dir / "USDJPY.png").string());
    EXPECT_EQ(DecodePngFile((dir / "USDJPY.png").string()), chart);
    EXPECT_TRUE(test::readFile(dir / "USDJPY.png").ends_with(std::string("IEND\xAE\x42\x60\x82", 8)))
        << "a picture other programs would call cut short";
    test::expectErrorNaming([&] { EncodePngFile(chart, (dir / "no" / "x.png").string()); }, "cannot write");
    {
        const test::FileSizeLimit fullDisk(16);
        const std::string full = (dir / "full.png").string();
        test::expectErrorNaming([&] { EncodePngFile(Bitmap(4, 4), full); }, "cannot write " + full, "File too large");
    }
    EXPECT_THROW(EncodePng(Bitmap()), std::runtime_error);
    EXPECT_THROW(EncodePng(Bitmap(1000001, 1)), std::runtime_error);  // wider than the format's writer allows
}

}  // namespace
}  // namespace tivka
