#pragma once

// Pictures made byte by byte for the decoder tests, and the check that a
// refused input is reported by name.

#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tivka::test {

using Bytes = std::vector<std::uint8_t>;

inline void putBig32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(v >> shift));
}

// One PNG chunk with its length and a correct CRC.
inline Bytes pngChunk(const char* type, const Bytes& data)
{
    Bytes out;
    putBig32(out, std::uint32_t(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, std::uint32_t(crc32(0, out.data() + 4, uInt(out.size() - 4))));
    return out;
}

// A PNG whose header claims width x height at `depth` bits of `colourType`,
// `before` (PLTE, tRNS, ...) ahead of the image data, and `rows` scanlines
// (filter type 0 added in front of each) in the data. Compressed row by row,
// so that a huge image never has to be held in memory.
inline Bytes makePng(std::uint32_t width, std::uint32_t height, int depth, int colourType, std::size_t rows,
                     const std::function<Bytes(std::size_t)>& row, const std::vector<Bytes>& before = {},
                     bool interlaced = false)
{
    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, std::uint8_t(interlaced)});
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    Bytes packed, buffer(1 << 16);
    for (std::size_t y = 0; y <= rows; ++y) {
        Bytes line = y < rows ? row(y) : Bytes();
        if (y < rows)
            line.insert(line.begin(), 0);
        z.next_in = line.data();
        z.avail_in = uInt(line.size());
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, y < rows ? Z_NO_FLUSH : Z_FINISH);
            packed.insert(packed.end(), buffer.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<Bytes> chunks{pngChunk("IHDR", header)};
    chunks.insert(chunks.end(), before.begin(), before.end());
    for (const Bytes& chunk : chunks)
        png.insert(png.end(), chunk.begin(), chunk.end());
    for (const Bytes& chunk : {pngChunk("IDAT", packed), pngChunk("IEND", {})})
        png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

// An all-white 1-bit grey PNG claiming width x height, with `storedRows` of its rows.
inline Bytes whitePng(std::uint32_t width, std::uint32_t height, std::uint32_t storedRows = UINT32_MAX)
{
    const Bytes white((width + 7) / 8, 0xFF);
    return makePng(width, height, 1, 0, std::min(height, storedRows), [&](std::size_t) { return white; });
}

// Expects `action` to throw std::runtime_error whose message begins with
// `name` and holds `fragment`.
template <typename Action>
void expectErrorNaming(Action action, const std::string& name, const std::string& fragment = "")
{
    try {
        action();
        ADD_FAILURE() << name << " was accepted; expected: " << fragment;
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(name, 0), 0u) << message;
        EXPECT_NE(message.find(fragment), std::string::npos) << message;
    }
}

}  // namespace tivka::test
