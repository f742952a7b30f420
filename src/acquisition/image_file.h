#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tivka {

// The whole content of an image file. Throws std::runtime_error naming the
// file when it is a folder ("is a folder, not a <kind> image"), cannot be
// opened (with the system's reason) or cannot be read.
std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind);

}  // namespace tivka
