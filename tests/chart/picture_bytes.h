#pragma once

// Picture files made byte by byte for the decoder tests, and the check that a
// refused input is reported by name.

#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// A valid all-white 1-bit grey PNG whose header claims width x height; only
// the first `storedRows` rows are in the data. Compressed row by row, so a
// huge image never has to be held in memory.
inline Bytes whitePng(std::uint32_t width, std::uint32_t height, std::uint32_t storedRows = UINT32_MAX)
{
    Bytes header;
    putBig32(header, width);
    putBig32(header, height);
    header.insert(header.end(), {1, 0, 0, 0, 0});
    Bytes row(1 + (width + 7) / 8, 0xFF);
    row[0] = 0;  // filter type: none
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    Bytes packed, buffer(1 << 16);
    std::uint32_t rows = std::min(height, storedRows);
    for (std::uint32_t y = 0; y <= rows; ++y) {
        z.next_in = row.data();
        z.avail_in = y < rows ? uInt(row.size()) : 0;
        int flush = y < rows ? Z_NO_FLUSH : Z_FINISH;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            packed.insert(packed.end(), buffer.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& chunk : {pngChunk("IHDR", header), pngChunk("IDAT", packed), pngChunk("IEND", {})})
        png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
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
