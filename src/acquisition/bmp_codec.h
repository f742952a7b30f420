#pragma once

#include <string>

#include "acquisition/bitmap.h"

namespace tivka {

// Loads a Windows BMP (1, 4, 8-bit palette, 16, 24 and 32-bit) converted
// exactly to 24-bit RGB. Throws std::runtime_error naming the file.
Bitmap LoadBmpFile(const std::string& path);

// Writes a 24-bit BMP. Throws std::runtime_error naming the file.
void WriteBmpFile(const Bitmap& bitmap, const std::string& path);

}  // namespace tivka
