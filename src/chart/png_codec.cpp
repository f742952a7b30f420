#include "chart/png_codec.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "chart/image_error.h"
#include "chart/image_file.h"

namespace tivka {
namespace {

// libpng reports errors by longjmp. The functions that call setjmp below hold
// no C++ objects with destructors: they work on plain structs and malloc'd
// buffers, and the C++ callers copy the results out afterwards.

constexpr std::size_t kChunkMemoryLimit = 8 * 1024 * 1024;

enum class ReadFailure { none, truncated, tooLarge, damaged };

struct ReadState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
    ReadFailure failure;
    char message[200];
    png_uint_32 width;
    png_uint_32 height;
    unsigned char* rgb;  // width * height * 3 bytes, malloc'd
    png_bytep* rows;     // malloc'd
};

void readFailed(png_structp png, png_const_charp message)
{
    auto* state = static_cast<ReadState*>(png_get_error_ptr(png));
    if (state->failure == ReadFailure::none)
        state->failure = ReadFailure::damaged;
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
    if (count > state->size - state->position) {
        state->failure = ReadFailure::truncated;
        png_error(png, "unexpected end of data");
    }
    std::memcpy(out, state->data + state->position, count);
    state->position += count;
}

void setExactTransforms(png_structp png, png_infop info)
{
    png_byte colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    // Turning grey into RGB widens 1-, 2- and 4-bit grey to 8 bits as well.
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (png_get_bit_depth(png, info) == 16)
        png_set_strip_16(png);
    // Transparency is not colour: an alpha channel, or one that the expansion
    // above made from a tRNS chunk, is dropped without compositing.
    png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

bool withinLimits(png_uint_32 width, png_uint_32 height)
{
    return width <= png_uint_32(kMaxImageSide) && height <= png_uint_32(kMaxImageSide) &&
           std::int64_t(width) * std::int64_t(height) <= kMaxImagePixels;
}

// Decodes into state->rgb. Returns false with state->failure set.
bool decodeRgb(ReadState* state)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, readFailed, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        std::free(state->rows);
        state->rows = nullptr;
        std::free(state->rgb);
        state->rgb = nullptr;
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (state->failure == ReadFailure::none)
            state->failure = ReadFailure::damaged;
        return false;
    }
    png_set_read_fn(png, state, readFromMemory);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(png, kChunkMemoryLimit);
    png_read_info(png, info);
    state->width = png_get_image_width(png, info);
    state->height = png_get_image_height(png, info);
    if (!withinLimits(state->width, state->height)) {
        state->failure = ReadFailure::tooLarge;
        png_error(png, "image too large");
    }
    setExactTransforms(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(state->width) * 3)
        png_error(png, "unexpected pixel layout after conversion");
    state->rgb = static_cast<unsigned char*>(std::malloc(std::size_t(state->width) * state->height * 3));
    state->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * state->height));
    if (!state->rgb || !state->rows)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < state->height; ++y)
        state->rows[y] = state->rgb + std::size_t(y) * state->width * 3;
    png_read_image(png, state->rows);
    png_read_end(png, nullptr);
    std::free(state->rows);
    state->rows = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

struct WriteState {
    unsigned char* data;  // malloc'd
    std::size_t size;
    std::size_t capacity;
    char message[200];
};

void writeFailed(png_structp png, png_const_charp message)
{
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void writeToMemory(png_structp png, png_bytep bytes, png_size_t count)
{
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    if (count > state->capacity - state->size) {
        std::size_t capacity = (state->capacity + count) * 2;
        auto* grown = static_cast<unsigned char*>(std::realloc(state->data, capacity));
        if (!grown)
            png_error(png, "out of memory");
        state->data = grown;
        state->capacity = capacity;
    }
    std::memcpy(state->data + state->size, bytes, count);
    state->size += count;
}

void flushNothing(png_structp) {}

// Encodes width x height RGB rows; returns false with state->message set.
bool encodeRgb(WriteState* state, png_bytep* rows, png_uint_32 width, png_uint_32 height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, writeFailed, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, state, writeToMemory, flushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::string describeStart(const std::vector<std::uint8_t>& bytes)
{
    std::string shown;
    for (std::size_t i = 0; i < bytes.size() && i < 16; ++i) {
        unsigned char c = bytes[i];
        if (c == '\r' || c == '\n')
            break;
        if (c >= 0x20 && c < 0x7F) {
            shown += char(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        }
    }
    return "starts with '" + shown + "'";
}

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Checks what can be seen before libpng runs: emptiness, the signature and the
// claimed size, so that an oversized image is refused with a clear message.
void checkBeforeDecoding(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    if (bytes.empty())
        throw ImageError(name, "the file is empty");
    std::size_t checked = bytes.size() < 8 ? bytes.size() : 8;
    if (png_sig_cmp(bytes.data(), 0, checked) != 0)
        throw ImageError(name, std::string("not a PNG image (") + describeStart(bytes) + ")");
    if (bytes.size() < 24)
        throw ImageError(name, "the PNG data is truncated");
    if (std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return;  // libpng reports the missing header
    std::uint32_t width = bigEndian32(bytes.data() + 16);
    std::uint32_t height = bigEndian32(bytes.data() + 20);
    if (width > std::uint32_t(kMaxImageSide) || height > std::uint32_t(kMaxImageSide))
        throw ImageError(name, std::string("the image claims ") + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels; at most " +
                                 std::to_string(kMaxImageSide) + " are accepted on either side");
    if (std::int64_t(width) * height > kMaxImagePixels)
        throw ImageError(name, std::string("the image claims ") + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels; at most " +
                                 std::to_string(kMaxImagePixels / (1024 * 1024)) +
                                 " megapixels are accepted");
}

ImageError decodeError(const ReadState& state, const std::string& name)
{
    switch (state.failure) {
    case ReadFailure::truncated:
        return ImageError(name, "the PNG data is truncated");
    case ReadFailure::tooLarge:
        return ImageError(name, std::string("the image is too large (") + std::to_string(state.width) + " x " +
                                  std::to_string(state.height) + " pixels)");
    default:
        return ImageError(name, std::string("damaged PNG data (") + std::string(state.message) + ")");
    }
}

Bitmap bitmapFromRgb(const unsigned char* data, int width, int height)
{
    Bitmap bitmap(width, height);
    auto& pixels = bitmap.pixels();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = rgb(data[3 * i], data[3 * i + 1], data[3 * i + 2]);
    return bitmap;
}

}  // namespace

Bitmap DecodePng(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    checkBeforeDecoding(bytes, name);
    ReadState state{};
    state.data = bytes.data();
    state.size = bytes.size();
    if (!decodeRgb(&state))
        throw decodeError(state, name);
    try {
        Bitmap bitmap = bitmapFromRgb(state.rgb, int(state.width), int(state.height));
        std::free(state.rgb);
        return bitmap;
    } catch (...) {
        std::free(state.rgb);
        throw;
    }
}

Bitmap DecodePngFile(const std::string& path)
{
    return DecodePng(ReadImageFile(path, "PNG"), path);
}

std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap)
{
    if (bitmap.empty())
        throw std::runtime_error("an empty picture cannot be saved as PNG");
    std::size_t rowBytes = std::size_t(bitmap.width()) * 3;
    std::vector<std::uint8_t> rgb(rowBytes * std::size_t(bitmap.height()));
    std::vector<png_bytep> rows(std::size_t(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y) {
        rows[std::size_t(y)] = rgb.data() + std::size_t(y) * rowBytes;
        for (int x = 0; x < bitmap.width(); ++x) {
            Colour c = bitmap.pixel(x, y);
            std::uint8_t* p = rows[std::size_t(y)] + std::size_t(x) * 3;
            p[0] = std::uint8_t(c >> 16);
            p[1] = std::uint8_t(c >> 8);
            p[2] = std::uint8_t(c);
        }
    }
    WriteState state{};
    bool encoded = encodeRgb(&state, rows.data(), png_uint_32(bitmap.width()), png_uint_32(bitmap.height()));
    std::vector<std::uint8_t> out;
    if (encoded)
        out.assign(state.data, state.data + state.size);
    std::free(state.data);
    if (!encoded)
        throw std::runtime_error(std::string("PNG encoding failed: ") + state.message);
    return out;
}

void EncodePngFile(const Bitmap& bitmap, const std::string& path)
{
    WriteImageFile(path, EncodePng(bitmap));
}

}  // namespace tivka
