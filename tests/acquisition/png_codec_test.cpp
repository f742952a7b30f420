#include "acquisition/png_codec.h"

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquisition/picture_bytes.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A raw PNG image as libpng's write API takes it: samples per pixel at the
// given bit depth, packed by the helper below.
struct RawImage {
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::vector<unsigned>> samples;  // per pixel, row-major
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;           // tRNS for palette images
    std::optional<png_color_16> transparentColour;  // tRNS for grey / RGB
    bool gamma = false;
    bool srgb = false;
};

// One byte per sample below 8 bits (the writer packs them), two above.
std::vector<Bytes> packRows(const RawImage& image)
{
    std::vector<Bytes> rows(std::size_t(image.height));
    for (std::size_t i = 0; i < image.samples.size(); ++i)
        for (unsigned sample : image.samples[i]) {
            Bytes& row = rows[i / std::size_t(image.width)];
            if (image.bitDepth == 16)
                row.push_back(std::uint8_t(sample >> 8));
            row.push_back(std::uint8_t(sample));
        }
    return rows;
}

Bytes writePng(const RawImage& image)
{
    std::vector<Bytes> rows = packRows(image);
    std::vector<png_bytep> rowPointers;
    for (auto& row : rows)
        rowPointers.push_back(row.data());
    Bytes out;
    // The images made here are valid: libpng must not fail on them.
    auto fail = [](png_structp, png_const_charp message) { std::fprintf(stderr, "%s\n", message); std::abort(); };
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, nullptr);
    png_infop info = png_create_info_struct(png);
    auto append = [](png_structp p, png_bytep data, png_size_t size) {
        auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + size);
    };
    png_set_write_fn(png, &out, append, [](png_structp) {});
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.bitDepth,
                 image.colourType, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), int(image.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()), nullptr);
    if (image.transparentColour) {
        png_color_16 colour = *image.transparentColour;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (image.gamma)
        png_set_gAMA(png, info, 0.2);
    if (image.srgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    png_set_packing(png);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

using Expect = std::function<Colour(int x, int y)>;

struct DecodeCase {
    const char* title;
    RawImage image;
    Expect expected;
};

// Fills every pixel's samples with `sample(x, y)`.
RawImage raw(int colourType, int bitDepth, int width, int height,
             const std::function<std::vector<unsigned>(int, int)>& sample)
{
    RawImage image;
    image.colourType = colourType;
    image.bitDepth = bitDepth;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.samples.push_back(sample(x, y));
    return image;
}

std::vector<png_color> makePalette(int entries)
{
    std::vector<png_color> palette;
    for (int i = 0; i < entries; ++i)
        palette.push_back(png_color{png_byte(i * 37 + 3), png_byte(255 - i), png_byte(i * 11)});
    return palette;
}

Colour paletteColour(int i)
{
    return rgb(std::uint8_t(i * 37 + 3), std::uint8_t(255 - i), std::uint8_t(i * 11));
}

RawImage paletteImage(int bitDepth, int width, int height)
{
    int entries = 1 << bitDepth;
    RawImage image = raw(PNG_COLOR_TYPE_PALETTE, bitDepth, width, height,
                         [&](int x, int y) { return std::vector<unsigned>{unsigned((x + 3 * y) % entries)}; });
    image.palette = makePalette(entries);
    return image;
}

RawImage greyImage(int bitDepth, int width, int height)
{
    unsigned levels = 1u << bitDepth;
    return raw(PNG_COLOR_TYPE_GRAY, bitDepth, width, height,
               [&](int x, int y) { return std::vector<unsigned>{unsigned(x * 7919 + y * 104729) % levels}; });
}

Expect greyExpected(int bitDepth)
{
    unsigned levels = 1u << bitDepth;
    return [bitDepth, levels](int x, int y) {
        unsigned v = unsigned(x * 7919 + y * 104729) % levels;
        // Bit replication for small depths, the high byte for 16 bits.
        std::uint8_t g = bitDepth == 16 ? std::uint8_t(v >> 8) : std::uint8_t(v * 255 / (levels - 1));
        return rgb(g, g, g);
    };
}

RawImage rgbImage(int colourType, int bitDepth, int width, int height)
{
    return raw(colourType, bitDepth, width, height, [&](int x, int y) {
        unsigned scale = bitDepth == 16 ? 256 : 1;
        unsigned low = bitDepth == 16 ? unsigned(y * 13 + 200) % 256 : 0;  // must be dropped
        std::vector<unsigned> s{unsigned(x * 20 % 256) * scale + low,
                                unsigned(y * 30 % 256) * scale, unsigned((x + y) * 9 % 256) * scale};
        if (colourType == PNG_COLOR_TYPE_RGB_ALPHA)
            s.push_back(unsigned(x % 2 == 0 ? 0 : 128) * scale);  // transparent pixels keep their colour
        return s;
    });
}

Colour rgbExpected(int x, int y)
{
    return rgb(std::uint8_t(x * 20 % 256), std::uint8_t(y * 30 % 256), std::uint8_t((x + y) * 9 % 256));
}

std::vector<DecodeCase> decodeCases()
{
    std::vector<DecodeCase> cases;
    for (int depth : {1, 2, 4, 8})
        cases.push_back({"palette", paletteImage(depth, 11, 5),
                         [depth](int x, int y) { return paletteColour((x + 3 * y) % (1 << depth)); }});
    for (int depth : {1, 2, 4, 8, 16})
        cases.push_back({"grey", greyImage(depth, 13, 4), greyExpected(depth)});
    cases.push_back({"grey+alpha, alpha 0 not composited",
                     raw(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 6, 3,
                         [](int x, int y) { return std::vector<unsigned>{unsigned(x * 40 + y), 0}; }),
                     [](int x, int y) { return rgb(std::uint8_t(x * 40 + y), std::uint8_t(x * 40 + y), std::uint8_t(x * 40 + y)); }});
    cases.push_back({"RGB 8", rgbImage(PNG_COLOR_TYPE_RGB, 8, 9, 7), rgbExpected});
    cases.push_back({"RGB 16 keeps the high byte", rgbImage(PNG_COLOR_TYPE_RGB, 16, 9, 7), rgbExpected});
    cases.push_back({"RGBA", rgbImage(PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 7), rgbExpected});
    cases.push_back({"RGBA 16", rgbImage(PNG_COLOR_TYPE_RGB_ALPHA, 16, 9, 7), rgbExpected});

    RawImage interlaced = rgbImage(PNG_COLOR_TYPE_RGB, 8, 17, 13);
    interlaced.interlaced = true;
    cases.push_back({"interlaced RGB", interlaced, rgbExpected});
    RawImage interlacedPalette = paletteImage(4, 10, 9);
    interlacedPalette.interlaced = true;
    cases.push_back({"interlaced palette", interlacedPalette, [](int x, int y) { return paletteColour((x + 3 * y) % 16); }});

    RawImage corrected = rgbImage(PNG_COLOR_TYPE_RGB, 8, 9, 7);
    corrected.gamma = true;
    cases.push_back({"gAMA ignored", corrected, rgbExpected});
    corrected.gamma = false;
    corrected.srgb = true;
    cases.push_back({"sRGB ignored", corrected, rgbExpected});

    RawImage transparentPalette = paletteImage(8, 12, 3);
    transparentPalette.paletteAlpha = Bytes(256, 0);
    cases.push_back({"palette tRNS ignored", transparentPalette, [](int x, int y) { return paletteColour((x + 3 * y) % 256); }});
    RawImage transparentRgb = rgbImage(PNG_COLOR_TYPE_RGB, 8, 9, 7);
    transparentRgb.transparentColour = png_color_16{0, 0, 0, 0, 0};  // matches pixel (0, 0)
    cases.push_back({"RGB tRNS ignored", transparentRgb, rgbExpected});
    RawImage transparentGrey = greyImage(2, 13, 4);
    transparentGrey.transparentColour = png_color_16{0, 0, 0, 0, 0};
    cases.push_back({"grey tRNS ignored", transparentGrey, greyExpected(2)});
    return cases;
}

void expectPixels(const Bitmap& bitmap, int width, int height, const Expect& expected, const std::string& title)
{
    ASSERT_EQ(bitmap.width(), width) << title;
    ASSERT_EQ(bitmap.height(), height) << title;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(bitmap.pixel(x, y), expected(x, y)) << title << " at (" << x << ", " << y << ")";
}

TEST(PngDecodeTest, EveryColourTypeAndDepthGivesExactColours)
{
    for (const DecodeCase& c : decodeCases()) {
        std::string title = std::string(c.title) + " depth " + std::to_string(c.image.bitDepth);
        expectPixels(DecodePng(writePng(c.image), "chart.png"), c.image.width, c.image.height, c.expected, title);
    }
}

TEST(PngDecodeTest, ColourProfileChunkDoesNotAlterColours)
{
    Bytes png = writePng(rgbImage(PNG_COLOR_TYPE_RGB, 8, 9, 7));
    Bytes profile(300, 0x55);  // not a usable profile: must be ignored, never applied
    uLongf packedSize = compressBound(uLong(profile.size()));
    Bytes chunk{'p', 'r', 'o', 'f', 0, 0};  // name, terminator, compression method
    chunk.resize(chunk.size() + packedSize);
    compress(chunk.data() + 6, &packedSize, profile.data(), uLong(profile.size()));
    chunk.resize(6 + packedSize);
    Bytes iccp = test::pngChunk("iCCP", chunk);
    png.insert(png.begin() + 33, iccp.begin(), iccp.end());  // right after IHDR
    expectPixels(DecodePng(png, "chart.png"), 9, 7, rgbExpected, "iCCP");
}

void expectDecodeError(const Bytes& bytes, const std::string& name, const std::string& fragment)
{
    test::expectErrorNaming([&] { DecodePng(bytes, name); }, name, fragment);
}

TEST(PngDecodeTest, OversizedHeaderIsRefusedBeforeDecoding)
{
    expectDecodeError(test::whitePng(100000, 100000, 1), "GBPUSD.png", "claims 100000 x 100000 pixels; at most 16384");
    expectDecodeError(test::whitePng(16384, 16384, 1), "GBPUSD.png", "megapixels");  // each side allowed
    expectDecodeError(test::whitePng(1, 100000, 1), "GBPUSD.png", "claims 1 x 100000");
}

TEST(PngDecodeTest, BadInputNamesTheFileAndTheFault)
{
    std::string html = "<html>\n<body>404 Not Found</body></html>";
    expectDecodeError(Bytes(html.begin(), html.end()), "GBPUSD.png", "not a PNG image (starts with '<html>')");
    expectDecodeError(Bytes{}, "pn_GBPUSD.png", "empty");
    expectDecodeError(Bytes{0x89, 'P', 'N'}, "x.png", "truncated");

    Bytes png = writePng(rgbImage(PNG_COLOR_TYPE_RGB, 8, 40, 30));
    for (std::size_t cut : {std::size_t(20), std::size_t(40), png.size() / 2, png.size() - 13})
        expectDecodeError(Bytes(png.begin(), png.begin() + std::ptrdiff_t(cut)), "on_GBPUSD.png", "truncated");
    png[png.size() / 2] ^= 0xFF;  // inside the image data: CRC mismatch
    expectDecodeError(png, "on_GBPUSD.png", "damaged");
}

TEST(PngFileTest, RoundTripIsLosslessAndFileErrorsNameThePath)
{
    Bitmap original(37, 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            original.setPixel(x, y, rgb(std::uint8_t(x * 7), std::uint8_t(y * 11), std::uint8_t(x * y)));
    test::TempDir dir;
    std::string path = (dir / "USDJPY.png").string();
    EncodePngFile(original, path);
    EXPECT_EQ(DecodePngFile(path), original);
    EXPECT_EQ(DecodePng(EncodePng(original), "memory"), original);

    std::string missing = (dir / "absent.png").string();
    test::expectErrorNaming([&] { DecodePngFile(missing); }, missing);
    EXPECT_THROW(DecodePngFile(dir.path().string()), std::runtime_error);
    std::string unwritable = (dir / "no-such-folder" / "x.png").string();
    test::expectErrorNaming([&] { EncodePngFile(Bitmap(2, 2), unwritable); }, "", unwritable);
    EXPECT_THROW(EncodePng(Bitmap()), std::runtime_error);
}

}  // namespace
}  // namespace tivka
