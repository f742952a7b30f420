#include "chart/png_codec.h"

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/picture_bytes.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::Bytes;

// A PNG made by libpng's writer: samples follow a fixed pattern (so pixel
// (0, 0) is all zeros), palettes hold 2^depth entries, `extra` adds chunks
// that must not change any colour.
struct PngCase {
    const char* title;
    int colourType;
    int bitDepth;
    bool interlaced = false;
    std::function<void(png_structp, png_infop)> extra = {};
    int width = 11;
    int height = 7;
};

unsigned sampleAt(int x, int y, int channel, int depth)
{
    return unsigned(x * 7919 + y * 104729 + channel * 40503) % (1u << depth);
}

png_color paletteEntry(unsigned i)
{
    return png_color{png_byte(i * 37 + 3), png_byte(255 - i), png_byte(i * 11)};
}

// Palette entries as stored; grey below 8 bits by bit replication; 16-bit
// samples keep their high byte; alpha and every correction chunk ignored.
Colour expectedColour(const PngCase& c, int x, int y)
{
    const auto eight = [&](int channel) {
        const unsigned v = sampleAt(x, y, channel, c.bitDepth);
        return std::uint8_t(c.bitDepth == 16 ? v >> 8 : v * 255 / ((1u << c.bitDepth) - 1));
    };
    if (c.colourType == PNG_COLOR_TYPE_PALETTE)
    {
        const png_color entry = paletteEntry(sampleAt(x, y, 0, c.bitDepth));
        return rgb(entry.red, entry.green, entry.blue);
    }
    if (!(c.colourType & PNG_COLOR_MASK_COLOR))
        return rgb(eight(0), eight(0), eight(0));
    return rgb(eight(0), eight(1), eight(2));
}

Bytes writePng(const PngCase& c)
{
    const bool colour = c.colourType == PNG_COLOR_TYPE_RGB || c.colourType == PNG_COLOR_TYPE_RGB_ALPHA;
    const int channels = (colour ? 3 : 1) + (c.colourType & PNG_COLOR_MASK_ALPHA ? 1 : 0);
    std::vector<Bytes> rows(std::size_t(c.height));  // one byte a sample below 8 bits: the writer packs them
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x)
            for (int channel = 0; channel < channels; ++channel) {
                const unsigned v = sampleAt(x, y, channel, c.bitDepth);
                if (c.bitDepth == 16)
                    rows[std::size_t(y)].push_back(std::uint8_t(v >> 8));
                rows[std::size_t(y)].push_back(std::uint8_t(v));
            }
        rowPointers.push_back(rows[std::size_t(y)].data());
    }
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
    png_set_IHDR(png, info, png_uint_32(c.width), png_uint_32(c.height), c.bitDepth, c.colourType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> palette;
        for (unsigned i = 0; i < 1u << c.bitDepth; ++i)
            palette.push_back(paletteEntry(i));
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    }
    if (c.extra)
        c.extra(png, info);
    png_write_info(png, info);
    png_set_packing(png);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void setGamma(png_structp png, png_infop info) { png_set_gAMA(png, info, 0.2); }
void setSrgb(png_structp png, png_infop info) { png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL); }
void setPaletteAlpha(png_structp png, png_infop info)
{
    const Bytes alpha(256, 0);
    png_set_tRNS(png, info, alpha.data(), 256, nullptr);
}
void setTransparentBlack(png_structp png, png_infop info)  // matches pixel (0, 0)
{
    png_color_16 colour{0, 0, 0, 0, 0};
    png_set_tRNS(png, info, nullptr, 0, &colour);
}

TEST(PngDecodeTest, EveryColourTypeAndDepthGivesExactColours)
{
    const PngCase cases[] = {
        {"palette", PNG_COLOR_TYPE_PALETTE, 1},     {"palette", PNG_COLOR_TYPE_PALETTE, 2},
        {"palette", PNG_COLOR_TYPE_PALETTE, 4},     {"palette", PNG_COLOR_TYPE_PALETTE, 8},
        {"grey", PNG_COLOR_TYPE_GRAY, 1},           {"grey", PNG_COLOR_TYPE_GRAY, 2},
        {"grey", PNG_COLOR_TYPE_GRAY, 4},           {"grey", PNG_COLOR_TYPE_GRAY, 8},
        {"grey", PNG_COLOR_TYPE_GRAY, 16},          {"grey+alpha, not composited", PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"grey+alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {"RGB", PNG_COLOR_TYPE_RGB, 8},
        {"RGB keeps the high byte", PNG_COLOR_TYPE_RGB, 16}, {"RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"interlaced RGB", PNG_COLOR_TYPE_RGB, 8, true, {}, 17, 13},
        {"interlaced palette", PNG_COLOR_TYPE_PALETTE, 4, true, {}, 10, 9},
        {"gAMA ignored", PNG_COLOR_TYPE_RGB, 8, false, setGamma},
        {"sRGB ignored", PNG_COLOR_TYPE_RGB, 8, false, setSrgb},
        {"palette tRNS ignored", PNG_COLOR_TYPE_PALETTE, 8, false, setPaletteAlpha},
        {"RGB tRNS ignored", PNG_COLOR_TYPE_RGB, 8, false, setTransparentBlack},
        {"grey tRNS ignored", PNG_COLOR_TYPE_GRAY, 2, false, setTransparentBlack},
    };
    for (const PngCase& c : cases) {
        const std::string title = std::string(c.title) + " depth " + std::to_string(c.bitDepth);
        const Bitmap bitmap = DecodePng(writePng(c), "chart.png");
        ASSERT_EQ(bitmap.width(), c.width) << title;
        ASSERT_EQ(bitmap.height(), c.height) << title;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(bitmap.pixel(x, y), expectedColour(c, x, y)) << title << " at (" << x << ", " << y << ")";
    }
}

TEST(PngDecodeTest, ColourProfileChunkDoesNotAlterColours)
{
    const PngCase rgb8{"iCCP", PNG_COLOR_TYPE_RGB, 8};
    Bytes png = writePng(rgb8);
    Bytes profile(300, 0x55);  // not a usable profile: must be ignored, never applied
    uLongf packedSize = compressBound(uLong(profile.size()));
    Bytes chunk{'p', 'r', 'o', 'f', 0, 0};  // name, terminator, compression method
    chunk.resize(chunk.size() + packedSize);
    compress(chunk.data() + 6, &packedSize, profile.data(), uLong(profile.size()));
    chunk.resize(6 + packedSize);
    Bytes iccp = test::pngChunk("iCCP", chunk);
    png.insert(png.begin() + 33, iccp.begin(), iccp.end());  // right after IHDR
    const Bitmap bitmap = DecodePng(png, "chart.png");
    for (int y = 0; y < rgb8.height; ++y)
        for (int x = 0; x < rgb8.width; ++x)
            ASSERT_EQ(bitmap.pixel(x, y), expectedColour(rgb8, x, y)) << x << ", " << y;
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

    Bytes png = writePng({"RGB", PNG_COLOR_TYPE_RGB, 8, false, {}, 40, 30});
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
