#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chart/bitmap.h"

namespace tivka {

constexpr int kMaxImageSide = 16384;
// Bounds the memory one decode may take (3 bytes a pixel of RGB buffer plus
// 4 of bitmap, so at most 28 MiB): larger images are refused from their
// header, before any pixel buffer is allocated or any pixel decoded. Charts
// are 531 x 256 (0.13 megapixels), so this leaves thirty times their size
// while a small file claiming a huge image costs nothing.
constexpr std::int64_t kMaxImagePixels = 4LL * 1024 * 1024;

// Decodes a PNG exactly: every colour type and bit depth to 8-bit RGB, no
// gamma or colour-space correction, alpha dropped without compositing,
// interlaced images too. Palette entries are taken as stored, grey g becomes
// (g, g, g), grey below 8 bits is scaled up by bit replication, and 16-bit
// samples keep their high byte (0xABCD -> 0xAB). Images wider or higher than
// kMaxImageSide, or with more than kMaxImagePixels pixels, are refused before
// allocating. Throws ImageError (chart/image_error.h) naming `name` and
// saying what is wrong (empty, not a PNG, truncated, too large, damaged).
Bitmap DecodePng(const std::vector<std::uint8_t>& bytes, const std::string& name);
Bitmap DecodePngFile(const std::string& path);

// Encodes losslessly as 8-bit RGB. Throws std::runtime_error for an empty
// bitmap; EncodePngFile also when the file cannot be written (naming the path).
std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap);
void EncodePngFile(const Bitmap& bitmap, const std::string& path);

}  // namespace tivka
