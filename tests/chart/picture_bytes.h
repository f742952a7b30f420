#pragma once

// Pictures made byte by byte for the decoder tests, and the check that a
// refused input is reported by name.

#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
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
// `before` (PLTE, tRNS, ...) ahead of the image data, and the `rows` (each
// gets filter type 0 in front) in the data.
inline Bytes makePng(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                     const std::vector<Bytes>& rows, const std::vector<Bytes>& before = {}, bool interlaced = false)
{
    Bytes header, raw, png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, std::uint8_t(interlaced)});
    for (const Bytes& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(uLong(raw.size()));
    Bytes packed(size);
    compress(packed.data(), &size, raw.data(), uLong(raw.size()));
    packed.resize(size);
    std::vector<Bytes> chunks{pngChunk("IHDR", header)};
    chunks.insert(chunks.end(), before.begin(), before.end());
    chunks.insert(chunks.end(), {pngChunk("IDAT", packed), pngChunk("IEND", {})});
    for (const Bytes& chunk : chunks)
        png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

// An all-white 1-bit grey PNG claiming width x height, with `storedRows` of its rows.
inline Bytes whitePng(std::uint32_t width, std::uint32_t height, std::uint32_t storedRows = UINT32_MAX)
{
    return makePng(width, height, 1, 0, std::vector<Bytes>(std::min(height, storedRows), Bytes((width + 7) / 8, 0xFF)));
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
