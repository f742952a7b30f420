#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chart/bitmap.h"

namespace tivka {

// Loads a Windows BMP (1, 4, 8-bit palette, 16, 24 and 32-bit; bottom-up or
// top-down; core, info, V4 and V5 headers; bit fields) converted exactly to
// 24-bit RGB. Channels narrower than 8 bits are widened by repeating their
// bits, as Windows does when converting to 24 bits: a 5-bit v becomes
// (v << 3) | (v >> 2). Palette indexes past the colour table read as black.
// RLE-compressed files are refused. Throws std::runtime_error naming the file
// and the fault (missing, a folder, not a BMP, truncated, too large, ...).
Bitmap LoadBmpFile(const std::string& path);

// The bytes of a 24-bit bottom-up BMP file of the bitmap.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

// Writes a 24-bit BMP (not atomically). Throws std::runtime_error naming the file.
void WriteBmpFile(const Bitmap& bitmap, const std::string& path);

}  // namespace tivka
