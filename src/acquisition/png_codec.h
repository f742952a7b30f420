#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/bitmap.h"

namespace tivka {

constexpr int kMaxImageSide = 16384;

// Decodes a PNG exactly: every colour type and bit depth to 8-bit RGB, no
// gamma or colour-space correction, alpha dropped without compositing,
// interlaced images too. Throws std::runtime_error whose message names
// `name` and says what is wrong (not a PNG, truncated, too large, ...).
Bitmap DecodePng(const std::vector<std::uint8_t>& bytes, const std::string& name);
Bitmap DecodePngFile(const std::string& path);

// Encodes losslessly as 8-bit RGB. Throws std::runtime_error naming the path.
std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap);
void EncodePngFile(const Bitmap& bitmap, const std::string& path);

}  // namespace tivka
